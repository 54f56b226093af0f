// The run-script window as its controller drives it: status and details texts, the copy or save outcome,
// the running state, and what the window offers a script (its file choosers) and the reader's choice of
// copying the output when a run has finished. Main thread only; texts are UTF-8, null shown as "".
#pragma once

#include "script/qellua.h"

class RunScriptDialog {
public:
  virtual ~RunScriptDialog() = default;
  // In the normal text colour.
  virtual void setStatus(const char* text) = 0;
  virtual void setDetails(const char* text) = 0;
  // Both texts, in red.
  virtual void setError(const char* status, const char* details) = 0;
  // Shows the outcome line with a tick (success) or a cross and the text.
  virtual void setCopyResult(const char* text, bool success) = 0;
  virtual void clearCopyMessage() = 0;
  // Running: the 0.1-second poll runs, Run is disabled and Kill shown; otherwise the reverse.
  virtual void setScriptRunning(bool running) = 0;
  // Where a script's file and folder choosers are shown; outlives the window (a chooser asked for after the
  // window is gone appears over the main window).
  virtual QelLua::FileChooser* fileChooser() = 0;
  // While the window is open, whether its box is ticked; afterwards the state it had when it closed.
  virtual bool saveOutputToClipboard() const = 0;
};
