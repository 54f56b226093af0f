#include "utils/outputstream.h"

#include "support/testlocale.h"
#include "utils/memoryoutputstream.h"
#include "utils/text.h"

#include <gtest/gtest.h>

#include <clocale>
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
  std::vector<std::string> writes;
};

template <typename V> std::string written(V const& value) {
  RecordingStream out;
  out << value;
  EXPECT_LE(out.writes.size(), 1u) << "one write per value";
  return out.writes.empty() ? "" : out.writes[0];
}

} // namespace

TEST(OutputStreamTest, StoredNumbersUseTheCLocale) {
  qmtest::GermanLocale german;
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
