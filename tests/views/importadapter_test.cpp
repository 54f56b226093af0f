#include "views/importadapter.h"

#include "support/recode.h"
#include "support/tempdir.h"
#include "support/waituntil.h"
#include "utils/messagecenter.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

struct Recorder : ImportAdapter::Listener {
  int calls = 0;
  void previewChanged() override { ++calls; }
};

std::vector<std::string> wordsOf(ImportAdapter const& adapter) {
  std::vector<std::string> out;
  for (Span const& w : adapter.words())
    out.emplace_back(w.view());
  return out;
}

// Words that the encoding detector recognises as Chinese in any of the encodings.
const std::string SAMPLE = "中国\n人民\n我们\n学习\n汉语\n朋友\n老师\n学生\n今天\n明天\n时候\n工作\n"
                           "医生\n电话\n东西\n天气\n喜欢\n认识\n觉得\n知道\n";
const std::string TRADITIONAL = "中國\n人民\n我們\n學習\n漢語\n朋友\n老師\n學生\n今天\n明天\n時候\n工作\n"
                                "醫生\n電話\n東西\n天氣\n喜歡\n認識\n覺得\n知道\n";

std::vector<std::string> lines(std::string const& text) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    out.push_back(text.substr(start, end - start));
  return out;
}

std::set<std::string> levelWords(fs::path const& folder, const char* kind, int upTo) {
  std::set<std::string> out;
  for (int level = 1; level <= upTo; ++level) {
    const std::string text = qmtest::readFile(folder / (std::string(kind) + std::to_string(level) + ".txt"));
    for (std::string const& line : lines(text))
      out.insert(line);
  }
  return out;
}

