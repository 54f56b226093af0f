#include "utils/hashtable.h"

#include "utils/spanbackingstore.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

namespace {
using Table = HashTable<uint64_t>;
static_assert(sizeof(Table::Node) == 32, "a node of an 8-byte value fills half a cache line");

std::string key(int i) {
  return "k" + std::to_string(i);
}

std::map<std::string, uint64_t> contents(Table const& t) {
  std::map<std::string, uint64_t> m;
  t.forEach([&](Table::Node n) { EXPECT_TRUE(m.emplace(std::string(n.key.view()), n.value).second); });
  return m;
}
} // namespace

TEST(HashTableTest, Fnv1a) {
  const struct {
    const char* text;
    uint32_t hash;
  } cases[] = {{"", 0x811C9DC5u}, {"a", 0xE40C292Cu}, {"foobar", 0xBF9CF968u}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(fnv1a::hash(Span(c.text)), c.hash);
  }
}

TEST(HashTableTest, EmptyTableAndEmptyKey) {
  Table t(4);
  EXPECT_EQ(t.find(Span("x")), nullptr);
  EXPECT_EQ(t.find(Span()), nullptr);
  auto* n = t.insert(Span("", 0), 7);
  EXPECT_EQ(t.find(Span()), n);
  EXPECT_EQ(t.find(Span())->value, 7u);
  EXPECT_EQ(t.bucketCount(), 16u);
}

TEST(HashTableTest, PresentKeyReturnsItsOwnNodeFromAnywhereInTheChain) {
  Table t(0); // one bucket: every key shares a chain
  std::vector<std::string> keys = {"\xE4\xB8\xAD", "\xE4\xB8\xAD\xE5\x9B\xBD", "ab", "a"};
  std::vector<Table::Node*> nodes;
  for (size_t i = 0; i < keys.size(); ++i)
    nodes.push_back(t.insert(Span(keys[i]), i));
  EXPECT_EQ(t.inserts, 4u);
  EXPECT_EQ(t.collisions, 3u);
  for (size_t i = 0; i < keys.size(); ++i) {
    SCOPED_TRACE(keys[i]);
    EXPECT_EQ(t.insert(Span(keys[i]), 99), nodes[i]);
    EXPECT_EQ(nodes[i]->value, i);
    EXPECT_EQ(t.hits, i + 1);
    EXPECT_EQ(t.inserts, 4u);
  }
  // A prefix of a stored key is a different key.
  EXPECT_EQ(t.find(Span("\xE4\xB8")), nullptr);
}

TEST(HashTableTest, RemoveRelinksAndTheNextInsertReusesTheNode) {
  Table t(0);
  auto* a = t.insert(Span("a"), 1);
  auto* b = t.insert(Span("b"), 2);
  auto* c = t.insert(Span("c"), 3); // chain: c b a
  t.remove(Span("zz"));
  EXPECT_EQ(t.size(), 3u);
  t.remove(Span("b")); // from the middle
  EXPECT_EQ(t.find(Span("b")), nullptr);
  EXPECT_EQ(t.find(Span("a")), a);
  EXPECT_EQ(t.find(Span("c")), c);
  EXPECT_EQ(t.size(), 2u);
  EXPECT_EQ(t.insert(Span("d"), 4), b);
  t.remove(Span("d")); // the head
  t.remove(Span("a")); // the tail
  EXPECT_EQ(contents(t), (std::map<std::string, uint64_t>{{"c", 3}}));

  Table wide(8);
  wide.insert(Span("only"), 1);
  wide.remove(Span("only"));
  EXPECT_TRUE(contents(wide).empty());
  EXPECT_EQ(wide.find(Span("only")), nullptr);
  wide.remove(Span("only"));
  EXPECT_EQ(wide.inserts, 0u); // never below 0
}

TEST(HashTableTest, ClearedNodesAreReusedBeforeThePool) {
  Table t(10);
  std::vector<std::string> keys;
  for (int i = 0; i < 9000; ++i)
    keys.push_back(key(i));
  for (auto& k : keys)
    t.insert(Span(k), 1);
  const size_t blocks = t.poolBlocks();
  EXPECT_EQ(blocks, 3u);
  t.clear();
  EXPECT_EQ(t.size(), 0u);
  EXPECT_EQ(t.collisions + t.hits + t.inserts, 0u);
  EXPECT_EQ(t.find(Span(keys[0])), nullptr);
  for (auto& k : keys)
    t.insert(Span(k), 2);
  EXPECT_EQ(t.poolBlocks(), blocks);
  EXPECT_EQ(t.size(), keys.size());
  EXPECT_EQ(t.find(Span(keys[8999]))->value, 2u);
}

