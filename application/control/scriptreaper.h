// Frees script runs that were asked to stop but have not ended yet, so that the main thread never waits for
// a script: a run is handed over whole (its runner, which shares the program data the script reads, and the
// output it writes), and a timer of the desktop polls until the script has ended. Main thread only.
//
// The reaper is never destroyed: a run whose script never ends is never freed, since its thread may still
// use it while the process ends.
#pragma once

#include <cstddef>
#include <memory>

class CountingOutputStream;
class FileWriter;
class QelLua;

class ScriptReaper {
public:
  // Everything one run uses. Members are destroyed bottom up: the runner first, then the stream (flushing
  // into the writer) and the writer.
  struct Run {
    Run();
    Run(Run&&) noexcept;
    Run& operator=(Run&&) noexcept;
    ~Run();

    std::unique_ptr<FileWriter> writer;
    std::unique_ptr<CountingOutputStream> output;
    std::unique_ptr<QelLua> lua;
  };

  class Listener {
  public:
    virtual ~Listener() = default;
    // A run that still runs was handed over: poll() is due now and then until it returns 0.
    virtual void runsWaiting() = 0;
  };

  static ScriptReaper& instance();
  ScriptReaper(ScriptReaper const&) = delete;
  ScriptReaper& operator=(ScriptReaper const&) = delete;

  // Kills the run's script and frees the run: at once when the script has already ended, else at a later
  // poll().
  void adopt(Run run);
  // Frees the runs whose scripts have ended; returns how many are still waited for.
  size_t poll();
  size_t pending() const;
  // Not owned; null removes it.
  void setListener(Listener* listener);
  // At the program's end: waits for the killed scripts to end, at most QelLua::DESTROY_WAIT in all. Frees
  // the runs whose scripts ended and keeps the others for good. True when no script runs any more.
  bool finish();

private:
  ScriptReaper();
  ~ScriptReaper();
  struct Impl;
  std::unique_ptr<Impl> impl;
};
