// Whether the desktop's appearance is dark. Qt 6.4 cannot be asked, so the palette tells: dark when its
// window colour is darker than its window text. The program asks again when the application's palette
// changes (QEvent::ApplicationPaletteChange).
#pragma once

class QPalette;

class DarkMode {
public:
  DarkMode() = delete;

  static bool isDarkMode(QPalette const& palette);
  // Of the application's palette; light without an application.
  static bool isDarkMode();
};
