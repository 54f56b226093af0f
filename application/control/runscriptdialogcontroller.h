// The run-script window's controller: describes the chosen script, runs it on a worker thread with its output
// going to a temporary file through a counting stream, shows the running time and output size while it runs
// and the outcome when it ends, kills it on request, and copies or saves the output. Main thread only.
//
// The main thread never waits for a script: a run that is replaced, or still under way when the controller
// goes, is killed and handed to the ScriptReaper with everything it uses.
#pragma once

#include "views/runscriptdialogdelegate.h"

#include <functional>
#include <memory>

class Dictionary;
class DocumentManager;
class RunScriptDialogData;
class SegmentEngine;
class WordHash;
class WordListManager;

namespace qelLua {
class QelState;
}

class RunScriptDialogController : public RunScriptDialogDelegate {
public:
  // Makes, on the main thread just before each run, the program data the script sees as it is then.
  using StateMaker = std::function<std::shared_ptr<qelLua::QelState>()>;

  // The program's data for scripts: the current word list and the looked-up words copied, the program's
  // segmentation and its open documents. Every reference must outlive the controller and its runs.
  static StateMaker programState(Dictionary const& dictionary, WordListManager const& wordLists,
                                 WordHash const& lookedUpWords, SegmentEngine const& engine,
                                 DocumentManager const& documents);

  RunScriptDialogController(StateMaker makeState, RunScriptDialogData data);
  // Kills a script that still runs and hands it to the reaper; deletes the output file.
  ~RunScriptDialogController() override;
  RunScriptDialogController(RunScriptDialogController const&) = delete;
  RunScriptDialogController& operator=(RunScriptDialogController const&) = delete;

  RunScriptDialogData const& data() const override;
  void scriptChanged(RunScriptDialog& dialog, const char* path) override;
  void runScript(RunScriptDialog& dialog, const char* path) override;
  void onTimer(RunScriptDialog& dialog) override;
  void killScript(RunScriptDialog& dialog) override;
  void outputToClipboard(RunScriptDialog& dialog) override;
  void outputToFile(RunScriptDialog& dialog, const char* path) override;

  // The text shown for a load failure of Lua status status.
  static const char* loadErrorText(int status);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
