// Plain text on the system clipboard. The desktop installs the backend (QClipboard, used on the GUI thread
// only); without one the clipboard is a text kept in this process, which tests use. X11 and Wayland hold one
// text, so appending an item adds it to that text after a line feed. Main thread only.
#pragma once

#include "utils/exception.h"
#include "utils/span.h"
#include "utils/text.h"

class Clipboard {
public:
  // A clipboard that cannot be opened; nothing raises it on this platform, but the paster reports it.
  ZUN_ERROR(open_error);

  class Backend {
  public:
    virtual ~Backend() = default;
    virtual bool hasText() const = 0;
    virtual Text text() const = 0;
    virtual void setText(Span const& text) = 0;
  };
  // Not owned; null goes back to the in-process text.
  static void setBackend(Backend* backend);

  // handle: the main window's native handle, unused on this platform.
  explicit Clipboard(void* handle = nullptr);

  bool hasText() const;
  // The clipboard's text as UTF-8; empty when it holds none.
  Text text() const;
  // Replaces the clipboard's content. A length with all bits set means up to the terminating NUL.
  void setText(const char* text, unsigned long length);
  void setText(Span const& text);
  // One more item: after a line feed when the clipboard already holds text.
  void appendText(const char* text, unsigned long length);
  void appendText(Span const& text);
};
