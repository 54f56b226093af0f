// The one hash table of the system: a fixed power-of-two array of bucket chains keyed by Span, hashed with
// 32-bit FNV-1a. It never grows; its owner picks the size. Key bytes are not owned: the owner copies them
// into a SpanBackingStore (or points into a mapped file) first. A table made with inline key room also
// copies each new key that fits right behind its node, where a look-up compares it without another cache
// miss; such a key's span then points into the node and changes when a removed or cleared node is reused.
// Removed and cleared nodes go to a free list that insert takes from before the pool.
#pragma once

#include "utils/nodepool.h"
#include "utils/span.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <new>
#include <type_traits>

namespace fnv1a {
constexpr uint32_t OFFSET = 0x811C9DC5u;
constexpr uint32_t PRIME = 16777619u;

inline uint32_t extend(uint32_t hash, unsigned char byte) {
  return (hash ^ byte) * PRIME;
}

inline uint32_t hash(const char* data, size_t length, uint32_t h = OFFSET) {
  const auto* p = reinterpret_cast<const unsigned char*>(data);
  for (size_t i = 0; i < length; ++i)
    h = extend(h, p[i]);
  return h;
}
inline uint32_t hash(Span const& s) {
  return hash(s.data, s.length);
}
} // namespace fnv1a

// Zeroed arrays of count pointers. Arrays of 2 MB and more ask for huge pages: look-ups land anywhere in
// them, and with small pages nearly each one would miss the TLB as well as the cache.
void** allocateBuckets(size_t count);
void freeBuckets(void** buckets, size_t count);

template <typename T> class HashTable {
  // Nodes are raw pool memory, copied and dropped without constructors or destructors.
  static_assert(std::is_trivially_copyable_v<T> && std::is_trivially_destructible_v<T>,
                "HashTable values must be trivially copyable and destructible");

public:
  struct Node {
    Node* next;
    Span key;
    T value;
  };
  // Pool blocks come from plain array new.
  static_assert(alignof(Node) <= __STDCPP_DEFAULT_NEW_ALIGNMENT__,
                "HashTable values must not be over-aligned");

  // inlineKeyBytes: room behind each node for the bytes of a key that short (0: none).
  explicit HashTable(uint32_t bits, size_t inlineKeyBytes = 0)
      : buckets(reinterpret_cast<Node**>(allocateBuckets(size_t(1) << bits)), FreeBuckets{size_t(1) << bits}),
        pool(std::make_unique<NodePool>(slotSize(inlineKeyBytes))), bits(bits),
        mask(uint32_t((uint64_t(1) << bits) - 1)), inlineBytes(slotSize(inlineKeyBytes) - sizeof(Node)) {}
  HashTable(HashTable const&) = delete;
  HashTable& operator=(HashTable const&) = delete;

  Node* find(Span const& key) const { return findHashed(key, fnv1a::hash(key)); }

  // For callers that extend the hash a byte at a time (the segmenter).
  Node* findHashed(Span const& key, uint32_t hash) const {
    for (Node* n = buckets[hash & mask]; n; n = n->next)
      if (n->key.length == key.length &&
          (key.length == 0 || std::memcmp(n->key.data, key.data, key.length) == 0))
        return n;
    return nullptr;
  }

  // The key's node: the present one (value unchanged) or a new one at the head of its chain.
  Node* insert(Span const& key, T const& value) { return insertHashed(key, fnv1a::hash(key), value); }

  Node* insertHashed(Span const& key, uint32_t hash, T const& value) {
    Node*& head = buckets[hash & mask];
    for (Node* n = head; n; n = n->next)
      if (n->key.length == key.length &&
          (key.length == 0 || std::memcmp(n->key.data, key.data, key.length) == 0)) {
        ++hits;
        return n;
      }
    if (head) ++collisions;
    ++inserts;
    Node* node;
    if (freeList) {
      node = freeList;
      freeList = freeList->next;
    } else {
      node = static_cast<Node*>(pool->allocate());
    }
    Span stored = key;
    if (key.length && key.length <= inlineBytes) {
      char* bytes = reinterpret_cast<char*>(node) + sizeof(Node);
      std::memcpy(bytes, key.data, key.length);
      stored = Span(bytes, key.length);
    }
    ::new (node) Node{head, stored, value};
    head = node;
    return node;
  }

  void remove(Span const& key) {
    Node** link = &buckets[fnv1a::hash(key) & mask];
    for (Node* n = *link; n; link = &n->next, n = n->next) {
      if (n->key == key) {
        *link = n->next;
        n->next = freeList;
        freeList = n;
        if (inserts) --inserts;
        return;
      }
    }
  }

  // Buckets in index order, each chain from its head. The table must not change during the walk.
  template <typename F> void forEachNode(F&& f) const {
    for (size_t b = 0; b <= mask; ++b)
      for (Node* n = buckets[b]; n; n = n->next)
        f(*n);
  }
  void forEach(std::function<void(Node)> const& f) const {
    forEachNode([&](Node const& n) { f(n); });
  }

  void clear() {
    for (size_t b = 0; b <= mask; ++b) {
      Node* n = buckets[b];
      while (n) {
        Node* next = n->next;
        n->next = freeList;
        freeList = n;
        n = next;
      }
      buckets[b] = nullptr;
    }
    collisions = hits = inserts = 0;
  }

  // The head of a bucket's chain (null when empty); for owners that walk the table with iterators.
  Node* head(size_t bucket) const { return buckets[bucket]; }
  // The head of the chain a hash falls into, for owners that hash their keys themselves.
  Node* headFor(uint32_t hash) const { return buckets[hash & mask]; }
  // Starts loading the bucket of a hash that is likely to be looked up soon.
  void prefetch(uint32_t hash) const { __builtin_prefetch(&buckets[hash & mask]); }

  size_t size() const { return size_t(inserts); }
  uint32_t bitCount() const { return bits; }
  size_t bucketCount() const { return size_t(mask) + 1; }
  size_t poolBlocks() const { return pool->blockCount(); }
  // Keys of at most this many bytes are kept behind their nodes (0 when the table keeps none).
  size_t inlineKeyBytes() const { return inlineBytes; }

  uint64_t collisions = 0; // new keys that went into a bucket that already held a chain
  uint64_t hits = 0;       // inserts that found their key present
  uint64_t inserts = 0;    // nodes linked in

private:
  struct FreeBuckets {
    size_t count;
    void operator()(Node** p) const { freeBuckets(reinterpret_cast<void**>(p), count); }
  };
  // A node and its inline room, in whole multiples of the node's alignment.
  static size_t slotSize(size_t inlineKeyBytes) {
    return (sizeof(Node) + inlineKeyBytes + alignof(Node) - 1) / alignof(Node) * alignof(Node);
  }
  std::unique_ptr<Node*[], FreeBuckets> buckets;
  std::unique_ptr<NodePool> pool;
  Node* freeList = nullptr;
  uint32_t bits;
  uint32_t mask;
  size_t inlineBytes;
};
