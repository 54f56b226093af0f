// One file-chooser request of a script. The script's thread queues it for the main thread and waits; the
// chooser answers it from the main thread, or kill() cancels it. The request is shared between both sides
// so that a late answer to a killed script, or a queued request whose runner is gone, touches nothing freed.
#pragma once

#include "script/qellua.h"
#include "script/qelthreaddata.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <vector>

namespace qelLua {

class FileRequest {
public:
  FileRequest(QelLua::FileChooser::Kind kind, Text title, std::shared_ptr<ChooserSlot> slot);

  enum class Outcome { answered, killed };
  // On the script's thread: queues the request for the main thread and blocks until it is answered
  // (paths empty for a cancel) or the run is killed. Answers empty at once for a run on the main thread.
  static Outcome ask(ThreadData& thread, QelLua::FileChooser::Kind kind, Text title,
                     std::vector<Text>& paths);

  // From kill(): wakes the waiting script.
  void cancel();
  // The chooser's answer; only the first counts.
  void answer(std::vector<Text> const& paths);

private:
  static void show(void* request); // on the main thread

  const QelLua::FileChooser::Kind kind;
  const Text title;
  const std::shared_ptr<ChooserSlot> slot;
  std::mutex mutex; // guards the fields below
  std::condition_variable done;
  bool answered = false;
  bool cancelled = false;
  std::vector<Text> paths;
};

} // namespace qelLua
