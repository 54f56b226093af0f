#include "utils/textbuffer.h"

#include <gtest/gtest.h>

#include <functional>

#include <string>
#include <utility>

namespace {
// Formats through the va_list form, as the log and the stream helpers do.
void appendV(TextBuffer<0>& b, const char* fmt, ...) {
  va_list args;
  va_start(args, fmt);
  b.appendFormatV(fmt, args);
  va_end(args);
}
} // namespace

// A fixed buffer stops at its capacity, whatever adds to it; null texts and formats add nothing.
TEST(TextBufferTest, FixedStopsAtCapacity) {
  TextBuffer<1024> b;
  b.append(std::string(1000, 'a').c_str());
  b.appendFormat("%s", std::string(50, 'b').c_str());
  EXPECT_EQ(std::strlen(b.c_str()), 1024u);
  EXPECT_EQ(b.view().substr(1000), std::string(24, 'b'));
  b.append("more");
  EXPECT_EQ(b.length(), 1024u);
  TextBuffer<10> small;
  small.format("%d-%s", 12345, "abcdefghij");
  EXPECT_EQ(small.view(), "12345-abcd");
  small.format(nullptr);
  EXPECT_STREQ(small.c_str(), "");
  small.format("x");
  small.appendFormat(nullptr);
  small.append(static_cast<const char*>(nullptr));
  EXPECT_EQ(small.view(), "x");
}

TEST(TextBufferTest, FixedAssignCutsAtACharacterBoundary) {
  const std::string zhong = "\xE4\xB8\xAD";
  const struct {
    std::string in;
    std::string out;
  } cases[] = {
      {zhong + zhong + zhong, zhong + zhong}, // 9 bytes into 8: the third character is left out whole
      {"ab" + zhong + zhong, "ab" + zhong + zhong}, {"abc" + zhong + zhong, "abc" + zhong}, // 9 bytes
      {"abcdef\xF0\x9F\x98\x80", "abcdef"},         {"", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.in);
    TextBuffer<8> b(Span(c.in));
    EXPECT_EQ(b.view(), c.out);
    EXPECT_EQ(b.length(), c.out.size());
  }
  TextBuffer<8> n(Span(nullptr, 3));
  EXPECT_TRUE(n.empty());
}

// Every operation may take its own text as an argument, whole or in part, with or without room to spare.
TEST(TextBufferTest, OperationsMayReadTheirOwnText) {
  const struct {
    const char* name;
    std::function<std::string(TextBuffer<16>&)> fixed;
    std::function<std::string(TextBuffer<0>&)> growable;
    std::string expected;
  } cases[] = {
      {"format own text", [](auto& b) { return b.format("%s/%s", b.c_str(), "x"), std::string(b.view()); },
       [](auto& b) { return b.format("%s/%s", b.c_str(), "x"), std::string(b.view()); }, "/data/x"},
      {"format own tail", [](auto& b) { return b.format("%s", b.c_str() + 2), std::string(b.view()); },
       [](auto& b) { return b.format("%s", b.c_str() + 2), std::string(b.view()); }, "ata"},
      {"appendFormat own text",
       [](auto& b) { return b.appendFormat("|%s|%s", b.c_str(), b.c_str() + 3), std::string(b.view()); },
       [](auto& b) { return b.appendFormat("|%s|%s", b.c_str(), b.c_str() + 3), std::string(b.view()); },
       "/data|/data|ta"},
      {"assign own text", [](auto& b) { return b.assign(b.span()), std::string(b.view()); },
       [](auto& b) { return b.assign(b.c_str(), b.length()), std::string(b.view()); }, "/data"},
      {"assign own tail", [](auto& b) { return b.assign(Span(b.c_str() + 1, 3)), std::string(b.view()); },
       [](auto& b) { return b.assign(b.c_str() + 1, 3), std::string(b.view()); }, "dat"},
      {"append own text", [](auto& b) { return b.append(b.span()), std::string(b.view()); },
       [](auto& b) { return b.append(b.span()), std::string(b.view()); }, "/data/data"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    TextBuffer<16> fixed(Span("/data"));
    EXPECT_EQ(c.fixed(fixed), c.expected);
    TextBuffer<0> growable("/data"); // room to spare: nothing is reallocated
    EXPECT_EQ(c.growable(growable), c.expected);
  }
  TextBuffer<16> cut(Span("/data/config"));
  cut.appendFormat("|%s", cut.c_str());
  EXPECT_EQ(cut.view(), "/data/config|/da");
}

// The measuring pass must not use up the arguments of the formatting pass; growing keeps the text, also when
// the bytes appended are the buffer's own.
TEST(TextBufferTest, Growable) {
  TextBuffer<0> b;
  const std::string longText(300, 'x');
  appendV(b, "%s|%d|%s", longText.c_str(), 42, "end");
  EXPECT_EQ(b.view(), longText + "|42|end");
  std::string expected(b.view());
  for (int i = 0; i < 1000; ++i) {
    b.append(Span("0123456789"));
    expected += "0123456789";
  }
  EXPECT_EQ(b.view(), expected);
  TextBuffer<0> own("abc");
  std::string owned = "abc";
  for (int i = 0; i < 8; ++i) {
    own.append(own.span()); // forces reallocation while reading from itself
    owned += owned;
  }
  EXPECT_EQ(own.view(), owned);
  TextBuffer<0> f(std::string(99, 'z').c_str());
  f.appendFormat("%s", f.c_str()); // the argument lives in the array that has to grow
  EXPECT_EQ(f.view(), std::string(198, 'z'));
  f.assign(f.buffer() + 190);
  EXPECT_EQ(f.view(), std::string(8, 'z'));
}
