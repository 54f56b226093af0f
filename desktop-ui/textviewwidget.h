// The document text view: draws the delegate's page (TextPainter), owns its vertical scroller (an integer
// range standing for the fraction of the scrollable bytes), its line breaker and its drag-scroll timer, and
// turns mouse, wheel and key events into TextViewDelegate calls (TextViewController). The word popup menu
// is built from items (TextViewMenu) and shown by a runner, which tests replace so that no menu waits for a
// user. GUI thread only.
#pragma once

#include "views/textview.h"

#include <QWidget>

#include <functional>
#include <memory>

class QMenu;
class QScrollBar;
class QtLineBreaker;

class TextViewWidget : public QWidget, public TextView {
public:
  // The scroller's integer range; its value / SCROLL_RANGE is the fraction of the scrollable bytes.
  static constexpr int SCROLL_RANGE = 1000000;
  static constexpr int DRAG_SCROLL_INTERVAL_MS = 100;
  // A page click in the scroller's track moves this fraction of the range.
  static constexpr double TRACK_STEP = 0.1;
  static constexpr double RESET_FONT_SIZE = 16.0;

  // Shows a built menu at a global point; the default runs it (QMenu::exec).
  using MenuRunner = std::function<void(QMenu& menu, QPoint const& at)>;

  explicit TextViewWidget(QWidget* parent = nullptr);
  ~TextViewWidget() override;

  void setDelegate(TextViewDelegate* delegate) override;
  LineBreaker& lineBreaker() override;
  void showPopupMenu(int state, double x, double y) override;
  int dragScrollAmount() const override;
  double viewWidth() const override;
  double viewHeight() const override;
  void toScreen(double& x, double& y) const override;
  uint64_t setScrollPosition(uint64_t offset) override;
  uint64_t updateScrollPosition(uint64_t position, uint64_t pageSize, uint64_t maxPosition) override;
  void redraw() override;
  void setFocus() override;
  void setFont(FontDescription const& font) override;
  double fontSize() const override;
  void increaseFont() override;
  void decreaseFont() override;
  void resetFont() override;
  void formatFont(FontDescription& font) override;

  TextViewDelegate* delegate() const;
  // The popup menu for the state bits, not shown.
  std::unique_ptr<QMenu> popupMenu(int state);
  void setMenuRunner(MenuRunner runner);
  QScrollBar* scroller() const;
  // The bytes the scroller spans (0 when nothing scrolls).
  uint64_t scrollableSize() const;

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
