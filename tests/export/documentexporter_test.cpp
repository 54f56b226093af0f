#include "export/documentexporter.h"

#include "support/tempdir.h"
#include "text/wordhash.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/filewriter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class DocumentExporterTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* w : {"中国", "中国人", "我们", "hello"})
      words.add(Span(w));
  }

  std::string exported(std::string const& text, std::vector<const char*> markup, bool ok = true) {
    qmtest::writeFile(dir / "doc.txt", text);
    DocumentExporter exporter((dir / "doc.txt").c_str());
    exporter.setWordHash(&words);
    markup.resize(8, nullptr);
    exporter.configure(markup[0], markup[1], markup[2], markup[3], markup[4], markup[5], markup[6],
                       markup[7]);
    MemoryOutputStream out;
    EXPECT_EQ(exporter.exportData(out), ok);
    return std::string(out.view());
  }

  qmtest::TempDir dir;
  WordHash words{10, nullptr, true};
};

TEST_F(DocumentExporterTest, Unescape) {
  const struct {
    const char* in;
    std::string out;
  } cases[] = {
      {nullptr, ""}, {"a\\nb\\r\\t", "a\nb\r\t"}, {"\\\\n", "\\n"}, {"\\x", "\\x"}, {"end\\", "end"}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.in ? c.in : "null");
    EXPECT_EQ(DocumentExporter::unescape(c.in), c.out);
  }
}

TEST_F(DocumentExporterTest, Markup) {
  const struct {
    std::string text;
    std::vector<const char*> markup;
    std::string expected;
  } cases[] = {
      {"我们\n中国", {"", "", "<p>", "</p>"}, "<p>我们</p>\n<p>中国</p>"},
      {"我们\r\n中国\r\n", {"", "", "<p>", "</p>"}, "<p>我们</p>\r\n<p>中国</p>\r\n<p></p>"},
      {"a\rb", {"", "", "[", "]"}, "[a\rb]"}, // a lone CR is no line end
      {"我们是hello 1", {"<d>", "</d>", "", "", "{", "}"}, "<d>{我们}{是}{hello} {1}</d>"},
      {"中国!", {"", "", "", "", "\\t", "\\n", "(", ")"}, "\t(中)(国)\n!"},
      {"", {"<d>", "</d>", "<p>", "</p>"}, "<d><p></p></d>"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(exported(c.text, c.markup), c.expected);
  }
}

TEST_F(DocumentExporterTest, EveryByteOfTheTextIsWritten) {
  // A text ending in the start of a longer word, or in a cut character, still comes out whole.
  for (std::string text : {"我是中国", "我是中", "abc\xE4\xB8", "\xFF\xFE中", "x\r"}) {
    SCOPED_TRACE(text);
    EXPECT_EQ(exported(text, {}), text);
    const std::string marked = exported(text, {"", "", "", "", "<", ">"});
    std::string stripped;
    for (char c : marked)
      if (c != '<' && c != '>') stripped += c;
    EXPECT_EQ(stripped, text);
  }
}

TEST_F(DocumentExporterTest, RealCorpusWithTheMasterList) {
  const auto path = qmtest::sharedDataDir() / "corpus/pku_test.utf8";
  const std::string text = qmtest::readFile(path);
  DocumentExporter exporter(path.c_str());
  exporter.configure("", "", "<p>", "</p>", "", "", "", "");
  MemoryOutputStream out;
  ASSERT_TRUE(exporter.exportData(out));
  std::string result(out.view()), stripped;
  // The CR LF documents keep their line ends whole, the suffix before them.
  EXPECT_EQ(result.find("\r</p>"), std::string::npos);
  EXPECT_NE(result.find("</p>\r\n<p>"), std::string::npos);
  for (size_t p = 0; p < result.size();) {
    if (result.compare(p, 3, "<p>") == 0)
      p += 3;
    else if (result.compare(p, 4, "</p>") == 0)
      p += 4;
    else
      stripped += result[p++];
  }
  EXPECT_EQ(stripped.size(), text.size());
  EXPECT_TRUE(stripped == text);
}

TEST_F(DocumentExporterTest, Failures) {
  qmtest::writeFile(dir / "doc.txt", "我们");
  DocumentExporter exporter((dir / "doc.txt").c_str());
  exporter.setWordHash(&words);
  FileWriter full("/dev/full", 0);
  EXPECT_FALSE(exporter.exportData(full));
  DocumentExporter missing((dir / "missing.txt").c_str());
  missing.setWordHash(&words);
  MemoryOutputStream out;
  EXPECT_FALSE(missing.exportData(out));
  // A token outside an export writes nothing.
  exporter.processToken(Token{"x", 1, 1, Token::Alpha}, 0);
}

} // namespace