// Runs the main thread's queue for a while, so that a late result of a worker comes back.
void idle() {
  for (int i = 0; i < 40; ++i) {
    MessageCenter::instance().processMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

// Runs the main thread's queue until the adapter has read its latest choice whole.
bool settle(ImportAdapter const& adapter) {
  for (int i = 0; i < 2000 && !adapter.complete(); ++i) {
    if (!MessageCenter::instance().processMessages())
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  MessageCenter::instance().processMessages();
  return adapter.complete();
}

class ImportAdapterTest : public ::testing::Test {
protected:
  void TearDown() override { MessageCenter::instance().processMessages(); }
  // A file that takes a while to read: about a million lines, each with a second column.
  size_t writeBigFile() {
    std::string big;
    size_t lines = 0;
    for (; big.size() < (8 << 20); ++lines)
      big += "词" + std::to_string(lines) + " column\n";
    qmtest::writeFile(dir / "big.txt", big);
    return lines;
  }
  qmtest::TempDir dir;
  Recorder recorder;
};

} // namespace

TEST_F(ImportAdapterTest, FilesInEachEncodingShowTheirFirstColumn) {
  const struct {
    const char* name;
    std::string bytes;
    bool converted;
    std::vector<std::string> words;
  } cases[] = {
      // A leading byte-order mark, CR LF, further columns, an empty line and a line starting with a blank.
      {"crlf.txt",
       "\xEF\xBB\xBF中国 zhōngguó China\r\n\r\n人民\tpeople\r\n 空\r\n最后",
       false,
       {"中国", "人民", "最后"}},
      {"gb18030.txt", qmtest::recode(SAMPLE, "UTF-8", "GB18030"), true, lines(SAMPLE)},
      {"big5.txt", qmtest::recode(TRADITIONAL, "UTF-8", "BIG5-HKSCS"), true, lines(TRADITIONAL)},
      {"utf16le.txt", "\xFF\xFE" + qmtest::recode(SAMPLE, "UTF-8", "UTF-16LE"), true, lines(SAMPLE)},
      {"missing.txt", "", false, {}},
  };
  ImportAdapter adapter(recorder);
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    const fs::path path = dir / c.name;
    if (!c.bytes.empty()) qmtest::writeFile(path, c.bytes);
    adapter.loadFromFile(path.c_str());
    if (c.converted) {
      // Nothing is shown, and nothing can be imported, before the conversion has come back.
      EXPECT_FALSE(adapter.complete());
      EXPECT_EQ(adapter.totalWords(), 0u);
    }
    ASSERT_TRUE(settle(adapter));
    EXPECT_EQ(wordsOf(adapter), c.words);
    EXPECT_TRUE(adapter.wordAt(adapter.totalWords()).empty());
  }
}

TEST_F(ImportAdapterTest, LevelsOneToNTogether) {
  const auto temporaryFiles = [] {
    size_t n = 0;
    for (auto const& e : fs::directory_iterator(std::getenv("TMPDIR")))
      n += e.is_regular_file();
    return n;
  };
  const size_t before = temporaryFiles();
  auto owned = std::make_unique<ImportAdapter>(recorder);
  ImportAdapter& adapter = *owned;
  const fs::path shipped = qmtest::resourcesDir() / "wordlists";
  adapter.useLevel(ImportAdapter::Hsk, 3);
  ASSERT_TRUE(settle(adapter));
  const std::vector<std::string> hsk = wordsOf(adapter);
  EXPECT_EQ(std::set<std::string>(hsk.begin(), hsk.end()), levelWords(shipped, "hsk-", 3));
  EXPECT_EQ(hsk.size(), 233u + 217u + 487u); // every line of the three files, none glued together
  adapter.useLevel(ImportAdapter::Tocfl, 2);
  ASSERT_TRUE(settle(adapter));
  const std::vector<std::string> tocfl = wordsOf(adapter);
  EXPECT_EQ(std::set<std::string>(tocfl.begin(), tocfl.end()), levelWords(shipped, "tocfl-", 2));

  // Level files that lack a final line end or begin with a byte-order mark still join into whole words.
  const qmtest::ScopedEnv resources("QUILLMERE_RESOURCES", (dir / "res").string());
  fs::create_directories(dir / "res/wordlists");
  qmtest::writeFile(dir / "res/wordlists/hsk-1.txt", "\xEF\xBB\xBF爱\n八");
  qmtest::writeFile(dir / "res/wordlists/hsk-2.txt", "\xEF\xBB\xBF吧\r\n");
  adapter.useLevel(ImportAdapter::Hsk, 2);
  ASSERT_TRUE(settle(adapter));
  EXPECT_EQ(wordsOf(adapter), (std::vector<std::string>{"爱", "八", "吧"}));
  EXPECT_EQ(temporaryFiles(), before + 2); // the latest HSK and TOCFL files
  owned.reset();
  EXPECT_EQ(temporaryFiles(), before);
}

// Every new choice replaces the last at once: a conversion still running is cancelled and its late
// result ignored, and the import of the earlier choice never shows.
TEST_F(ImportAdapterTest, ANewChoiceCancelsThePendingConversion) {
  const fs::path gb = dir / "gb.txt";
  qmtest::writeFile(gb, qmtest::recode(SAMPLE, "UTF-8", "GB18030"));
  const fs::path plain = dir / "plain.txt";
  qmtest::writeFile(plain, "一\n二\n");
  ImportAdapter adapter(recorder);
  adapter.loadFromFile(gb.c_str());
  adapter.useLevel(ImportAdapter::Hsk, 1);
  ASSERT_TRUE(settle(adapter));
  idle(); // the conversion's late result comes back, to be ignored
  EXPECT_EQ(adapter.totalWords(), 233u);
  EXPECT_TRUE(adapter.complete());

  adapter.loadFromFile(gb.c_str());
  adapter.loadFromFile(plain.c_str());
  ASSERT_TRUE(settle(adapter));
  idle();
  EXPECT_EQ(wordsOf(adapter), (std::vector<std::string>{"一", "二"}));

  // A run stopped by the next choice still reports its end; that report does not complete the next run.
  const size_t lines = writeBigFile();
  adapter.loadFromFile((dir / "big.txt").c_str());
  adapter.loadFromFile((dir / "big.txt").c_str());
  ASSERT_TRUE(qmtest::waitUntil([&] {
    MessageCenter::instance().processMessages();
    return adapter.complete();
  }));
  EXPECT_EQ(adapter.totalWords(), lines);
}

// Destroying the adapter while a file is being read and another converted leaves nothing behind that
// could reach it: the queued reports are dropped (run under AddressSanitizer in CI).
TEST_F(ImportAdapterTest, DestroyedWithWorkInFlight) {
  writeBigFile();
  qmtest::writeFile(dir / "gb.txt", qmtest::recode(SAMPLE, "UTF-8", "GB18030"));
  for (const char* order : {"read", "convert"}) {
    SCOPED_TRACE(order);
    auto dying = std::make_unique<Recorder>();
    auto adapter = std::make_unique<ImportAdapter>(*dying);
    adapter->loadFromFile((dir / (order == std::string("read") ? "big.txt" : "gb.txt")).c_str());
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
    adapter.reset();
    dying.reset();
    idle();
  }
  EXPECT_EQ(MessageCenter::instance().pendingMessages(), 0u);
}
