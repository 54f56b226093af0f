#include "utils/text.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

TEST(TextTest, CopyMoveAndNull) {
  Text a("hello");
  Text b = a;
  EXPECT_EQ(b, "hello");
  EXPECT_NE(a.data(), b.data());
  Text c = std::move(a);
  EXPECT_EQ(c, "hello");
  EXPECT_STREQ(a.c_str(), ""); // a moved-from or null Text reads as ""
  EXPECT_EQ(a.data(), nullptr);
  b = b; // self-assignment keeps the text
  EXPECT_EQ(b, "hello");
  b = Span("xy", 1);
  EXPECT_EQ(b, "x");
  Text n(nullptr);
  EXPECT_TRUE(n.empty());
  EXPECT_STREQ(n.c_str(), "");
  c = n;
  EXPECT_TRUE(c.empty());
}

TEST(TextTest, AssignmentOwnsItsCopy) {
  std::string source = "\xE4\xB8\xAD\xE6\x96\x87";
  Text t;
  t = Span(source);
  source[0] = 'x';
  EXPECT_EQ(t.view(), "\xE4\xB8\xAD\xE6\x96\x87");
  EXPECT_EQ(t.length(), 6u);
  t = t.c_str() + 3; // from its own bytes
  EXPECT_EQ(t, "\xE6\x96\x87");
  t = Span(t.data(), 0);
  EXPECT_TRUE(t.empty());
  EXPECT_STREQ(t.c_str(), "");
  t = static_cast<const char*>(nullptr);
  EXPECT_EQ(t.data(), nullptr);
  Text embedded("a\0b", 3);
  EXPECT_EQ(embedded.length(), 3u);
  EXPECT_EQ(embedded.view(), std::string_view("a\0b", 3));
}

TEST(TextTest, MovesAndCopiesInContainers) {
  // Reallocation moves every element; a double free or a lost text shows here (and under ASan).
  std::vector<Text> texts;
  for (int i = 0; i < 100; ++i)
    texts.emplace_back(std::to_string(i).c_str());
  texts.insert(texts.begin(), Text());
  std::vector<Text> copy = texts;
  for (int i = 0; i < 100; ++i)
    EXPECT_EQ(copy[size_t(i) + 1], std::to_string(i).c_str());
  Text a("a"), b("b");
  std::swap(a, b);
  EXPECT_EQ(a, "b");
  a = std::move(a);
  EXPECT_EQ(a, "b");
  a.clear();
  a.clear();
  EXPECT_STREQ(a.c_str(), "");
}

TEST(TextTest, CopyToCuts) {
  const Text t("\xE4\xB8\xAD");
  char out[4];
  t.copyTo(out, 3);
  EXPECT_STREQ(out, "");
  t.copyTo(out, 4);
  EXPECT_STREQ(out, "\xE4\xB8\xAD");
  Text().copyTo(out, 4);
  EXPECT_STREQ(out, "");
}
