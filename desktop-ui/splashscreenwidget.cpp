#include "desktop-ui/splashscreenwidget.h"

#include "desktop-ui/fontutils.h"
#include "desktop-ui/slotguard.h"
#include "views/splashscreendelegate.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

struct SplashScreenWidget::Impl {
  SplashScreenDelegate* delegate = nullptr; // not owned
  int retryMs;
  QTimer timer;
  QPixmap picture = image();
};

SplashScreenWidget::SplashScreenWidget(int delayMs, int retryMs)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint), impl(std::make_unique<Impl>()) {
  impl->retryMs = retryMs;
  impl->timer.setSingleShot(true);
  impl->timer.setTimerType(Qt::PreciseTimer);
  impl->timer.setInterval(delayMs);
  connect(&impl->timer, &QTimer::timeout, this, [this] {
    slotGuard("Error closing the splash screen: ", [this] {
      if (impl->delegate)
        close();
      else
        impl->timer.start(impl->retryMs);
    });
  });
  setFixedSize(impl->picture.deviceIndependentSize().toSize());
  if (QScreen* s = screen()) {
    QRect frame(QPoint(), size());
    frame.moveCenter(s->geometry().center());
    move(frame.topLeft());
  }
}

SplashScreenWidget::~SplashScreenWidget() = default;

void SplashScreenWidget::setDelegate(SplashScreenDelegate* delegate) {
  impl->delegate = delegate;
}

void SplashScreenWidget::display() {
  QWidget::show();
  raise();
  activateWindow();
  impl->timer.start();
}

void SplashScreenWidget::close() {
  impl->timer.stop();
  hide();
  if (impl->delegate) impl->delegate->splashScreenClosed(*this);
}

void SplashScreenWidget::paintEvent(QPaintEvent*) {
  QPainter(this).drawPixmap(0, 0, impl->picture);
}

// A page of text whose words are tinted by what the reader knows, beside the program's name.
QPixmap SplashScreenWidget::image() {
  const QSize size(520, 300);
  QPixmap picture(size);
  QPainter p(&picture);
  p.setRenderHint(QPainter::Antialiasing);
  QLinearGradient paper(0, 0, 0, size.height());
  paper.setColorAt(0, QColor(0xfb, 0xf7, 0xee));
  paper.setColorAt(1, QColor(0xee, 0xe4, 0xd0));
  p.fillRect(picture.rect(), paper);
  p.setPen(QColor(0xb8, 0xa8, 0x8c)); // the frameless window's edge
  p.drawRect(QRectF(picture.rect()).adjusted(0.5, 0.5, -0.5, -0.5));

  const QRectF page(36, 36, 170, 228);
  p.setPen(QPen(QColor(0xc9, 0xbb, 0xa0), 1));
  p.setBrush(Qt::white);
  p.drawRoundedRect(page, 6, 6);
  const QColor known(0xd8, 0xe8, 0xd4), unknown(0xf2, 0xc4, 0xb4), looked(0xc9, 0xd8, 0xf0),
      ink(0x9a, 0x8f, 0x80);
  const int widths[][4] = {{34, 22, 46, 30}, {22, 50, 28, 24}, {40, 26, 34, 0}, {28, 36, 22, 40},
                           {46, 30, 26, 0},  {24, 40, 30, 28}, {36, 22, 44, 0}, {30, 28, 38, 24}};
  for (int row = 0; row < 8; ++row) {
    double x = page.left() + 16;
    const double y = page.top() + 20 + row * 25;
    for (int word = 0; word < 4 && widths[row][word]; ++word) {
      const int tint = (row * 4 + word) % 7;
      const QColor fill = tint == 2 ? unknown : tint == 5 ? looked : known;
      p.setPen(Qt::NoPen);
      p.setBrush(fill);
      p.drawRoundedRect(QRectF(x, y, widths[row][word], 14), 3, 3);
      p.setBrush(ink);
      p.drawRect(QRectF(x + 4, y + 6, widths[row][word] - 8, 2));
      x += widths[row][word] + 5;
    }
  }

  QFont title = FontUtils::font("Noto Serif CJK SC", 34);
  p.setPen(QColor(0x3a, 0x2f, 0x25));
  p.setFont(title);
  p.drawText(QRectF(232, 80, 270, 60), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Quillmere"));
  QFont glyphs = FontUtils::font("Noto Serif CJK SC", 20);
  p.setFont(glyphs);
  p.setPen(QColor(0xa2, 0x4b, 0x32));
  p.drawText(QRectF(234, 140, 270, 36), Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("读 · 懂 · 记"));
  QFont line = FontUtils::font("Noto Sans CJK SC", 11);
  p.setFont(line);
  p.setPen(QColor(0x6b, 0x5e, 0x50));
  p.drawText(QRectF(234, 186, 270, 40), Qt::AlignLeft | Qt::TextWordWrap,
             QStringLiteral("A reader for Chinese that knows the words you know."));
  return picture;
}
