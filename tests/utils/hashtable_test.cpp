#include "utils/hashtable.h"

#include "utils/spanbackingstore.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <string>
#include <unordered_map>

namespace {
using Table = HashTable<uint64_t>;

std::map<std::string, uint64_t> contents(Table const& t) {
  std::map<std::string, uint64_t> m;
  t.forEach([&](Table::Node n) { EXPECT_TRUE(m.emplace(std::string(n.key.view()), n.value).second); });
  return m;
}
} // namespace

// Random inserts, look-ups, removals and clears over few buckets and a small alphabet of CJK characters
// (long chains, shared prefixes, repeats) agree with the standard library's map. With inline room, a short
// key may come from a buffer the caller overwrites at once: the table keeps its own copy behind the node.
TEST(HashTableTest, AgreesWithUnorderedMapUnderRandomOperations) {
  const std::vector<std::string> alphabet = {"\xE4\xB8\xAD", "\xE5\x9B\xBD", "\xE4\xBA\xBA", "a",
                                             "\xF0\xA0\x80\x80"};
  for (size_t inlineBytes : {size_t(0), size_t(16)}) {
    SCOPED_TRACE(inlineBytes);
    std::mt19937 random(12345);
    SpanBackingStore arena(4096, 1);
    Table t(5, inlineBytes);
    std::unordered_map<std::string, uint64_t> model;
    EXPECT_EQ(t.find(Span()), nullptr);
    t.insert(Span("", 0), 7); // the empty key is a key
    EXPECT_EQ(t.find(Span())->value, 7u);
    model.emplace("", 7);
    char scratch[64];
    for (int step = 0; step < 40000; ++step) {
      std::string k;
      for (int n = int(random() % 5); n >= 0; --n)
        k += alphabet[random() % alphabet.size()];
      const int op = int(random() % 100);
      if (op < 50) {
        const bool copied = !t.find(Span(k)) && k.size() <= inlineBytes;
        std::memcpy(scratch, k.data(), k.size());
        const Span stored = t.find(Span(k)) ? Span(k)
                            : copied        ? Span(scratch, k.size())
                                            : arena.addSpan(Span(k));
        auto* node = t.insert(stored, uint64_t(step));
        std::memset(scratch, '#', sizeof scratch);
        model.emplace(k, uint64_t(step));
        ASSERT_EQ(node->value, model[k]) << k;
      } else if (op < 80) {
        t.remove(Span(k));
        model.erase(k);
      } else if (op < 99) {
        auto* node = t.find(Span(k));
        auto it = model.find(k);
        ASSERT_EQ(node != nullptr, it != model.end()) << k;
        if (node) {
          ASSERT_EQ(node->value, it->second);
          ASSERT_EQ(node->key.view(), k);
        }
      } else {
        t.clear();
        arena.clear();
        model.clear();
      }
      ASSERT_EQ(t.size(), model.size());
    }
    const auto all = contents(t);
    EXPECT_EQ(all.size(), model.size());
    for (auto& [k, v] : model)
      EXPECT_EQ(all.at(k), v);
  }
}

TEST(HashTableTest, KeysWithTheSameHashAreToldApartByTheirBytes) {
  // The same 32-bit FNV-1a hash and the same length.
  const std::string a = "中\xE7\x81\xA3\xE6\x9A\x96", b = "中\xE9\x92\xB6\xE8\xAA\xA2";
  ASSERT_EQ(fnv1a::hash(Span(a.data(), a.size())), fnv1a::hash(Span(b.data(), b.size())));
  for (size_t inlineBytes : {size_t(0), size_t(32)}) {
    HashTable<uint64_t> t(8, inlineBytes);
    t.insert(Span(a.data(), a.size()), 1);
    EXPECT_EQ(t.find(Span(b.data(), b.size())), nullptr);
    t.insert(Span(b.data(), b.size()), 2);
    EXPECT_EQ(t.find(Span(a.data(), a.size()))->value, 1u);
    EXPECT_EQ(t.find(Span(b.data(), b.size()))->value, 2u);
    EXPECT_EQ(t.size(), 2u);
  }
}
