// Runs one reader's Lua script: a Lua state of its own with the standard libraries, lfs and the qel module,
// on a worker thread or inline. The owner polls running(), may kill() at any moment, and reads result() and
// errorMessage() once the run has ended. A QelLua is made for one run: load, run, poll, destroy.
#pragma once

#include "utils/text.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <memory>
#include <vector>

class OutputStream;

namespace qelLua {
class QelState;
}

class QelLua {
public:
  // Shows the file and folder choosers that scripts ask for; the desktop interface implements it.
  class FileChooser {
  public:
    enum class Kind { openFile, openFiles, directory, saveFile };
    // Takes the chosen paths as UTF-8; none when the reader cancelled.
    using Answer = std::function<void(std::vector<Text> const& paths)>;

    virtual ~FileChooser() = default;
    // Called on the main thread. Shows a chooser of kind with title and calls answer once, from any thread,
    // now or later. A script waits until then, unless it is killed.
    virtual void choose(Kind kind, Text const& title, Answer answer) = 0;
  };

  // The script's thread shares the state, so it stays as long as a script let go still runs. Throws
  // LuaState::no_memory when no Lua state can be made; when the environment cannot be set up, load() fails
  // with status 4.
  explicit QelLua(std::shared_ptr<qelLua::QelState> state);
  // The same over a state that must outlive the script's thread (and so the runner).
  explicit QelLua(qelLua::QelState& state);
  // How long the destructor waits for a killed script to end.
  static constexpr std::chrono::milliseconds DESTROY_WAIT{2000};

  // Kills a script that still runs and waits for it to end, at most DESTROY_WAIT. A script that has not ended
  // by then (stuck in a call that no kill reaches) is let go with a WARN line: its thread, Lua state and
  // program data end on their own or with the process, and its output no longer reaches the stream given.
  ~QelLua();
  QelLua(QelLua const&) = delete;
  QelLua& operator=(QelLua const&) = delete;

  // Compiles the script file (null is "") as text; a precompiled chunk is refused. Returns the Lua status:
  // 0 loaded, 3 syntax error (or a precompiled chunk), 4 out of memory, 7 the file cannot be opened or read;
  // errorMessage() then says why, naming the file or line.
  int load(const char* path);
  // print and write go to out (the runner's null stream until set); out must outlive the run.
  void setOutputStream(OutputStream& out);
  // The most bytes the script may hold: its Lua state and the word lists and documents it makes. A script
  // that needs more ends with "not enough memory", and nothing else is affected. Takes effect at once when
  // no script runs, else for the next load. The default is a quarter of the machine's memory.
  void setMemoryLimit(size_t bytes);
  static size_t defaultMemoryLimit();
  // Where file choosers go; null (the default) makes every chooser answer as cancelled. Main thread only.
  void setFileChooser(FileChooser* chooser);
  // Runs the loaded script: threaded returns at once with running() already true; inline returns when the
  // script has ended. A run whose thread cannot start ends at once as failed. The script's Lua state is
  // closed on the script's thread as the run ends (its finalizers run then), so running() stays true until
  // they are done; the next load() starts a fresh state.
  void run(bool threaded);
  // Stops the script at its next instruction, or within the long library or qel call it is in (a sort, a
  // read, a collection, a conversion), or at once when it waits for a chooser, a child process or a blocked
  // read; it ends with result 2 and "Script Killed", even when it catches the error, and also when it
  // would have ended well. Any thread.
  void kill();
  // Blocks until the script has ended or limit has passed; true when it has ended.
  bool waitUntilEnded(std::chrono::milliseconds limit) const;

  // While a killed script has not ended, each call also interrupts again a system call that blocks it.
  bool running() const;
  // The Lua status of the last load or run: 0 success, 2 an error in the script.
  int result() const;
  // "" while the script runs or when nothing failed; otherwise the error as readable text, whatever the
  // script raised. Valid until the next load or run.
  const char* errorMessage() const;

private:
  struct Impl;
  std::shared_ptr<Impl> impl; // shared with the script's thread, which may outlive the runner
};
