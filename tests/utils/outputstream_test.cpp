#include "utils/outputstream.h"

#include "openssl/sha1.h"
#include "support/germanlocale.h"
#include "utils/memoryoutputstream.h"
#include "utils/text.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

// Records every write call separately.
class RecordingStream : public OutputStream {
public:
  size_t write(const void* data, size_t size) override {
    writes.emplace_back(static_cast<const char*>(data), size);
    return size;
  }
  std::string all() const {
    std::string s;
    for (auto& w : writes)
      s += w;
    return s;
  }
  std::vector<std::string> writes;
};

template <typename V> std::string written(V const& value) {
  RecordingStream out;
  out << value;
  EXPECT_LE(out.writes.size(), 1u) << "one write per value";
  return out.all();
}

using qmtest::GermanLocale;

} // namespace

TEST(OutputStreamTest, TextAndSpans) {
  const char* abc = "abc";
  const struct {
    const char* name;
    std::function<void(OutputStream&)> write;
    std::vector<std::string> writes;
  } cases[] = {
      {"null pointer, length 5", [](OutputStream& o) { o << Span(nullptr, 5); }, {}},
      {"valid pointer, length 0", [&](OutputStream& o) { o << Span(abc, 0); }, {}},
      {"span", [&](OutputStream& o) { o << Span(abc, 2); }, {"ab"}},
      {"null C string", [](OutputStream& o) { o << static_cast<const char*>(nullptr); }, {}},
      {"empty C string", [](OutputStream& o) { o << ""; }, {}},
      {"C string", [](OutputStream& o) { o << "\xE4\xB8\xAD"; }, {"\xE4\xB8\xAD"}},
      {"null Text", [](OutputStream& o) { o << Text(); }, {}},
      {"Text", [](OutputStream& o) { o << Text("t"); }, {"t"}},
      {"byte", [](OutputStream& o) { o << static_cast<unsigned char>('\n'); }, {"\n"}},
      {"NEWLINE", [](OutputStream& o) { o << System::NEWLINE; }, {"\n"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordingStream out;
    c.write(out);
    EXPECT_EQ(out.writes, c.writes);
  }
}

TEST(OutputStreamTest, Numbers) {
  EXPECT_EQ(written(3000000000ul), "3000000000");
  EXPECT_EQ(written(0ul), "0");
  EXPECT_EQ(written(Format::SizeT{18446744073709551615ull}), "18446744073709551615");
  EXPECT_EQ(written(Format::Int{-5}), "-5");
  EXPECT_EQ(written(Format::Int{-2147483647 - 1}), "-2147483648");
  const struct {
    double value;
    int precision, width;
    const char* text;
  } cases[] = {
      {3.14159, 2, 8, "    3.14"}, {3.14159, 2, -8, "3.14    "}, {2.5, 1, 0, "2.5"},
      {-2.5, 0, 0, "-2"},          {0.125, 2, 0, "0.12"},        {1e20, 1, 3, "100000000000000000000.0"},
      {1.0, -1, 0, "1.000000"}, // a negative precision is printf's default
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(written(Format::Double{c.value, c.precision, c.width}), c.text);
    char expected[64];
    std::snprintf(expected, sizeof expected, "%*.*f", c.width, c.precision, c.value);
    EXPECT_STREQ(expected, c.text) << "printf agrees";
  }
  EXPECT_EQ(written(Format::Float{2.5f, 1, 0}), "2.5");
  EXPECT_EQ(written(Format::Float{0.1f, 9, 0}), "0.100000001"); // widened to double
}

TEST(OutputStreamTest, StoredNumbersUseTheCLocale) {
  GermanLocale german;
  if (!german.active()) GTEST_SKIP() << "no German locale on this machine";
  char check[16];
  std::snprintf(check, sizeof check, "%.1f", 2.5);
  ASSERT_STREQ(check, "2,5") << "the process locale writes a decimal comma";
  EXPECT_EQ(written(Format::Double{1234.5, 2, 0}), "1234.50");
  EXPECT_EQ(written(Format::Float{2.5f, 1, 6}), "   2.5");
  double back = 0;
  EXPECT_TRUE(Format::parseDouble(Span("   1234.50"), back));
  EXPECT_EQ(back, 1234.5);
}

TEST(OutputStreamTest, ParseDoubleReadsOnlyWhatFixedWrites) {
  const struct {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"3.14", true, 3.14}, {"  -2.5  ", true, -2.5}, {"7", true, 7},     {"1,5", false, 0},
      {"", false, 0},       {"   ", false, 0},        {"2.5x", false, 0}, {"+1", false, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    double v = 0;
    EXPECT_EQ(Format::parseDouble(Span(c.text), v), c.ok);
    if (c.ok) {
      EXPECT_EQ(v, c.value);
    }
  }
  double v = 1;
  EXPECT_FALSE(Format::parseDouble(Span(), v));
  EXPECT_EQ(v, 1);
}

TEST(OutputStreamTest, EveryStreamTakesWhatIsWritten) {
  const std::function<std::unique_ptr<OutputStream>()> makers[] = {
      [] { return std::make_unique<NullOutputStream>(); },
      [] { return std::make_unique<MemoryOutputStream>(1); },
      [] { return std::make_unique<OpenSSL::SHA1::Stream>(); },
  };
  const std::string big(100000, 'q');
  for (size_t i = 0; i < std::size(makers); ++i) {
    SCOPED_TRACE(i);
    auto out = makers[i]();
    EXPECT_EQ(out->write("abc", 3), 3u);
    EXPECT_EQ(out->write(big.data(), big.size()), big.size());
    *out << Format::Int{12} << System::NEWLINE;
  }
}

TEST(MemoryOutputStreamTest, GrowsByHalfAgain) {
  MemoryOutputStream zero(0);
  EXPECT_EQ(zero.capacity(), 4096u);
  const std::string bytes(5000, 'x');
  zero.write(bytes.data(), bytes.size());
  EXPECT_EQ(zero.capacity(), 7500u);
  EXPECT_EQ(zero.view(), bytes);

  MemoryOutputStream m(4);
  m << "abcd";
  EXPECT_EQ(m.capacity(), 4u);
  m << "e";
  EXPECT_EQ(m.capacity(), 7u);
  EXPECT_EQ(m.view(), "abcde");
  m.reserve(100, true);
  EXPECT_EQ(m.view(), "abcde");
  m.reserve(200, false);
  EXPECT_EQ(m.size(), 0u);
  EXPECT_EQ(m.capacity(), 200u);
  EXPECT_EQ(m.write("x", 0), 0u);
}
