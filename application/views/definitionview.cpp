#include "views/definitionview.h"

DefinitionView::Frame DefinitionView::place(Frame popup, Frame const& visible) {
  if (popup.x + popup.width > visible.x + visible.width)
    popup.x = visible.x + visible.width - SCREEN_INSET - popup.width;
  if (popup.y + popup.height > visible.y + visible.height)
    popup.y = visible.y + visible.height - SCREEN_INSET - popup.height;
  if (popup.y < visible.y) popup.y = visible.y + SCREEN_INSET;
  return popup;
}
