#include "desktop-ui/platformservices.h"

#include "desktop-ui/clipboardbackend.h"
#include "desktop-ui/messageboxpresenter.h"

struct PlatformServices::Impl {
  MessageBoxPresenter presenter;
  ClipboardBackend clipboard;
  MessageBox::Presenter* previousPresenter = MessageBox::presenter();
};

PlatformServices::PlatformServices() : impl(std::make_unique<Impl>()) {
  MessageBox::setPresenter(&impl->presenter);
  Clipboard::setBackend(&impl->clipboard);
}

PlatformServices::~PlatformServices() {
  MessageBox::setPresenter(impl->previousPresenter);
  Clipboard::setBackend(nullptr);
}
