#include "desktop-ui/closebutton.h"

#include <QPainter>
#include <QPolygonF>

namespace {
// Each arm ends in its corner in a cut this long along both edges.
constexpr double CUT = 2.0;
} // namespace

CloseButton::CloseButton(QWidget* parent) : CustomButton(parent) {
  setFixedSize(SIZE, SIZE);
  setToolTip(QStringLiteral("Close"));
}

void CloseButton::drawState(QPainter& painter, QRect const& rect, State state) {
  QRectF box = QRectF(rect).adjusted(1, 1, -1, -1);
  if (state == Pressed) box.translate(0.5, 0.5);
  const double l = box.left(), t = box.top(), r = box.right(), b = box.bottom();
  const double cx = box.center().x(), cy = box.center().y();
  const QPolygonF cross({{l + CUT, t},
                         {cx, cy - CUT},
                         {r - CUT, t},
                         {r, t + CUT},
                         {cx + CUT, cy},
                         {r, b - CUT},
                         {r - CUT, b},
                         {cx, cy + CUT},
                         {l + CUT, b},
                         {l, b - CUT},
                         {cx - CUT, cy},
                         {l, t + CUT}});
  painter.setRenderHint(QPainter::Antialiasing);
  painter.setPen(Qt::NoPen);
  painter.setBrush(state == Resting ? QColor(128, 128, 128) : palette().color(QPalette::WindowText));
  painter.drawPolygon(cross);
}
