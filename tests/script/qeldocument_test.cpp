// qel.Document through real scripts: opening, processing and its errors, lines, legacy encodings, and the
// program's open documents.
#include "documentscripts.h"

#include "support/recode.h"

#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "documents/textdocument.h"
#include "encoding/encodingdetector.h"
#include "encoding/fileconverter.h"
#include "script/qelscriptdocument.h"
#include "text/oldwordlistmanager.h"

#include <filesystem>

namespace {

using qmtest::DocumentScriptTest;
using qmtest::sharedDataDir;
using qmtest::writeFile;

class QelDocumentTest : public DocumentScriptTest {
protected:
  std::string file(std::string const& name, std::string const& content) {
    writeFile(files / name, content);
    return quoted((files / name).string());
  }
  static std::string corpus(const char* name) { return quoted((sharedDataDir() / "corpus" / name).string()); }
  std::unique_ptr<Document> programDocument(std::string const& path) {
    OldWordListManager& words = OldWordListManager::instance();
    return std::make_unique<Document>(path.c_str(), Text("title"), words.privateMasterList(),
                                      words.privateProficiencyLevel(), state->segmentEngine());
  }
};

TEST_F(QelDocumentTest, OpensAndProcessesByDefault) {
  const std::string path = file("a.txt", "我喜欢你。\n");
  EXPECT_EQ(output("local d = qel.Document(" + path + ")\nwrite(tostring(d:hasFinishedProcessing()), " +
                   "#d:allStatistics(), d:name() == " + path + " and ' named' or tostring(d), ' ', " +
                   "tostring(d) == d:name())"),
            "true3 named true");
}

TEST_F(QelDocumentTest, UnprocessedDocumentRefusesStatistics) {
  const std::string path = file("a.txt", "我喜欢你。\n");
  for (const char* method :
       {"knownWords", "unknownWords", "allWords", "knownStatistics", "unknownStatistics", "allStatistics"}) {
    SCOPED_TRACE(method);
    const std::string message =
        failure("local d = qel.Document(" + path +
                ", {process = false})\nassert(not d:hasFinishedProcessing())\nd:" + method + "()");
    EXPECT_NE(message.find(std::string("Document:") + method + " - document has not started processing"),
              std::string::npos)
        << message;
  }
  EXPECT_NE(failure("qel.Document(" + path + ", {process = false}):waitUntilProcessed()")
                .find("Document:waitUntilProcessed - document has not started processing"),
            std::string::npos);
  EXPECT_EQ(output("local d = qel.Document(" + path + ", {process = false})\nd:startProcessing()\n" +
                   "d:waitUntilProcessed()\nwrite(tostring(d:hasFinishedProcessing()), #d:allWords())\n" +
                   "local e = qel.Document(" + path + ", {process = nil})\nwrite(' ', #e:allWords())\n" +
                   "local f = qel.Document(" + path +
                   ", {process = false})\nf:process()\nwrite(' ', #f:allWords())"),
            "true3 3 3");
}

// Opening failures, processing failures included, reach the script as errors, never as empty statistics.
TEST_F(QelDocumentTest, ConstructorErrors) {
  std::filesystem::create_directory(files / "folder");
  const std::string missing = (files / "missing.txt").string();
  const std::string folder = (files / "folder").string();
  expectErrors(
      qmtest::SCRIPT_PRELUDE,
      {
          {"qel.Document(" + quoted(missing) + ")", "Document() - error opening file '" + missing + "'"},
          {"qel.Document(" + quoted(folder) + ")", "Document() - error opening file '" + folder + "'"},
          {"getmetatable(qel.Document).__call({}, 'x')", "Document() - invalid metatable"},
          {"qel.Document(5)", "string expected, got number"},
      });
}

// A run that could not read the whole file (here reported by hand after a good one) is an error for every
// method that needs the statistics, not an empty table.
TEST_F(QelDocumentTest, FailedProcessingIsAnError) {
  writeFile(files / "failed.txt", "我喜欢你。\n");
  const std::string path = (files / "failed.txt").string();
  EncodingDetector detector;
  qelLua::ScriptDocument document(path.c_str(), detector, state->segmentEngine());
  document.processor()->beginProcessing(false);
  ASSERT_FALSE(document.processingFailed());
  document.processingFinished(0, true, 0, 0, OpenSSL::SHA1());
  ASSERT_TRUE(document.processingFailed());
  state->setOpenDocuments({&document});
  for (const char* method : {"allStatistics", "unknownWords", "process", "waitUntilProcessed"}) {
    SCOPED_TRACE(method);
    const std::string message = failure(std::string("qel.openDocuments()[1]:") + method + "()");
    EXPECT_NE(message.find(std::string("Document:") + method + " - error processing file '" + path + "'"),
              std::string::npos)
        << message;
  }
}

TEST_F(QelDocumentTest, Lines) {
  const struct {
    const char* name;
    std::string content;
    bool keepNewlines;
    std::string lines;
  } cases[] = {
      {"CR LF and no final line feed", "第一\r\n\r\n第三", false, "第一||第三"},
      {"kept line ends", "第一\r\n\r\n第三", true, "第一\r\n|\r\n|第三"},
      {"a final line feed starts no line", "a\nb\n", false, "a|b"},
      {"empty file: one empty line", "", false, ""},
      {"empty lines only", "\n\n", false, "|"},
      {"the byte-order mark is not text", "\xEF\xBB\xBF甲\n乙", false, "甲|乙"},
      {"a cut character at the end stays", "a\n\xE4\xB8", false, "a|\xE4\xB8"},
  };
  int n = 0;
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = file("lines" + std::to_string(++n) + ".txt", c.content);
    EXPECT_EQ(output("local d = qel.Document(" + path + ")\nlocal n = 0\nfor l in d:lines(" +
                     (c.keepNewlines ? "true" : "") + ") do n = n + 1 end\nwrite(join(d:lines(" +
                     (c.keepNewlines ? "true" : "") + ")), '#', n)"),
              c.lines + "#" +
                  std::to_string(c.lines.empty() ? 1 : std::count(c.lines.begin(), c.lines.end(), '|') + 1));
  }
}

