// What the core's message boxes and clipboard go through on the desktop: MessageBoxPresenter and
// ClipboardBackend. The program's start-up makes one on the GUI thread right after the GuiApplication and
// keeps it until the event loop has ended; destroying it puts back what was installed before. Tests do not
// make one: they answer boxes through a presenter of their own.
#pragma once

#include <memory>

class PlatformServices {
public:
  PlatformServices();
  ~PlatformServices();
  PlatformServices(PlatformServices const&) = delete;
  PlatformServices& operator=(PlatformServices const&) = delete;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
