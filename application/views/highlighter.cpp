#include "views/highlighter.h"

#include "views/styleid.h"

#include <algorithm>

struct Highlighter::Impl {
  uint64_t hoverStart = 0;
  uint64_t hoverEnd = 0;
  uint64_t anchor = 0;
  uint64_t end = 0;
  // [selectionStart, selectionEnd): the selection in forward order, kept with anchor and end so that
  // styleAt compares only.
  uint64_t selectionStart = 0;
  uint64_t selectionEnd = 0;
  StyleManager* styles = nullptr;

  void orderSelection() {
    selectionStart = std::min(anchor, end);
    selectionEnd = std::max(anchor, end);
  }
};

Highlighter::Highlighter() : impl(std::make_unique<Impl>()) {}
Highlighter::~Highlighter() = default;

void Highlighter::setHover(uint64_t start, uint64_t end) {
  impl->hoverStart = start;
  impl->hoverEnd = end;
}

void Highlighter::setSelection(uint64_t anchor, uint64_t end) {
  impl->anchor = anchor;
  impl->end = end;
  impl->orderSelection();
}

void Highlighter::setSelectionAnchor(uint64_t anchor) {
  setSelection(anchor, impl->end);
}

void Highlighter::setSelectionEnd(uint64_t end) {
  setSelection(impl->anchor, end);
}

void Highlighter::clearSelection() {
  setSelection(0, 0);
}

uint64_t Highlighter::selectionAnchor() const {
  return impl->anchor;
}
uint64_t Highlighter::selectionEnd() const {
  return impl->end;
}

void Highlighter::setStyles(StyleManager* styles) {
  impl->styles = styles;
}
StyleManager* Highlighter::styles() const {
  return impl->styles;
}

int Highlighter::styleAt(uint64_t attribute, uint64_t offset) const {
  Impl const& h = *impl;
  if (offset >= h.selectionStart && offset < h.selectionEnd) return StyleId::Selection;
  const int own = int(attribute >> 32);
  if ((attribute & WORD) && offset >= h.hoverStart && offset < h.hoverEnd)
    return own == StyleId::Unknown ? StyleId::HoverUnknown : StyleId::Hover;
  return own;
}
