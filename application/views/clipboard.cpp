#include "views/clipboard.h"

#include "utils/textbuffer.h"

#include <cstring>

namespace {
class ProcessClipboard : public Clipboard::Backend {
public:
  bool hasText() const override { return !content.empty(); }
  Text text() const override { return content; }
  void setText(Span const& text) override { content = Text(text); }

private:
  Text content;
};

ProcessClipboard processClipboard;
Clipboard::Backend* current = &processClipboard;

Span bytes(const char* text, unsigned long length) {
  if (!text) return Span();
  return Span(text, length == ~0UL ? std::strlen(text) : length);
}
} // namespace

void Clipboard::setBackend(Backend* backend) {
  current = backend ? backend : &processClipboard;
}

Clipboard::Clipboard(void*) {}

bool Clipboard::hasText() const {
  return current->hasText();
}

Text Clipboard::text() const {
  return current->text();
}

void Clipboard::setText(const char* text, unsigned long length) {
  setText(bytes(text, length));
}

void Clipboard::setText(Span const& text) {
  current->setText(text);
}

void Clipboard::appendText(const char* text, unsigned long length) {
  appendText(bytes(text, length));
}

void Clipboard::appendText(Span const& text) {
  const Text old = current->text();
  if (old.empty()) return current->setText(text);
  TextBuffer<0> joined;
  joined.append(old.span());
  if (old.c_str()[old.length() - 1] != '\n') joined.append("\n");
  joined.append(text);
  current->setText(joined.span());
}
