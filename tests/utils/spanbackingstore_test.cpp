#include "utils/spanbackingstore.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Copies stay as they were whatever is added after them, spans of any length (empty, longer than a store)
// included; after a clear the memory is used again.
TEST(SpanBackingStoreTest, CopiesStayIntact) {
  const std::vector<std::string> texts = {"abcd", "efghij", "xyz", "", std::string(25, 'L'), "\xE4\xB8\xAD"};
  SpanBackingStore arena(10, 1);
  const char* start = nullptr;
  for (int round = 0; round < 2; ++round) {
    arena.clear();
    std::vector<std::pair<Span, std::string>> added;
    for (int i = 0; i < 60; ++i) {
      const std::string text = texts[size_t(i) % texts.size()] + std::to_string(i % 7);
      added.emplace_back(arena.addSpan(Span(text)), text);
    }
    for (auto const& [span, text] : added)
      ASSERT_EQ(span.view(), text);
    EXPECT_EQ(arena.addSpan(Span()).length, 0u);
    if (!start) start = added.front().first.data;
    EXPECT_EQ(added.front().first.data, start);
  }
}
