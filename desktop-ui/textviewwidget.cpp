// The scroller is driven through its actions only (a page click, an arrow, a knob drag), never through
// valueChanged, so placing it from the controller never echoes back as a scroll.
#include "desktop-ui/textviewwidget.h"

#include "desktop-ui/fontutils.h"
#include "desktop-ui/menubuilder.h"
#include "desktop-ui/qtlinebreaker.h"
#include "desktop-ui/slotguard.h"
#include "desktop-ui/textpainter.h"
#include "views/appearanceconfig.h"
#include "views/fontdescription.h"
#include "views/textviewdelegate.h"
#include "views/textviewmenu.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include <algorithm>
#include <cmath>

struct TextViewWidget::Impl {
  TextViewDelegate* delegate = nullptr; // not owned; null ignores events
  QtLineBreaker breaker;
  TextPainter painter;
  QScrollBar* scroller = nullptr;
  QTimer dragScrollTimer;
  QTimer* idleTimer = nullptr; // after a paint: the delegate's idle work, a slice a turn of the event loop
  double dragScrollAmount = 0; // pixels a tick, < 0 upwards; 0 when idle
  uint64_t scrollableSize = 0; // the bytes the scroller spans
  bool leftDown = false;       // a left press here started what the release ends
  Text fontName{AppearanceConfig::DEFAULT_FONT};
  MenuRunner menuRunner = [](QMenu& menu, QPoint const& at) { menu.exec(at); };

  // The wheel's turn in pixels (> 0 down): a notch scrolls the platform's lines of the page's first line.
  double wheelPixels(QWheelEvent const& event) const {
    if (!event.pixelDelta().isNull()) return -event.pixelDelta().y();
    double line = QFontMetricsF(breaker.font()).height() * breaker.lineSpacing();
    if (delegate && delegate->layout().lineCount() > 0) line = delegate->layout().line(0).height;
    return -event.angleDelta().y() / 120.0 * QApplication::wheelScrollLines() * line;
  }
  void stopDragScroll() {
    dragScrollTimer.stop();
    dragScrollAmount = 0;
  }
};

TextViewWidget::TextViewWidget(QWidget* parent) : QWidget(parent), impl(std::make_unique<Impl>()) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);
  impl->breaker.setFont(FontUtils::font(AppearanceConfig::DEFAULT_FONT, AppearanceConfig::DEFAULT_FONT_SIZE));

  QScrollBar* scroller = impl->scroller = new QScrollBar(Qt::Vertical, this);
  scroller->setObjectName("scroller");
  scroller->setRange(0, SCROLL_RANGE);
  scroller->setPageStep(SCROLL_RANGE);
  scroller->setEnabled(false);
  scroller->installEventFilter(this);
  connect(scroller, &QAbstractSlider::actionTriggered, this, [this](int action) {
    slotGuard("Error scrolling the text: ", [&] {
      QScrollBar* s = impl->scroller;
      const int step = int(SCROLL_RANGE * TRACK_STEP);
      switch (action) {
      case QAbstractSlider::SliderSingleStepAdd:
      case QAbstractSlider::SliderSingleStepSub:
        s->setSliderPosition(s->value());
        if (impl->delegate)
          impl->delegate->scrollLines(*this, action == QAbstractSlider::SliderSingleStepAdd ? 1 : -1);
        return;
      case QAbstractSlider::SliderPageStepAdd:
      case QAbstractSlider::SliderPageStepSub:
        s->setSliderPosition(s->value() + (action == QAbstractSlider::SliderPageStepAdd ? step : -step));
        break;
      case QAbstractSlider::SliderMove:
      case QAbstractSlider::SliderToMinimum:
      case QAbstractSlider::SliderToMaximum:
        break;
      default:
        return;
      }
      const double fraction = std::max(double(s->sliderPosition()) / SCROLL_RANGE, 0.0);
      if (impl->delegate) impl->delegate->scrollTo(*this, uint64_t(double(impl->scrollableSize) * fraction));
    });
  });

  impl->dragScrollTimer.setInterval(DRAG_SCROLL_INTERVAL_MS);
  connect(&impl->dragScrollTimer, &QTimer::timeout, this, [this] {
    slotGuard("Error scrolling the text: ", [&] {
      if (impl->delegate) impl->delegate->onScrollWheel(*this, impl->dragScrollAmount);
    });
  });

  // Started when a paint ends, so the step that asked for the paint never waits for it; events that come
  // meanwhile wait for one slice at most.
  QTimer* idle = impl->idleTimer = new QTimer(this);
  idle->setObjectName("idleTimer");
  idle->setSingleShot(true);
  idle->setInterval(0);
  connect(idle, &QTimer::timeout, this, [this] {
    slotGuard("Error preparing the text: ", [&] {
      if (impl->delegate && impl->delegate->onIdle(*this)) impl->idleTimer->start();
    });
  });
}

TextViewWidget::~TextViewWidget() = default;

