// Chooses the style each character is drawn with: the selection over the word under the mouse or caret over
// the character's own style from the display map. Ranges are byte offsets in the document; the selection may
// run backwards (anchor after end). styleAt runs for every character of every paint: constant time, no
// allocation. Main thread only.
#pragma once

#include <cstdint>
#include <memory>

class StyleManager;

class Highlighter {
public:
  // Of a display attribute: the character belongs to a word; bits 32-63 hold its own style id.
  static constexpr uint64_t WORD = 0x100;

  Highlighter();
  ~Highlighter();
  Highlighter(Highlighter const&) = delete;
  Highlighter& operator=(Highlighter const&) = delete;

  // [start, end): the word under the mouse or caret; an empty range hovers nothing.
  void setHover(uint64_t start, uint64_t end);
  void setSelection(uint64_t anchor, uint64_t end);
  void setSelectionAnchor(uint64_t anchor);
  void setSelectionEnd(uint64_t end);
  // Anchor and end both 0.
  void clearSelection();
  uint64_t selectionAnchor() const;
  uint64_t selectionEnd() const;
  // Not owned; kept for the view, not used for choosing.
  void setStyles(StyleManager* styles);
  StyleManager* styles() const;

  // The style id of the character at the document byte offset whose display attribute is given: Selection
  // inside [min(anchor, end), max(anchor, end)); else, for a word character inside the hover range,
  // HoverUnknown when its own style is Unknown, otherwise Hover; else its own style. The text layout's
  // per-line form passes line.attributes[i] and line.byteOffsets[i].
  int styleAt(uint64_t attribute, uint64_t offset) const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
