#include "support/childprocess.h"
#include "support/logcapture.h"
#include "support/tempdir.h"
#include "utils/platform/posix/namedfilelock.h"
#include "wordlists/objectfiletokenizer.h"
#include "wordlists/objectstore.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using OpenSSL::SHA1;

namespace {

const std::string ZEROS(40, '0');
const std::string A(40, 'a');
const std::string B(40, 'b');

// A record as add() writes it, with a correct id.
std::string record(std::string const& parent, std::string const& other, std::string const& time,
                   std::string const& data) {
  const SHA1 id = ObjectStore::recordId(Span(parent), Span(other), Span(time), Span(data));
  return "@" + std::string(id.hex().view()) + " " + parent + " " + other + " " + time + "\n" + data;
}

std::string hexOf(SHA1 const& s) {
  return std::string(s.hex().view());
}

class ObjectStoreTest : public ::testing::Test {
protected:
  std::string path() const { return (dir / "store").string(); }
  std::string dataOf(ObjectStore const& store, SHA1 const& id) const {
    const ObjectStore::Revision* r = store.revision(id);
    return r ? store.data(lock, *r) : "<missing>";
  }

  qmtest::TempDir dir;
  NamedFileLock lock{dir.str().c_str(), "list"};
};

} // namespace

TEST(ObjectFileTokenizerTest, AtStartsARecordOnlyAtALineStartWithAWholeHeader) {
  const std::string time = "2024-01-02 03:04:05.678";
  const std::string header = "@" + A + " " + ZEROS + " " + B + " " + time;
  const struct {
    const char* name;
    std::string text;
    std::vector<std::string> data; // the data tokens, in order
  } cases[] = {
      {"one record", header + "\n+x\n", {"+x\n"}},
      {"CR LF header", header + "\r\n+x\n", {"+x\n"}},
      {"text before the first record is skipped", "junk\r\nmore\n" + header + "\n+x\n", {"+x\n"}},
      {"@ inside a word", header + "\n+a@b\n+c\n", {"+a@b\n+c\n"}},
      {"a whole header inside a line", header + "\n+w" + header + "\n+c\n", {"+w" + header + "\n+c\n"}},
      {"@ at a line start with a short id", header + "\n@abc " + A + "\n+c\n", {"@abc " + A + "\n+c\n"}},
      {"bad time",
       header + "\n@" + A + " " + A + " " + A + " yesterday\n",
       {"@" + A + " " + A + " " + A + " yesterday\n"}},
      {"a whole header inside a skipped line", "junk\v" + header + "\n+x\n", {"+x\n"}},
      {"header ending the text gives empty data", header + "\n", {""}},
      {"two records", header + "\n+x\n" + header + "\n-x\n", {"+x\n", "-x\n"}},
      {"no line end after the time", header, {}},
      {"line end put into the time",
       "@" + A + " " + ZEROS + " " + B + " 2024-01-02 03:04:05\n.678\n+x\n",
       {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    ObjectFileTokenizer tokenizer(Utf8Range(c.text.data(), c.text.size()));
    std::vector<std::string> data;
    for (int guard = 0; tokenizer.hasTokens() && guard < 100; ++guard) {
      const Token t = tokenizer.nextToken();
      if (t.type == ObjectFileTokenizer::Data) data.emplace_back(t.text, t.bytes);
    }
    EXPECT_EQ(data, c.data);
  }
}

TEST_F(ObjectStoreTest, ChainRoundTripsThroughTheFile) {
  ObjectStore store(lock, path().c_str());
  const SHA1 a = store.add(lock, SHA1(), SHA1::of(Span("1")), Span("+a\n"));
  const SHA1 b = store.add(lock, a, SHA1::of(Span("2")), Span("+b@c\n")); // "@" inside a word
  const SHA1 c = store.add(lock, b, SHA1::of(Span("3")), Span("-a\n"));
  EXPECT_FALSE(store.modified());

  ObjectStore again(lock, path().c_str());
  ASSERT_EQ(again.size(), 3u);
  const auto chain = again.revisionList(SHA1(), c);
  ASSERT_EQ(chain.size(), 3u);
  EXPECT_EQ(chain[0]->id, a);
  EXPECT_EQ(chain[1]->id, b);
  EXPECT_EQ(chain[2]->id, c);
  EXPECT_EQ(chain[1]->parent, a);
  EXPECT_EQ(chain[2]->other, SHA1::of(Span("3")));
  EXPECT_EQ(dataOf(again, b), "+b@c\n");
  EXPECT_EQ(again.mostRecent()->id, c);
  EXPECT_EQ(again.revisionList(a, c).size(), 2u);
  EXPECT_TRUE(again.revisionList(SHA1(), SHA1::of(Span("unknown"))).empty());
}

TEST_F(ObjectStoreTest, SameSecondRevisionsKeepTheirOrder) {
  ObjectStore store(lock, path().c_str());
  SHA1 last;
  for (int i = 0; i < 5; ++i)
    last = store.add(lock, SHA1(), SHA1(), Span("+x\n")); // same parent, same data
  EXPECT_EQ(store.size(), 5u);
  EXPECT_EQ(store.mostRecent()->id, last);
  ObjectStore again(lock, path().c_str());
  EXPECT_EQ(again.mostRecent()->id, last);

  // Equal times: the record further down the file is the later one, whatever the ids.
  const std::string t = "2020-01-01 00:00:00.000";
  qmtest::writeFile(path(), record(ZEROS, A, t, "+1\n") + record(ZEROS, B, t, "+2\n") +
                                record(ZEROS, ZEROS, t, "+3\n"));
  again.reload(lock);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_EQ(again.data(lock, *again.mostRecent()), "+3\n");
}

TEST_F(ObjectStoreTest, DamagedRecordsAreLeftOut) {
  const std::string t = "2021-05-06 10:20:30.456";
  const std::string r1 = record(ZEROS, A, t, "+one\n");
  const SHA1 id1 = SHA1::fromHex(r1.substr(1, 40).c_str());
  const std::string r2 = record(hexOf(id1), B, t, "+two\n");
  const SHA1 id2 = SHA1::fromHex(r2.substr(1, 40).c_str());
  const std::string r3 = record(hexOf(id2), A, t, "+three\n");
  const SHA1 id3 = SHA1::fromHex(r3.substr(1, 40).c_str());

  std::string changedData = r2;
  changedData[changedData.size() - 2] = 'X';
  std::string brokenHeader = r2;
  brokenHeader[5] = 'z'; // no longer a header: its bytes follow the first record's data
  std::string emptyData = record(hexOf(id1), B, t, "");
  emptyData.insert(emptyData.find(".456"), "\n"); // read as time and data, the id would still match
  const struct {
    const char* name;
    std::string file;
    bool has2, has1 = true;
    bool named = true; // the damage is logged (a header that no longer reads as one names nothing)
  } cases[] = {
      {"intact", r1 + r2 + r3, true},
      {"middle data changed", r1 + changedData + r3, false},
      {"middle header broken", r1 + brokenHeader + r3, false},
      {"middle header's @ changed", r1 + "X" + r2.substr(1) + r3, false},
      {"middle cut short", r1 + r2.substr(0, 60) + "\n" + r3, false},
      {"line end put into a time", r1 + emptyData + r3, false},
      {"first record's last byte changed", r1.substr(0, r1.size() - 1) + "X" + r2 + r3, true, false},
      // An empty record whose header lost its line end: the next header stands in the same line.
      {"first header's line end changed", r1.substr(0, r1.find('\n')) + "\v" + r2 + r3, true, false, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    qmtest::LogCapture log;
    qmtest::writeFile(path(), c.file);
    ObjectStore store(lock, path().c_str());
    EXPECT_EQ(dataOf(store, id1), c.has1 ? "+one\n" : "<missing>");
    EXPECT_EQ(dataOf(store, id3), "+three\n");
    EXPECT_EQ(store.revision(id2) != nullptr, c.has2);
    EXPECT_EQ(store.size(), 1u + c.has1 + c.has2); // nothing else
    EXPECT_EQ(store.revisionList(SHA1(), id3).size(), c.has1 && c.has2 ? 3u : 0u);
    EXPECT_EQ(log.all().find("Skipping damaged record") != std::string::npos,
              c.named && (!c.has1 || !c.has2));
  }
}

TEST_F(ObjectStoreTest, TornTailIsIgnoredAndLaterAppendsAreFound) {
  ObjectStore store(lock, path().c_str());
  const SHA1 a = store.add(lock, SHA1(), SHA1(), Span("+a\n"));
  const SHA1 b = store.add(lock, a, SHA1(), Span("+b\n"));
  const auto full = std::filesystem::file_size(path());
  std::filesystem::resize_file(path(), full - 2); // a crash inside the last record's data
  store.reload(lock);
  EXPECT_EQ(store.revision(b), nullptr);
  ASSERT_NE(store.revision(a), nullptr);

  const SHA1 c = store.add(lock, a, SHA1(), Span("+c"));   // no line end of its own
  const SHA1 d = store.add(lock, c, SHA1(), Span("+d\n")); // so a line end goes before this record
  ObjectStore again(lock, path().c_str());
  EXPECT_EQ(dataOf(again, c), "+c");
  EXPECT_EQ(dataOf(again, d), "+d\n");
  EXPECT_EQ(again.revisionList(SHA1(), d).size(), 3u);
}

TEST_F(ObjectStoreTest, AnotherWritersAppendIsNoticedAndReloaded) {
  ObjectStore mine(lock, path().c_str());
  const SHA1 a = mine.add(lock, SHA1(), SHA1(), Span("+a\n"));
  ObjectStore theirs(lock, path().c_str());
  const SHA1 b = theirs.add(lock, a, SHA1(), Span("+b\n"));
  EXPECT_TRUE(mine.modified());
  EXPECT_EQ(mine.revision(b), nullptr);
  mine.reload(lock);
  EXPECT_FALSE(mine.modified());
  EXPECT_NE(mine.revision(b), nullptr);

  // add() itself picks up the other writer's record before appending.
  const SHA1 c = theirs.add(lock, b, SHA1(), Span("+c\n"));
  const SHA1 d = mine.add(lock, c, SHA1(), Span("+d\n"));
  EXPECT_EQ(mine.revisionList(SHA1(), d).size(), 4u);
  EXPECT_FALSE(mine.modified());
}

TEST_F(ObjectStoreTest, FailedAppendIsReportedAndNotIndexed) {
  {
    ObjectStore full(lock, "/dev/full");
    EXPECT_THROW(full.add(lock, SHA1(), SHA1(), Span("+a\n")), ObjectStore::write_error);
    EXPECT_EQ(full.size(), 0u);
  }
  qmtest::writeFile(dir / "file", "x");
  qmtest::LogCapture log;
  ObjectStore underFile(lock, (dir / "file" / "store").c_str()); // its folder is a file
  EXPECT_THROW(underFile.add(lock, SHA1(), SHA1(), Span("+a\n")), ObjectStore::write_error);
  EXPECT_EQ(underFile.size(), 0u);

  // A pipe in the store's place: read as an empty store, and a record never goes into it, even when
  // something reads the pipe. Neither may wait for the other end.
  const std::string pipe = (dir / "pipe").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  qmtest::expectInChild([&] {
    ObjectStore store(lock, pipe.c_str());
    const int reader = ::open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    bool refused = false;
    try {
      store.add(lock, SHA1(), SHA1(), Span("+a\n"));
    } catch (ObjectStore::write_error const&) {
      refused = true;
    }
    char got[1];
    const bool empty = ::read(reader, got, 1) <= 0;
    return refused && empty && store.size() == 0 ? "" : "a record went into the pipe";
  });
}
