#include "desktop-ui/menubuilder.h"

#include "desktop-ui/slotguard.h"

void MenuBuilder::append(QMenu& menu, std::vector<MenuItem> const& items,
                         std::function<void(int)> const& chosen) {
  for (MenuItem const& item : items) {
    if (item.kind == MenuItem::Separator) {
      menu.addSeparator();
      continue;
    }
    const QString title =
        QString::fromUtf8(item.title.data(), qsizetype(item.title.size())).replace('&', QLatin1String("&&"));
    if (item.kind == MenuItem::Submenu) {
      QMenu* sub = menu.addMenu(title);
      sub->setEnabled(item.enabled);
      append(*sub, item.items, chosen);
      continue;
    }
    QAction* action = menu.addAction(title);
    action->setData(item.tag);
    action->setEnabled(item.enabled);
    action->setCheckable(item.ticked);
    action->setChecked(item.ticked);
    const int tag = item.tag;
    QObject::connect(action, &QAction::triggered, action,
                     [chosen, tag] { slotGuard("Error running a menu command: ", [&] { chosen(tag); }); });
  }
}

std::unique_ptr<QMenu> MenuBuilder::build(QString const& title, std::vector<MenuItem> const& items,
                                          std::function<void(int tag)> const& chosen) {
  auto menu = std::make_unique<QMenu>(title);
  append(*menu, items, chosen);
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