void TextViewWidget::setDelegate(TextViewDelegate* delegate) {
  impl->delegate = delegate;
  impl->painter.invalidate();
  if (delegate) delegate->resize(*this, viewWidth(), viewHeight());
  update();
}

TextViewDelegate* TextViewWidget::delegate() const {
  return impl->delegate;
}

LineBreaker& TextViewWidget::lineBreaker() {
  return impl->breaker;
}

std::unique_ptr<QMenu> TextViewWidget::popupMenu(int state) {
  return MenuBuilder::build(QStringLiteral("TextView"), TextViewMenu::build(state, impl->delegate, *this),
                            [this](int tag) {
                              if (impl->delegate) impl->delegate->onMenuCommand(*this, tag);
                            });
}

void TextViewWidget::setMenuRunner(MenuRunner runner) {
  impl->menuRunner = std::move(runner);
}

void TextViewWidget::showPopupMenu(int state, double x, double y) {
  QWidget::setFocus(Qt::PopupFocusReason);
  const std::unique_ptr<QMenu> menu = popupMenu(state);
  impl->menuRunner(*menu, mapToGlobal(QPointF(x, y)).toPoint());
}

int TextViewWidget::dragScrollAmount() const {
  return impl->dragScrollAmount < 0 ? -1 : (impl->dragScrollAmount > 0 ? 1 : 0);
}

double TextViewWidget::viewWidth() const {
  return std::max(0, width() - impl->scroller->sizeHint().width());
}

double TextViewWidget::viewHeight() const {
  return height();
}

void TextViewWidget::toScreen(double& x, double& y) const {
  const QPointF global = mapToGlobal(QPointF(x, y));
  x = global.x();
  y = global.y();
}

uint64_t TextViewWidget::setScrollPosition(uint64_t offset) {
  const uint64_t size = impl->scrollableSize;
  const double fraction = size == 0 ? 0.0 : std::min(double(offset) / double(size), 1.0);
  const QSignalBlocker quiet(impl->scroller);
  impl->scroller->setValue(int(std::lround(fraction * SCROLL_RANGE)));
  return offset;
}

uint64_t TextViewWidget::updateScrollPosition(uint64_t position, uint64_t pageSize, uint64_t maxPosition) {
  // No page known (all bits set) or a page larger than the document: nothing to scroll, not a wrapped size.
  impl->scrollableSize = pageSize > maxPosition ? 0 : maxPosition - pageSize + 1;
  const double proportion = maxPosition == 0 ? 1.0 : double(pageSize) / double(maxPosition);
  {
    const QSignalBlocker quiet(impl->scroller);
    // Qt sizes the knob as pageStep / (range + pageStep).
    impl->scroller->setPageStep(
        proportion < 1.0 ? int(std::clamp(SCROLL_RANGE * proportion / (1.0 - proportion), 1.0, 1e9))
                         : SCROLL_RANGE);
    impl->scroller->setEnabled(proportion < 1.0);
  }
  return setScrollPosition(position);
}

void TextViewWidget::redraw() {
  if (!impl->delegate) return update();
  const QRegion changed = impl->painter.changes(*impl->delegate, QRectF(0, 0, viewWidth(), viewHeight()));
  if (!changed.isEmpty()) update(changed);
}

void TextViewWidget::setFocus() {
  QWidget::setFocus(Qt::OtherFocusReason);
}

void TextViewWidget::setFont(FontDescription const& font) {
  impl->fontName = font.name;
  impl->breaker.setFont(FontUtils::font(font.name.c_str(), AppearanceConfig::clampFontSize(font.size)));
  if (impl->delegate) impl->delegate->relayout(*this);
}

double TextViewWidget::fontSize() const {
  return impl->breaker.font().pointSizeF();
}

void TextViewWidget::increaseFont() {
  setFont(FontDescription{impl->fontName, fontSize() + 1});
}

void TextViewWidget::decreaseFont() {
  setFont(FontDescription{impl->fontName, fontSize() - 1});
}

void TextViewWidget::resetFont() {
  setFont(FontDescription{impl->fontName, RESET_FONT_SIZE});
}

void TextViewWidget::formatFont(FontDescription& font) {
  font.size = AppearanceConfig::clampFontSize(font.size);
  if (!FontUtils::hasFamily(font.name.c_str())) font.name = AppearanceConfig::DEFAULT_FONT;
  setFont(font);
}

QScrollBar* TextViewWidget::scroller() const {
  return impl->scroller;
}

uint64_t TextViewWidget::scrollableSize() const {
  return impl->scrollableSize;
}

void TextViewWidget::paintEvent(QPaintEvent* event) {
  slotGuard("Error drawing the text: ", [&] {
    QPainter painter(this);
    const QRectF area(0, 0, viewWidth(), viewHeight());
    if (impl->delegate) {
      impl->painter.paint(painter, event->rect(), *impl->delegate, area);
      impl->idleTimer->start();
    } else {
      painter.fillRect(event->rect(), palette().base());
    }
  });
}

