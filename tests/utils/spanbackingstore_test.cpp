#include "utils/spanbackingstore.h"

#include <gtest/gtest.h>

#include <string>

TEST(SpanBackingStoreTest, CopiesIntoTheFirstStoreWithRoomToSpare) {
  SpanBackingStore arena(10, 1);
  const Span a = arena.addSpan(Span("abcd"));
  EXPECT_EQ(a.view(), "abcd");
  EXPECT_EQ(arena.storeCount(), 1u);
  // 4 + 6 is the store's size exactly: that does not fit.
  const Span b = arena.addSpan(Span("efghij"));
  EXPECT_EQ(arena.storeCount(), 2u);
  EXPECT_NE(b.data, a.data + 4);
  // A shorter span still goes into the first store.
  const Span c = arena.addSpan(Span("xyz"));
  EXPECT_EQ(c.data, a.data + 4);
  EXPECT_EQ(a.view(), "abcd"); // no NUL written after a span
  EXPECT_EQ(b.view(), "efghij");
}

TEST(SpanBackingStoreTest, LongSpansGetAStoreOfTheirOwnLength) {
  SpanBackingStore arena(8, 0);
  EXPECT_EQ(arena.storeCount(), 0u);
  const std::string longText(20, 'L');
  const Span s = arena.addSpan(Span(longText));
  EXPECT_EQ(s.view(), longText);
  EXPECT_EQ(arena.bytesReserved(), 20u);
  arena.addSpan(Span("ab"));
  EXPECT_EQ(arena.bytesReserved(), 28u);
}

TEST(SpanBackingStoreTest, ClearReusesTheMemory) {
  SpanBackingStore arena(16, 2);
  const Span first = arena.addSpan(Span("\xE4\xB8\xAD\xE5\x9B\xBD"));
  for (int i = 0; i < 100; ++i)
    arena.addSpan(Span("0123456789"));
  const size_t stores = arena.storeCount();
  arena.clear();
  EXPECT_EQ(arena.addSpan(Span("z")).data, first.data);
  EXPECT_EQ(arena.storeCount(), stores);
}

TEST(SpanBackingStoreTest, EmptySpans) {
  SpanBackingStore arena(4, 1);
  const Span e = arena.addSpan(Span());
  EXPECT_EQ(e.length, 0u);
  EXPECT_EQ(arena.addSpan(Span("abc")).view(), "abc");
}
