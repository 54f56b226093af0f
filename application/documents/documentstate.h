// The view state a document keeps while another one is shown; all 0 when none has been shown.
#pragma once

#include <cstdint>

struct DocumentState {
  uint64_t position = 0; // the byte offset the recent files keep
  uint64_t selectionStart = 0;
  uint64_t selectionEnd = 0;
};
