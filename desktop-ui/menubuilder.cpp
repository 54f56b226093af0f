#include "desktop-ui/menubuilder.h"

#include "desktop-ui/slotguard.h"

namespace {
void fill(QMenu& menu, std::vector<MenuItem> const& items, std::function<void(int)> const& chosen) {
  for (MenuItem const& item : items) {
    if (item.kind == MenuItem::Separator) {
      menu.addSeparator();
      continue;
    }
    const QString title = QString::fromUtf8(item.title.data(), qsizetype(item.title.size()));
    if (item.kind == MenuItem::Submenu) {
      QMenu* sub = menu.addMenu(title);
      sub->setEnabled(item.enabled);
      fill(*sub, item.items, chosen);
      continue;
    }
    QAction* action = menu.addAction(title);
    action->setData(item.tag);
    action->setEnabled(item.enabled);
    if (item.checked) {
      action->setCheckable(true);
      action->setChecked(true);
    }
    const int tag = item.tag;
    QObject::connect(action, &QAction::triggered, action,
                     [chosen, tag] { slotGuard("Error running a menu command: ", [&] { chosen(tag); }); });
  }
}
} // namespace

std::unique_ptr<QMenu> MenuBuilder::build(QString const& title, std::vector<MenuItem> const& items,
                                          std::function<void(int tag)> const& chosen) {
  auto menu = std::make_unique<QMenu>(title);
  fill(*menu, items, chosen);
  return menu;
}

QList<QAction*> MenuBuilder::actions(QMenu const& menu) {
  QList<QAction*> all;
  for (QAction* action : menu.actions()) {
    all.append(action);
    if (QMenu* sub = action->menu()) all.append(actions(*sub));
  }
  return all;
}