void TextViewWidget::resizeEvent(QResizeEvent*) {
  slotGuard("Error laying out the text: ", [&] {
    const int scrollerWidth = impl->scroller->sizeHint().width();
    impl->scroller->setGeometry(width() - scrollerWidth, 0, scrollerWidth, height());
    if (impl->delegate) impl->delegate->resize(*this, viewWidth(), viewHeight());
  });
}

void TextViewWidget::mousePressEvent(QMouseEvent* event) {
  slotGuard("Error handling a click in the text: ", [&] {
    TextViewDelegate* d = impl->delegate;
    const QPointF at = event->position();
    const bool control = event->modifiers() & Qt::ControlModifier;
    if (!d) return event->ignore();
    if (event->button() == Qt::RightButton || (event->button() == Qt::LeftButton && control))
      return d->onRightButtonDown(*this, at.x(), at.y());
    if (event->button() != Qt::LeftButton) return event->ignore();
    impl->leftDown = true;
    d->onLeftButtonDown(*this, at.x(), at.y());
    redraw();
  });
}

// Qt reports the second press of a double click here and the third as a plain press: odd counts are single
// clicks, even ones double clicks.
void TextViewWidget::mouseDoubleClickEvent(QMouseEvent* event) {
  slotGuard("Error handling a double click in the text: ", [&] {
    if (!impl->delegate || event->button() != Qt::LeftButton) return event->ignore();
    impl->leftDown = true;
    const QPointF at = event->position();
    impl->delegate->onLeftButtonDoubleClick(*this, event->modifiers() & Qt::ShiftModifier, at.x(), at.y());
  });
}

void TextViewWidget::mouseReleaseEvent(QMouseEvent* event) {
  slotGuard("Error handling a click in the text: ", [&] {
    if (event->button() != Qt::LeftButton || !impl->leftDown) return;
    impl->leftDown = false;
    impl->stopDragScroll();
    if (impl->delegate) impl->delegate->onLeftButtonUp(*this);
  });
}

void TextViewWidget::mouseMoveEvent(QMouseEvent* event) {
  slotGuard("Error following the mouse in the text: ", [&] {
    TextViewDelegate* d = impl->delegate;
    if (!d) return event->ignore();
    const QPointF at = event->position();
    if (!(impl->leftDown && (event->buttons() & Qt::LeftButton)))
      return d->onMouseMoved(*this, at.x(), at.y());
    const double amount = at.y() < 0 ? at.y() : (at.y() >= viewHeight() ? at.y() - viewHeight() : 0);
    if (amount != 0) {
      impl->dragScrollAmount = amount;
      if (!impl->dragScrollTimer.isActive()) impl->dragScrollTimer.start();
      return;
    }
    impl->stopDragScroll();
    d->onMouseDragged(*this, at.x(), at.y());
  });
}

void TextViewWidget::leaveEvent(QEvent*) {
  slotGuard("Error following the mouse in the text: ", [&] {
    if (impl->delegate) impl->delegate->onMouseExited(*this);
  });
}

void TextViewWidget::wheelEvent(QWheelEvent* event) {
  slotGuard("Error scrolling the text: ", [&] {
    TextViewDelegate* d = impl->delegate;
    if (!d) return event->ignore();
    d->onScrollWheel(*this, impl->wheelPixels(*event));
    const QPointF at = event->position();
    d->onMouseMoved(*this, at.x(), at.y());
  });
}

void TextViewWidget::keyPressEvent(QKeyEvent* event) {
  bool used = false;
  slotGuard("Error handling a key in the text: ", [&] {
    TextViewDelegate* d = impl->delegate;
    if (!d) return;
    const bool plain = !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    const QString text = event->text();
    if (plain && text.size() == 1 && d->onKeyDown(*this, text.at(0).unicode())) {
      used = true;
      return;
    }
    used = true;
    switch (event->key()) {
    case Qt::Key_Up:
      return d->moveUp(*this);
    case Qt::Key_Down:
      return d->moveDown(*this);
    case Qt::Key_Left:
      return d->moveLeft(*this);
    case Qt::Key_Right:
      return d->moveRight(*this);
    case Qt::Key_PageDown:
      return d->scrollPages(*this, 1);
    case Qt::Key_PageUp:
      return d->scrollPages(*this, -1);
    default:
      used = false;
    }
  });
  if (!used) QWidget::keyPressEvent(event);
}

// The wheel over the scroller scrolls the text as over the text, not by fractions of the document.
bool TextViewWidget::eventFilter(QObject* watched, QEvent* event) {
  if (watched == impl->scroller && event->type() == QEvent::Wheel) {
    slotGuard("Error scrolling the text: ", [&] {
      if (impl->delegate)
        impl->delegate->onScrollWheel(*this, impl->wheelPixels(*static_cast<QWheelEvent*>(event)));
    });
    return true;
  }
  return QWidget::eventFilter(watched, event);
}
