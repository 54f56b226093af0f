// The nine display styles: the same numbers in the display attributes (bits 32-63), the Highlighter, the
// StyleManager and the colour sets of a ColourScheme.
#pragma once

struct StyleId {
  enum Id : int {
    Normal = 0,       // not a word, and the margins
    Hover = 1,        // the word under the mouse or caret
    HoverUnknown = 2, // the same when the word is unknown
    Selection = 3,
    Known = 4,
    CurrentSearch = 5,
    SearchTerm = 6,
    Unknown = 7,
    LookedUp = 8,
  };
  static constexpr int COUNT = 9;
};
