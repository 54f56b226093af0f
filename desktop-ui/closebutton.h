// The close button of a tab: a filled cross, grey at rest and in the text colour under the mouse, shifted
// by half a pixel while pressed.
#pragma once

#include "desktop-ui/custombutton.h"

class CloseButton : public CustomButton {
public:
  static constexpr int SIZE = 11;

  explicit CloseButton(QWidget* parent = nullptr);
  QSize sizeHint() const override { return {SIZE, SIZE}; }

protected:
  void drawState(QPainter& painter, QRect const& rect, State state) override;
};
