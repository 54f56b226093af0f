// The definition popup as the application controller calls it (desktop-ui's DefinitionWidget): a small
// borderless window listing every dictionary entry of a word, opened at a screen point beside the word and
// closed by a click elsewhere, Escape or "d". Points are Qt global logical pixels (top-left origin). Main
// thread only.
#pragma once

#include "utils/span.h"

class Dictionary;
struct DefinitionConfig;

class DefinitionView {
public:
  // A window's place and size on screen.
  struct Frame {
    double x = 0, y = 0, width = 0, height = 0;
    bool operator==(Frame const&) const = default;
  };
  // How far inside the visible area a popup that would leave it is put.
  static constexpr double SCREEN_INSET = 30;

  virtual ~DefinitionView() = default;
  // The one set, or null.
  virtual Dictionary const* dictionary() const = 0;
  // Fonts, tone marks and character set; taken once, at the first lookup.
  virtual void setConfig(DefinitionConfig const& config) = 0;
  // Not owned; must outlive the view or be replaced first.
  virtual void setDictionary(Dictionary const* dictionary) = 0;
  // Looks the word up and builds its entries.
  virtual void setWord(Span const& word) = 0;
  // Opens the popup with its top-left corner at the point, kept on the screen that holds the point.
  virtual void show(double x, double y) = 0;

  // Where a popup whose top-left corner is asked at (popup.x, popup.y) goes on a screen's visible area:
  // past the right edge it moves left to SCREEN_INSET inside it; below the bottom its bottom goes
  // SCREEN_INSET above it; above the top its top goes SCREEN_INSET below it (the top wins over the bottom,
  // so the headword stays in view). The left edge moves nothing.
  static Frame place(Frame popup, Frame const& visible);
};
