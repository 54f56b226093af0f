// Converts a UTF-16, GB18030 or Big5 file into a UTF-8 copy that the engine can read, on a worker thread,
// and hands the job back to its listener on the main thread. Copies live in a folder of this process inside
// the user folder's "converted" folder, so that two running copies of the program never delete each other's
// files; cleanup() at shutdown deletes this process's folder.
#pragma once

#include "encoding/encodingdetector.h"
#include "utils/text.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>

class FileConverter {
public:
  enum Status : uint32_t {
    Converted = 0,
    OutOfMemory = 1,
    NotWritten = 2, // the copy could not be created, or a write to it failed (a full disk): no copy is left
    NoBytes = 3,    // the source decoded to nothing: no copy is written
    UnknownError = 4,
  };

  class Info;

  class Listener {
  public:
    virtual ~Listener() = default;
    // On the main thread; the listener takes over the job.
    virtual void finished(Status status, std::unique_ptr<Info> info) = 0;
  };

  // One conversion: made by the caller, owned by the worker while it runs, then handed to the listener (or
  // destroyed on the main thread, when cancelled meanwhile).
  class Info {
  public:
    Info(uint64_t userData, EncodingDetector::Encoding encoding, Listener* listener, Text source);

    // An owner that no longer wants the result cancels; a running conversion then stops early.
    void setCancelled(bool cancelled);
    bool cancelled() const;

    uint64_t userData;                   // the caller's (the document set passes its document)
    EncodingDetector::Encoding encoding; // of the source
    Status status = UnknownError;
    Listener* listener;
    Text source;    // the file to convert
    Text converted; // the UTF-8 copy; empty until made, and again when the copy was not written

  private:
    mutable std::mutex m_mutex; // the cancelled flag is the one field the main thread shares while it runs
    bool m_cancelled = false;
  };

  // Starts the job on a worker thread and returns at once; the job comes back to its listener on the main
  // thread (through MessageCenter) unless it was cancelled meanwhile. When no thread can start, it comes
  // back all the same, with UnknownError, and the result is false.
  static bool launch(std::unique_ptr<Info> info);
  // The worker's entry, with an Info*: converts, then queues the job for the main thread.
  static void run(void* info);

  // The conversion itself, on the calling thread; sets and returns the job's status. stopRequested, when
  // given, is asked between pieces as the cancelled flag is: a stopped job leaves no copy.
  static Status runWithInfo(Info& info, std::function<bool()> const& stopRequested = {});
  // Writes data as a new copy in this process's folder and records its path in the job. NoBytes (and no
  // file) for length 0; NotWritten when the copy cannot be created or written whole.
  static Status writeToTempFile(Info& info, void const* data, size_t length);

  // This process's folder of copies: "converted/<process id>" in the user folder.
  static Text folder();
  // Deletes this process's folder with everything in it.
  static void cleanup();
  // Deletes the folders that processes no longer running left behind. Runs by itself before this process
  // writes its first copy.
  static void sweepStale();
};
