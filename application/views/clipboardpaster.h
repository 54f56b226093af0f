// Copies the clipboard's text into a new file, so that pasted text can be opened as a document. The text is
// read on the main thread (the clipboard is the GUI's); only the file write runs on a worker thread. Every
// job comes back to its listener on the main thread, once, through the MessageCenter: also one that finds no
// text or whose worker cannot start, so that the caller's "paste in progress" always ends.
#pragma once

#include "utils/text.h"

#include <cstdint>
#include <memory>

class ClipboardPaster {
public:
  enum Status : uint32_t {
    Done = 0,
    OutOfMemory = 1,
    NoText = 2,          // the clipboard holds no text; no file is written
    ClipboardFailed = 3, // Clipboard::open_error
    FileFailed = 4,      // the file could not be opened or written whole
    Running = 5,
    WorkerFailed = 6, // no thread could be started for the write
  };

  struct Info;

  class Listener {
  public:
    virtual ~Listener() = default;
    // On the main thread. info.path names the file written (see Info::path).
    virtual void onPasteComplete(Status status, Info const& info) = 0;
  };

  // One paste job: built by the caller, owned by the paster once started.
  struct Info {
    void* handle = nullptr; // the main window's native handle, for the clipboard (unused on this platform)
    Listener* listener = nullptr;
    // The file to write. When another running copy of the program holds that file (it has it open as a
    // document), the next free name is taken instead, its trailing number counted on ("Clipboard-2" after
    // "Clipboard-1"), and path changed to it.
    Text path;
    Status status = Running;
    bool flag = false; // the caller's paste flag (no effect on this platform)
  };

  // On the main thread: reads the clipboard and hands the write to a worker. The written file stays locked
  // (shared) until the listener has returned, so no other copy of the program takes it meanwhile.
  static void start(std::unique_ptr<Info> info);
};
