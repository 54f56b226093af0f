#include "desktop-ui/scriptfilechooser.h"

#include "desktop-ui/filepanel.h"

#include <QApplication>
#include <QMainWindow>

ScriptFileChooser& ScriptFileChooser::instance() {
  static ScriptFileChooser chooser;
  return chooser;
}

void ScriptFileChooser::setWindow(QWidget* window) {
  m_window = window;
}

QWidget* ScriptFileChooser::window() const {
  if (m_window) return m_window;
  QWidget* fallback = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets())
    if (auto* main = qobject_cast<QMainWindow*>(w)) {
      if (main->isVisible()) return main;
      if (!fallback) fallback = main;
    }
  return fallback;
}

void ScriptFileChooser::choose(Kind kind, Text const& title, Answer answer) {
  FilePanel::show(window(), kind, QString::fromUtf8(title.c_str(), qsizetype(title.length())), QString(),
                  [answer](QStringList const& paths) {
                    std::vector<Text> chosen;
                    chosen.reserve(size_t(paths.size()));
                    for (QString const& path : paths)
                      chosen.emplace_back(path.toUtf8().constData());
                    answer(chosen);
                  });
}
