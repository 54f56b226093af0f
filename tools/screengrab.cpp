// qm-screengrab OUT.png [DELAY_MS]: saves the whole X screen as a picture, after an optional wait. For
// looking at the program as a reader sees it under a virtual display:
//   xvfb-run -s '-screen 0 1400x900x24' sh -c 'build/desktop-ui/quillmere FILE & sleep 8;
//                                              build/tools/qm-screengrab shot.png; kill $!'
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QThread>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUT.png [DELAY_MS]\n", argv[0]);
    return 2;
  }
  QGuiApplication app(argc, argv);
  if (argc > 2) QThread::msleep(std::strtoul(argv[2], nullptr, 10));
  QScreen* screen = QGuiApplication::primaryScreen();
  if (!screen || !screen->grabWindow(0).save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "%s: could not grab the screen into %s\n", argv[0], argv[1]);
    return 1;
  }
  return 0;
}
