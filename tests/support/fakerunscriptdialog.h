// Recording fakes of the run-script window and its delegate, for tests of the controller (without Qt) and of
// the Qt window (with a delegate that only records).
#pragma once

#include "views/runscriptdialog.h"
#include "views/runscriptdialogdata.h"
#include "views/runscriptdialogdelegate.h"

#include <string>
#include <vector>

namespace qmtest {

// The window as the controller sees it: the last texts, whether they were shown as an error, the outcome line
// and the running state.
class FakeRunScriptDialog : public RunScriptDialog {
public:
  std::string status, details, copyResult;
  bool error = false;
  bool copyShown = false, copySuccess = false;
  bool running = false;
  bool saveToClipboard = false;
  QelLua::FileChooser* chooser = nullptr;
  int timerStarts = 0;

  void setStatus(const char* t) override {
    status = t ? t : "";
    error = false;
  }
  void setDetails(const char* t) override { details = t ? t : ""; }
  void setError(const char* s, const char* d) override {
    status = s ? s : "";
    details = d ? d : "";
    error = true;
  }
  void setCopyResult(const char* t, bool success) override {
    copyResult = t ? t : "";
    copySuccess = success;
    copyShown = true;
  }
  void clearCopyMessage() override { copyShown = false; }
  void setScriptRunning(bool r) override {
    running = r;
    timerStarts += r;
  }
  QelLua::FileChooser* fileChooser() override { return chooser; }
  bool saveOutputToClipboard() const override { return saveToClipboard; }
};

// Records each request as "<operation> <path>" ("onTimer" and the like without one).
class FakeRunScriptDialogDelegate : public RunScriptDialogDelegate {
public:
  RunScriptDialogData recorded;
  std::vector<std::string> calls;

  RunScriptDialogData const& data() const override { return recorded; }
  void scriptChanged(RunScriptDialog&, const char* path) override {
    calls.push_back("scriptChanged " + text(path));
  }
  void runScript(RunScriptDialog&, const char* path) override { calls.push_back("runScript " + text(path)); }
  void onTimer(RunScriptDialog&) override { calls.push_back("onTimer"); }
  void killScript(RunScriptDialog&) override { calls.push_back("killScript"); }
  void outputToClipboard(RunScriptDialog&) override { calls.push_back("outputToClipboard"); }
  void outputToFile(RunScriptDialog&, const char* path) override {
    calls.push_back("outputToFile " + text(path));
  }

private:
  static std::string text(const char* s) { return s ? s : "(null)"; }
};

} // namespace qmtest