TEST(HashTableTest, WalksBucketsInOrderAndChainsFromTheHead) {
  Table t(2);
  std::vector<std::string> keys;
  for (int i = 0; i < 20; ++i)
    keys.push_back(key(i));
  for (auto& k : keys)
    t.insert(Span(k), 0);
  // Within a bucket the newest key comes first.
  std::vector<std::pair<uint32_t, int>> order; // bucket, minus the insertion index
  t.forEach([&](Table::Node n) {
    const int index = std::stoi(std::string(n.key.view().substr(1)));
    order.emplace_back(fnv1a::hash(n.key) & 3, -index);
  });
  ASSERT_EQ(order.size(), keys.size());
  EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(HashTableTest, AgreesWithUnorderedMapUnderRandomOperations) {
  // Few buckets and a small alphabet of CJK characters: long chains, shared prefixes, repeats.
  const std::vector<std::string> alphabet = {"\xE4\xB8\xAD", "\xE5\x9B\xBD", "\xE4\xBA\xBA", "a",
                                             "\xF0\xA0\x80\x80"};
  std::mt19937 random(12345);
  SpanBackingStore arena(4096, 1);
  Table t(5);
  std::unordered_map<std::string, uint64_t> model;
  for (int step = 0; step < 40000; ++step) {
    std::string k;
    for (int n = int(random() % 4); n >= 0; --n)
      k += alphabet[random() % alphabet.size()];
    const int op = int(random() % 100);
    if (op < 50) {
      const Span stored = t.find(Span(k)) ? Span(k) : arena.addSpan(Span(k));
      auto* node = t.insert(stored, uint64_t(step));
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

TEST(HashTableTest, HoldsPlainStructValues) {
  struct Levels {
    uint16_t hsk;
    uint16_t tocfl;
  };
  HashTable<Levels> t(3);
  t.insert(Span("\xE4\xB8\xAD"), Levels{1, 2});
  EXPECT_EQ(t.find(Span("\xE4\xB8\xAD"))->value.tocfl, 2);
}

TEST(HashTableTest, InlineKeysLiveBehindTheirNodesAndLongKeysStayWithTheOwner) {
  HashTable<uint64_t> t(2, 16); // four buckets: chains hold several keys
  EXPECT_EQ(t.inlineKeyBytes(), 16u);
  std::vector<std::string> owned;
  for (int i = 0; i < 40; ++i)
    owned.push_back(std::string(size_t(i % 24), char('a' + i % 26)) + std::to_string(i));
  char scratch[64];
  for (size_t i = 0; i < owned.size(); ++i) {
    std::string const& k = owned[i];
    if (k.size() <= 16) {
      // A short key may come from a buffer the caller reuses at once.
      std::memcpy(scratch, k.data(), k.size());
      auto* n = t.insert(Span(scratch, k.size()), i);
      EXPECT_EQ(n->key.data, reinterpret_cast<const char*>(n) + sizeof(*n));
      std::memset(scratch, '#', sizeof scratch);
    } else {
      EXPECT_EQ(t.insert(Span(k.data(), k.size()), i)->key.data, k.data());
    }
  }
  for (size_t i = 0; i < owned.size(); ++i) {
    auto* n = t.find(Span(owned[i].data(), owned[i].size()));
    ASSERT_NE(n, nullptr) << owned[i];
    EXPECT_EQ(n->value, i);
    EXPECT_EQ(n->key.view(), owned[i]);
  }
  EXPECT_EQ(t.find(Span("#")), nullptr);
  // A removed node is reused with the bytes of its new key.
  t.remove(Span(owned[3].data(), owned[3].size()));
  auto* reused = t.insert(Span("fresh"), 99);
  EXPECT_EQ(reused->key.view(), "fresh");
  EXPECT_EQ(t.find(Span(owned[3].data(), owned[3].size())), nullptr);
  EXPECT_EQ(t.find(Span("fresh"))->value, 99u);
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
