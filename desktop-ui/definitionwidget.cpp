#include "desktop-ui/definitionwidget.h"

#include "desktop-ui/fontutils.h"
#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"

#include <QApplication>
#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr double HEADWORD_POINTS = 22; // before any configuration

// A family that is not installed ("Default" among them) gives the desktop's own font at that size.
QFont fontFor(Text const& name, double points) {
  if (FontUtils::hasFamily(name.c_str())) return FontUtils::font(name.c_str(), points);
  QFont font = QApplication::font();
  if (points > 0) font.setPointSizeF(points);
  return font;
}

QLabel* label(std::string const& text, QFont const& font, const char* name) {
  auto* l = named(new QLabel(QString::fromUtf8(text.data(), qsizetype(text.size()))), name);
  l->setFont(font);
  l->setTextInteractionFlags(Qt::TextSelectableByMouse);
  return l;
}

int widthOf(std::string const& text, QFont const& font) {
  return text.empty()
             ? 0
             : QFontMetrics(font).horizontalAdvance(QString::fromUtf8(text.data(), qsizetype(text.size())));
}
} // namespace

DefinitionWidget::DefinitionWidget(QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint), m_list(new QVBoxLayout(this)) {
  m_config.simplifiedFontName = m_config.traditionalFontName = "";
  m_config.pinyinFontName = m_config.englishDefinitionFontName = "";
  m_config.simplifiedFontSize = m_config.traditionalFontSize = 1.0;
  m_config.pinyinFontSize = m_config.englishDefinitionFontSize = 1.0;
  m_simplifiedFont = m_traditionalFont = fontFor(Text(), HEADWORD_POINTS);
  m_pinyinFont = m_englishFont = QApplication::font();
  m_list->setContentsMargins(MARGIN, MARGIN, MARGIN, MARGIN);
  m_list->setSpacing(ENTRY_GAP);
  m_list->setSizeConstraint(QLayout::SetFixedSize);
  setAutoFillBackground(false);
}

DefinitionWidget::~DefinitionWidget() = default;

QFont const& DefinitionWidget::headwordFont(int characterSet) const {
  return characterSet == DefinitionConfig::Traditional ? m_traditionalFont : m_simplifiedFont;
}

void DefinitionWidget::setConfig(DefinitionConfig const& config) {
  m_config = config;
  m_simplifiedFont = fontFor(config.simplifiedFontName, config.simplifiedFontSize);
  m_traditionalFont = fontFor(config.traditionalFontName, config.traditionalFontSize);
  m_pinyinFont = fontFor(config.pinyinFontName, config.pinyinFontSize);
  m_englishFont = fontFor(config.englishDefinitionFontName, config.englishDefinitionFontSize);
}

QWidget* DefinitionWidget::makeBlock(DefinitionEntry const& e) {
  auto* block = new QWidget;
  auto* grid = new QGridLayout(block);
  grid->setContentsMargins(0, 0, 0, 0);
  grid->setHorizontalSpacing(OTHER_GAP);
  grid->setVerticalSpacing(LINE_GAP);
  // Absent lines are left out, so the present ones close up.
  int row = 0;
  if (!e.headword.empty()) {
    grid->addWidget(label(e.headword, headwordFont(e.headwordFont), "headword"), row, 0, Qt::AlignVCenter);
    if (!e.other.empty())
      grid->addWidget(label(e.other, headwordFont(e.otherFont), "other"), row, 1, Qt::AlignVCenter);
    ++row;
  }
  if (!e.pinyin.empty()) grid->addWidget(label(e.pinyin, m_pinyinFont, "pinyin"), row++, 0, 1, 3);
  QLabel* english = label(e.english, m_englishFont, "english");
  // Only a line wider than the popup may grow wraps; a label told to wrap may break a line that fits.
  if (widthOf(e.english, m_englishFont) > WRAP_WIDTH) {
    english->setWordWrap(true);
    english->setFixedWidth(WRAP_WIDTH);
  }
  grid->addWidget(english, row, 0, 1, 3);
  grid->setColumnStretch(2, 1);
  return block;
}

void DefinitionWidget::setWord(Span const& word) {
  m_entries = DefinitionEntry::build(word, DefinitionEntry::lookUp(m_dictionary, word), m_config);
  for (QWidget* block : m_blocks)
    delete block;
  m_blocks.clear();
  for (DefinitionEntry const& entry : m_entries) {
    m_blocks.push_back(makeBlock(entry));
    m_list->addWidget(m_blocks.back());
  }
}

void DefinitionWidget::show(double x, double y) {
  m_list->activate();
  adjustSize();
  const QPoint at{int(x), int(y)};
  QScreen* screen = QGuiApplication::screenAt(at);
  if (!screen) screen = QGuiApplication::primaryScreen();
  Frame frame{x, y, double(width()), double(height())};
  if (screen) {
    const QRect visible = screen->availableGeometry();
    frame = place(frame, Frame{double(visible.x()), double(visible.y()), double(visible.width()),
                               double(visible.height())});
  }
  move(int(frame.x), int(frame.y));
  QWidget::show();
  raise();
  activateWindow();
  setFocus(Qt::PopupFocusReason);
}

void DefinitionWidget::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape || event->key() == Qt::Key_D) return void(close());
  QWidget::keyPressEvent(event);
}

void DefinitionWidget::paintEvent(QPaintEvent*) {
  slotGuard("Error drawing a definition: ", [&] {
    QPainter painter(this);
    painter.fillRect(rect(), palette().base());
    painter.setPen(palette().mid().color());
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    const int lineWidth = width() * 3 / 4;
    for (size_t i = 0; i + 1 < m_blocks.size(); ++i) {
      const int y = m_blocks[i]->geometry().bottom() + 1 + ENTRY_GAP / 2;
      painter.fillRect(QRect((width() - lineWidth) / 2, y, lineWidth, 1), Qt::lightGray);
    }
  });
}
