#include "utils/spanbackingstore.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {
struct BackingStore {
  std::unique_ptr<char[]> data;
  size_t used = 0;
  size_t size = 0;
};
} // namespace

struct SpanBackingStore::Impl {
  std::vector<BackingStore> stores;
  size_t blockSize;
  size_t firstWithRoom = 0; // stores before this one are known to be too full for any further span
};

SpanBackingStore::SpanBackingStore(size_t blockSize, size_t initialStores) : impl(std::make_unique<Impl>()) {
  impl->blockSize = blockSize;
  for (size_t i = 0; i < initialStores; ++i)
    impl->stores.push_back({std::make_unique<char[]>(blockSize), 0, blockSize});
}

SpanBackingStore::~SpanBackingStore() = default;

Span SpanBackingStore::addSpan(Span const& s) {
  auto& stores = impl->stores;
  for (size_t i = impl->firstWithRoom; i < stores.size(); ++i) {
    BackingStore& store = stores[i];
    if (store.used + s.length < store.size) {
      char* at = store.data.get() + store.used;
      if (s.length) std::memcpy(at, s.data, s.length);
      store.used += s.length;
      return Span(at, s.length);
    }
    // A store that cannot take even one more byte never will; skip it from now on.
    if (i == impl->firstWithRoom && store.used + 1 >= store.size) ++impl->firstWithRoom;
  }
  const size_t size = std::max(impl->blockSize, s.length);
  stores.push_back({std::make_unique<char[]>(size), 0, size});
  BackingStore& store = stores.back();
  if (s.length) std::memcpy(store.data.get(), s.data, s.length);
  store.used = s.length;
  return Span(store.data.get(), s.length);
}

void SpanBackingStore::clear() {
  for (auto& s : impl->stores)
    s.used = 0;
  impl->firstWithRoom = 0;
}

size_t SpanBackingStore::storeCount() const {
  return impl->stores.size();
}

size_t SpanBackingStore::bytesReserved() const {
  size_t n = 0;
  for (auto& s : impl->stores)
    n += s.size;
  return n;
}
