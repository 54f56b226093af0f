// The run-script window (Tools > Run Script): the reader picks a script from the recent ones or with a file
// panel, sees its description, runs it, watches its running time and output size, kills it, and copies or
// saves its output. Every request goes to the RunScriptDialogDelegate (the controller), which drives the
// window through RunScriptDialog. The delegate is connected from construction until the window finishes.
// GUI thread only.
#pragma once

#include "views/runscriptdialog.h"

#include <QDialog>

#include <memory>

class RunScriptDialogDelegate;

class RunScriptDialogWidget : public QDialog, public RunScriptDialog {
public:
  static constexpr int POLL_MS = 100;

  // Fills the script field with the delegate's recent scripts and shows the first one's description.
  explicit RunScriptDialogWidget(RunScriptDialogDelegate& delegate, QWidget* parent = nullptr);
  ~RunScriptDialogWidget() override;

  // Runs the window modally until Close or the close box; returns 0.
  int run();

  void setStatus(const char* text) override;
  void setDetails(const char* text) override;
  void setError(const char* status, const char* details) override;
  void setCopyResult(const char* text, bool success) override;
  void clearCopyMessage() override;
  void setScriptRunning(bool running) override;
  QelLua::FileChooser* fileChooser() override;
  bool saveOutputToClipboard() const override;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
