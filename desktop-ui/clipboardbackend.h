// The core's Clipboard on QClipboard: UTF-8 in and out. QClipboard belongs to the GUI thread: called from any
// other thread, every operation throws Clipboard::open_error (the paster reads on the GUI thread for this).
// Installed by PlatformServices.
#pragma once

#include "views/clipboard.h"

class ClipboardBackend : public Clipboard::Backend {
public:
  bool hasText() const override;
  Text text() const override;
  void setText(Span const& text) override;
};
