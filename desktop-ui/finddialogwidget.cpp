#include "desktop-ui/finddialogwidget.h"

#include "desktop-ui/menubuilder.h"
#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"
#include "desktop-ui/textcontainerwidget.h"
#include "views/finddialogdelegate.h"

#include <QAction>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QStyle>

namespace {
constexpr int MARGIN = 5;
constexpr int BUTTON_GAP = 7;
} // namespace

FindDialogWidget::FindDialogWidget(QWidget* parent)
    : QWidget(parent), m_field(named(new QLineEdit, "searchField")),
      m_find(named(new QPushButton(QStringLiteral("Find")), "findButton")),
      m_done(named(new QPushButton(QStringLiteral("Done")), "doneButton")),
      m_menuRunner([](QMenu& menu, QPoint const& at) { menu.exec(at); }) {
  setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
  setFocusProxy(m_field);
  auto* hint = named(new QLabel(QString::fromUtf8(HINT)), "wildcardHint");
  hint->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
  auto* grid = new QGridLayout(this);
  grid->setContentsMargins(MARGIN, MARGIN, MARGIN, MARGIN);
  grid->setHorizontalSpacing(MARGIN);
  grid->setVerticalSpacing(MARGIN);
  grid->addWidget(named(new QLabel(QStringLiteral("Find")), "findLabel"), 0, 0);
  grid->addWidget(m_field, 0, 1);
  grid->addWidget(hint, 1, 1);
  auto* buttons = new QHBoxLayout;
  buttons->setSpacing(BUTTON_GAP);
  buttons->addWidget(m_find);
  buttons->addWidget(m_done);
  grid->addLayout(buttons, 0, 2);
  grid->setColumnStretch(1, 1);

  QAction* recent = m_field->addAction(style()->standardIcon(QStyle::SP_FileDialogContentsView),
                                       QLineEdit::LeadingPosition);
  recent->setObjectName("recentSearches");
  recent->setToolTip(QStringLiteral("Recent Searches"));
  connect(recent, &QAction::triggered, this, [this] {
    slotGuard("Error showing the recent searches: ", [&] {
      const std::unique_ptr<QMenu> menu = searchMenu();
      m_menuRunner(*menu, m_field->mapToGlobal(QPoint(0, m_field->height())));
    });
  });
  connect(m_field, &QLineEdit::returnPressed, this,
          [this] { slotGuard("Error finding: ", [&] { onFind(); }); });
  connect(m_find, &QPushButton::clicked, this, [this] { slotGuard("Error finding: ", [&] { onFind(); }); });
  connect(m_done, &QPushButton::clicked, this,
          [this] { slotGuard("Error closing the find bar: ", [&] { onDone(); }); });
}

FindDialogWidget::~FindDialogWidget() = default;

void FindDialogWidget::show(FindDialogDelegate* delegate) {
  m_delegate = delegate;
  m_recent.clear();
  if (!delegate) return;
  std::vector<const char*> terms;
  delegate->getSearchHistory(*this, terms);
  for (const char* term : terms)
    if (term) m_recent.emplace_back(term);
}

void FindDialogWidget::setSearchText(const char* text) {
  m_field->setText(text ? QString::fromUtf8(text) : QString());
}

std::string FindDialogWidget::searchText() const {
  return m_field->text().toStdString();
}

std::unique_ptr<QMenu> FindDialogWidget::searchMenu() {
  return MenuBuilder::build(QStringLiteral("Search Menu"), recentSearchesMenu(m_recent), [this](int tag) {
    if (MenuItem::actionOf(tag) == Recents && MenuItem::indexOf(tag) < m_recent.size())
      setSearchText(m_recent[MenuItem::indexOf(tag)].c_str());
    else if (tag == ClearRecent)
      m_recent.clear();
  });
}

void FindDialogWidget::setMenuRunner(MenuRunner runner) {
  m_menuRunner = std::move(runner);
}

void FindDialogWidget::onFind() {
  if (!m_delegate) return;
  const std::string text = searchText();
  m_delegate->find(*this, Span(text.data(), text.size()));
}

void FindDialogWidget::onDone() {
  if (auto* container = dynamic_cast<TextContainerWidget*>(parentWidget())) {
    if (QWidget* text = container->textView()) text->setFocus();
    container->setSearchView(nullptr);
  } else if (parentWidget()) {
    hide();
    setParent(nullptr);
  }
}

void FindDialogWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Escape) return QWidget::keyPressEvent(event);
  slotGuard("Error closing the find bar: ", [&] { onDone(); });
}

void FindDialogWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), palette().base());
  painter.fillRect(QRect(0, height() - 1, width(), 1), Qt::gray);
}
