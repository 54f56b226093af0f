#include "support/logcapture.h"
#include "utils/memoryoutputstream.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"
#include "views/onlinesearchoption.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<OnlineSearchOption> merged(std::vector<std::string> const& files) {
  std::vector<OnlineSearchOption> options;
  for (std::string const& text : files)
    PropertyFile(Utf8Range(text.data(), text.size())) >> options;
  return options;
}

// "name link order" per option, order "none" for NO_ORDER.
std::vector<std::string> described(std::vector<OnlineSearchOption> const& options) {
  std::vector<std::string> lines;
  for (OnlineSearchOption const& o : options)
    lines.push_back(std::string(o.name()) + " " + o.link() + " " +
                    (o.order() == OnlineSearchOption::NO_ORDER ? "none" : std::to_string(o.order())));
  return lines;
}

} // namespace

TEST(OnlineSearchOptionTest, LinkForWord) {
  const struct {
    const char* link;
    const char* word;
    const char* expected;
  } cases[] = {
      {"https://x/?q=%s", "中", "https://x/?q=%E4%B8%AD"}, // UTF-8 bytes, upper-case hex
      {"%s/%s", "ab", "ab/ab"},
      {"100%%", "w", "100%"},
      {"%%s", "w", "%s"},
      {"%%%s", "w", "%w"},
      {"end%", "w", "end%"},
      // The template is the user's text, never a format: other directives stay as they are.
      {"%d%n%x%p%.9999f%s", "a b", "%d%n%x%p%.9999fa%20b"},
      {"%s", "a-._~Z9/?&=", "a-._~Z9%2F%3F%26%3D"},
      {"", "w", ""},
      {"q=%s", "", "q="},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.link);
    EXPECT_EQ(OnlineSearchOption("n", c.link).linkForWord(Span(c.word)), c.expected);
  }
}

TEST(OnlineSearchOptionTest, GroupsReadAndWritten) {
  const std::vector<OnlineSearchOption> options =
      merged({"[Site]\n  link = https://s/%s\n  order = 7\n"
              "[Plain]\n  link = https://p/%s\n"
              "[Wordy]\n  link = https://w/%s\n  order = soon\n"});
  EXPECT_EQ(described(options), (std::vector<std::string>{"Site https://s/%s 7", "Plain https://p/%s none",
                                                          "Wordy https://w/%s none"}));
  MemoryOutputStream out;
  out << options;
  EXPECT_EQ(described(merged({std::string(out.view())})), described(options));
  EXPECT_EQ(OnlineSearchOption(nullptr, nullptr), OnlineSearchOption("", ""));
  // A name that would not read back as the same group is refused, not written broken.
  qmtest::LogCapture log;
  MemoryOutputStream bad;
  bad << OnlineSearchOption("x]\n[y", "l");
  EXPECT_EQ(bad.view(), "");
}

TEST(OnlineSearchOptionTest, MergeKeepsTheFirstNameAndTheSmallerOrder) {
  const std::string shipped = "[B]\n link = lb\n order = 2\n[A]\n link = la\n[C]\n link = lc\n order = 1\n"
                              "[Y]\n link = ly\n order = 3\n[X]\n link = lx\n order = 3\n";
  EXPECT_EQ(described(merged({shipped})),
            (std::vector<std::string>{"C lc 1", "B lb 2", "X lx 3", "Y ly 3", "A la none"}));
  // The same link under another name: the first name stays, with the smaller order (a number beats none).
  const std::string user = "[Other]\n link = la\n order = 5\n[Later]\n link = lb\n order = 9\n"
                           "[B]\n link = lb2\n";
  EXPECT_EQ(described(merged({shipped, user})),
            (std::vector<std::string>{"C lc 1", "B lb 2", "X lx 3", "Y ly 3", "A la 5", "B lb2 none"}));
}
