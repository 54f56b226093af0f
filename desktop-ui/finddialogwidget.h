// The find bar: "Find", a search field with a menu of recent terms, the wildcard hint under it, and the
// buttons "Find" (also Return) and "Done" (also Escape). Find hands the field's text to the delegate; Done
// takes the bar out of its text container (or its parent). Owned by the main window and reused with its last
// text. The field's menu is shown by a runner, which tests replace. GUI thread only.
#pragma once

#include "views/finddialog.h"

#include <QWidget>

#include <functional>
#include <memory>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

class FindDialogWidget : public QWidget, public FindDialog {
public:
  using MenuRunner = std::function<void(QMenu& menu, QPoint const& at)>;
  static constexpr const char* HINT = "Use * or \xE2\x80\xA6 for wildcard searches, e.g. "
                                      "\xE4\xB8\x8D\xE4\xBD\x86\xE2\x80\xA6\xE8\x80\x8C\xE4\xB8\x94";

  explicit FindDialogWidget(QWidget* parent = nullptr);
  ~FindDialogWidget() override;
  using QWidget::show;

  void show(FindDialogDelegate* delegate) override;
  void setSearchText(const char* text) override;
  std::string searchText() const;
  std::vector<std::string> const& recentSearches() const { return m_recent; }

  // The field's menu of recent terms, not shown.
  std::unique_ptr<QMenu> searchMenu();
  void setMenuRunner(MenuRunner runner);
  // The buttons' actions.
  void onFind();
  void onDone();

  QLineEdit* searchField() const { return m_field; }
  QPushButton* findButton() const { return m_find; }
  QPushButton* doneButton() const { return m_done; }

protected:
  void keyPressEvent(QKeyEvent* event) override;
  void paintEvent(QPaintEvent* event) override;

private:
  FindDialogDelegate* m_delegate = nullptr; // not owned; null until shown
  std::vector<std::string> m_recent;        // the field's recent terms, most recent first
  QLineEdit* m_field;
  QPushButton* m_find;
  QPushButton* m_done;
  MenuRunner m_menuRunner;
};