// A legacy-encoded file is read through a UTF-8 copy: the same lines and statistics as its UTF-8 twin (the
// Big5 file differs from its twin only by one character, normalised here, and the twin's byte-order mark).
TEST_F(QelDocumentTest, LegacyEncodingsMatchTheirUtf8Twins) {
  for (auto const& [legacy, twin] :
       {std::pair{"pku_test.txt", "pku_test.utf8"}, {"cityu_test.txt", "cityu_test.utf8"}}) {
    SCOPED_TRACE(legacy);
    EXPECT_EQ(output(std::string("local a, b = qel.Document(") + corpus(legacy) + "), qel.Document(" +
                     corpus(twin) +
                     R"()
local function same(x) return (tostring(x):gsub("\u{2027}", "\u{2022}")) end
local lines, differ, nextB = 0, 0, b:lines()
for la in a:lines() do
  lines = lines + 1
  if same(la) ~= same(nextB()) then differ = differ + 1 end
end
local extra = nextB() and 1 or 0
local sa, sb = a:allStatistics({sortBy = "word"}), b:allStatistics({sortBy = "word"})
local mismatch = #sa == #sb and 0 or 1
for i = 1, math.min(#sa, #sb) do
  local x, y = sa[i], sb[i]
  if x.word ~= y.word or x.frequency ~= y.frequency or x.hskLevel ~= y.hskLevel or x.tocflLevel ~= y.tocflLevel
     or math.abs(x.percentageFrequency - y.percentageFrequency) > 1e-9 then mismatch = mismatch + 1 end
end
write(lines > 1000 and "lines " or "few lines ", differ, " ", extra, " words ", #sa > 1000 and "many " or "few ", mismatch))"),
              "lines 0 0 words many 0");
  }
  // UTF-16 in both byte orders, each with its byte-order mark.
  const std::string text = "第一行。\r\n第二行，English too.\n";
  for (const char* encoding : {"UTF-16LE", "UTF-16BE"}) {
    SCOPED_TRACE(encoding);
    const std::string mark = std::string(encoding) == "UTF-16LE" ? "\xFF\xFE" : "\xFE\xFF";
    const std::string path =
        file(std::string(encoding) + ".txt", mark + qmtest::recode(text, "UTF-8", encoding));
    EXPECT_EQ(output("local d = qel.Document(" + path + ")\nwrite(join(d:lines()), ' ', #d:allWords())"),
              "第一行。|第二行，English too. 5");
  }
  // The copies go with their documents.
  EXPECT_EQ(output("local d = qel.Document(" + corpus("pku_test.txt") + ")\nd = nil\ncollectgarbage()"), "");
  const std::filesystem::path copies(FileConverter::folder().c_str());
  EXPECT_TRUE(!std::filesystem::exists(copies) || std::filesystem::is_empty(copies));
}

// The program's documents are read through the script's own reader; documents still converting are left out,
// and collecting a value never closes the program's document.
TEST_F(QelDocumentTest, OpenDocuments) {
  writeFile(files / "open.txt", "我喜欢你。\n北京\n");
  auto open = programDocument((files / "open.txt").string());
  auto converting = programDocument((files / "open.txt").string());
  converting->setConverting(true);
  open->processor()->beginProcessing(false);
  state->setOpenDocuments({open.get(), converting.get(), nullptr});
  EXPECT_EQ(output(R"(local docs = qel.openDocuments()
write(#docs, " ", docs[1]:name(), " ", join(docs[1]:lines()), " ", #docs[1]:allWords())
docs = nil
collectgarbage())"),
            "1 " + (files / "open.txt").string() + " 我喜欢你。|北京 4");
  EXPECT_TRUE(open->ready());
  EXPECT_EQ(open->textDocument()->nextLine(0), std::string("我喜欢你。\n").size());
}

} // namespace
