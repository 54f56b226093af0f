// A drawn square push button with hover and pressed states, the base of the tab close button. The click
// rules are QAbstractButton's: a press, a drag out and a release outside sends nothing; dragging back in
// before the release sends one click.
#pragma once

#include <QAbstractButton>

class CustomButton : public QAbstractButton {
public:
  enum State { Resting = 1, Hover = 2, Pressed = 3 };

  explicit CustomButton(QWidget* parent = nullptr);

  // Resting when the mouse is not over the button, Hover when it is, Pressed when it is and the button is
  // down.
  State state() const;

  bool hasHeightForWidth() const override { return true; }
  int heightForWidth(int width) const override { return width; }
  QSize sizeHint() const override { return {16, 16}; }

protected:
  // The drawing hook: the base fills rect with the text colour, the highlight colour or the base colour.
  virtual void drawState(QPainter& painter, QRect const& rect, State state);

  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;

private:
  void detectHover();

  bool hover = false;
};
