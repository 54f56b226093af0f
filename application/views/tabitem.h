// One tab of a tab strip: its title and what it stands for to the strip's owner (for the open documents,
// the Document). The owner keeps it alive while it is in a strip.
#pragma once

#include "utils/text.h"

struct TabItem {
  Text title;           // UTF-8
  void* data = nullptr; // identifies the item to its owner; the strip never reads through it
};
