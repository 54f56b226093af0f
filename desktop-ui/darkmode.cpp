#include "desktop-ui/darkmode.h"

#include <QGuiApplication>
#include <QPalette>

bool DarkMode::isDarkMode(QPalette const& palette) {
  return palette.color(QPalette::Window).lightnessF() < palette.color(QPalette::WindowText).lightnessF();
}

bool DarkMode::isDarkMode() {
  return qGuiApp && isDarkMode(QGuiApplication::palette());
}
