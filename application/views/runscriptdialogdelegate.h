// What the run-script window asks of its controller. Main thread only; the window passes itself first and
// paths as UTF-8.
#pragma once

class RunScriptDialog;
class RunScriptDialogData;

class RunScriptDialogDelegate {
public:
  virtual ~RunScriptDialogDelegate() = default;
  // The recent scripts and the saved copy-to-clipboard choice.
  virtual RunScriptDialogData const& data() const = 0;
  // The script field now names path (typed, chosen or browsed): its description is shown.
  virtual void scriptChanged(RunScriptDialog& dialog, const char* path) = 0;
  // Run: starts path (null does nothing), stopping a run still under way first.
  virtual void runScript(RunScriptDialog& dialog, const char* path) = 0;
  // Every 0.1 seconds while a script runs.
  virtual void onTimer(RunScriptDialog& dialog) = 0;
  virtual void killScript(RunScriptDialog& dialog) = 0;
  virtual void outputToClipboard(RunScriptDialog& dialog) = 0;
  // path: the file the reader chose to save the output to.
  virtual void outputToFile(RunScriptDialog& dialog, const char* path) = 0;
};
