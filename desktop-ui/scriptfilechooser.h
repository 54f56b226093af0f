// The file and folder choosers of scripts, shown over the run-script window while it is open and over the
// main window afterwards (a script still running then). One for the process, so that a runner never holds a
// chooser that is gone. GUI thread only.
#pragma once

#include "script/qellua.h"

#include <QPointer>
#include <QWidget>

class ScriptFileChooser : public QelLua::FileChooser {
public:
  static ScriptFileChooser& instance();

  // The window that choosers are shown over; null (or a window that has gone) means the main window.
  void setWindow(QWidget* window);
  // The window a chooser would be shown over now.
  QWidget* window() const;

  void choose(Kind kind, Text const& title, Answer answer) override;

private:
  ScriptFileChooser() = default;
  QPointer<QWidget> m_window;
};
