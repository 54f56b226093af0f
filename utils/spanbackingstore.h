// The arena into which hash tables copy the bytes of their keys, so that a node's Span stays valid for the
// table's life. clear() keeps the memory for reuse.
#pragma once

#include "utils/span.h"

#include <memory>

class SpanBackingStore {
public:
  SpanBackingStore(size_t blockSize, size_t initialStores);
  ~SpanBackingStore();
  SpanBackingStore(SpanBackingStore const&) = delete;
  SpanBackingStore& operator=(SpanBackingStore const&) = delete;

  // Copies the bytes (no NUL added) into the first store with room, or a new one.
  Span addSpan(Span const& s);
  void clear();
  size_t storeCount() const;
  size_t bytesReserved() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
