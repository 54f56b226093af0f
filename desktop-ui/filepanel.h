// File and folder panels, shown without blocking: the panel is window-modal over its parent and its answer
// arrives later through a callback, once, also (as nothing chosen) when the panel is destroyed unanswered.
// Tests install a presenter in place of the Qt panel. GUI thread only.
#pragma once

#include "script/qellua.h"

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

class FilePanel {
public:
  using Kind = QelLua::FileChooser::Kind;
  // The chosen paths; empty when the reader cancelled.
  using Answer = std::function<void(QStringList const& paths)>;
  using Presenter = std::function<void(QWidget* parent, Kind kind, QString const& title,
                                       QString const& filter, Answer answer)>;

  FilePanel() = delete;

  // An empty presenter goes back to the Qt panel.
  static void setPresenter(Presenter presenter);
  // Returns at once. filter: name filters such as "Lua scripts (*.lua);;All files (*)", or empty.
  static void show(QWidget* parent, Kind kind, QString const& title, QString const& filter, Answer answer);
};
