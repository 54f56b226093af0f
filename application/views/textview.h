// The document text view as its controller sees it (desktop-ui's TextViewWidget): a drawing surface with
// its own vertical scroller, a drag-scroll timer and the word popup menu. It reports every mouse, wheel and
// key event to its TextViewDelegate and draws what the delegate's layout, highlighter and styles say.
// Coordinates are the view's own (y grows downwards); screen points are Qt global logical pixels. Main thread
// only.
#pragma once

#include <cstdint>

class LineBreaker;
class TextViewDelegate;
struct FontDescription;

class TextView {
public:
  // The bits of a popup-menu state (showPopupMenu).
  enum MenuState : int {
    HasUnknownWords = 1, // the document holds a word the current list does not know
    HasKnownWords = 2,   // ... and one it knows
    OnSelection = 4,     // the menu acts on the selected text
    OnWord = 8,          // the right-click hit a word
    WordKnown = 16,      // the current list holds the menu word as a whole word
  };

  virtual ~TextView() = default;
  // Not owned; null ignores events.
  virtual void setDelegate(TextViewDelegate* delegate) = 0;
  // The breaker that lays out the view's text in its font; owned by the view.
  virtual LineBreaker& lineBreaker() = 0;
  // Builds the popup menu for the state bits and shows it at the view point (x, y).
  virtual void showPopupMenu(int state, double x, double y) = 0;
  // -1 while a drag-scroll runs upwards, 1 downwards, 0 otherwise.
  virtual int dragScrollAmount() const = 0;
  // The area the text is drawn in (the scroller not included); 0 before the view has a size.
  virtual double viewWidth() const = 0;
  virtual double viewHeight() const = 0;
  // A view point in screen coordinates.
  virtual void toScreen(double& x, double& y) const = 0;
  // Moves the scroller to offset's place in the scrollable range and returns offset.
  virtual uint64_t setScrollPosition(uint64_t offset) = 0;
  // The scroller's range and knob for a document of maxPosition bytes whose last page takes pageSize bytes
  // (all bits set: no page is known); then its place from position. Returns position.
  virtual uint64_t updateScrollPosition(uint64_t position, uint64_t pageSize, uint64_t maxPosition) = 0;
  // Schedules drawing of what changed since the last drawing.
  virtual void redraw() = 0;
  // Makes the view take the keyboard focus.
  virtual void setFocus() = 0;

  // The reading font. Sizes are kept within AppearanceConfig's range. setFont looks the family up (a
  // missing one gives the default reading font) and lays the text out again.
  virtual void setFont(FontDescription const& font) = 0;
  virtual double fontSize() const = 0;
  // One point bigger or smaller.
  virtual void increaseFont() = 0;
  virtual void decreaseFont() = 0;
  // The current family at 16 points.
  virtual void resetFont() = 0;
  // Sets a font chosen in a font chooser (its size clamped) and writes back what was set, for the settings.
  virtual void formatFont(FontDescription& font) = 0;
};
