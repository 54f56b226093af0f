#include "documents/documentmanager.h"

#include "documents/document.h"
#include "documents/documentprocessor.h"
#include "support/recode.h"
#include "support/resourcelimits.h"
#include "support/tempdir.h"
#include "text/proficiencylevelhash.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "utils/filesystem.h"
#include "utils/messagecenter.h"

#include "utils/platform/posix/filehandle.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

namespace {

// Records every call, in order, as "call:title", and plays the text view's part.
class Recorder : public DocumentManager::Delegate {
public:
  void currentDocumentState(DocumentState& state) const override {
    calls.push_back("state");
    state.position = shownPosition;
  }
  void currentDocumentChanged(Document* d) override { calls.push_back("changed:" + name(d)); }
  bool okToCloseDocument(Document& d) override {
    calls.push_back("ok?:" + name(&d));
    return allowClose;
  }
  bool rememberFilePosition(DocumentManager&) const override { return remember; }
  void documentAdded(Document const& d) override { calls.push_back("added:" + name(&d)); }
  void documentRemoved(Document const& d) override { calls.push_back("removed:" + name(&d)); }
  void fileConversionFailed(FileConverter::Status s) override {
    calls.push_back("failed:" + std::to_string(s));
  }

  static std::string name(Document const* d) {
    return d ? FileSystem::stripPath(d->filename().c_str()).c_str() : "null";
  }
  std::vector<std::string> take() { return std::exchange(calls, {}); }

  mutable std::vector<std::string> calls;
  uint64_t shownPosition = 0;
  bool allowClose = true;
  bool remember = true;
};

// Runs the main thread's queue until count calls have come and gone, or ten seconds pass.
bool drain(size_t count = 1) {
  size_t ran = 0;
  for (int i = 0; i < 10000 && ran < count; ++i) {
    ran += MessageCenter::instance().processMessages();
    if (ran < count) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return ran >= count;
}

bool waitProcessed(Document& d) {
  for (int i = 0; i < 10000 && !d.processor()->finished(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  return d.processor()->finished();
}

class DocumentManagerTest : public testing::Test {
protected:
  void SetUp() override {
    for (const char* w : {"中国", "我们"})
      master.add(Span(w));
    manager.setDelegate(&recorder);
  }
  std::string file(std::string const& name, std::string const& text = "我们 abc\n中国") {
    qmtest::writeFile(dir / name, text);
    return (dir / name).string();
  }

  qmtest::TempDir dir;
  qmtest::ScopedEnv data{"XDG_DATA_HOME", (dir / "xdg").string()};
  WordHash master{10, nullptr, true};
  ProficiencyLevelHash levels;
  SegmentEngine engine{SegmentEngine::ChineseAndAlpha, master};
  Recorder recorder;
  DocumentManager manager{master, levels};
};

using Calls = std::vector<std::string>;

// Documents stay in opening order; next and previous wrap around; a close makes the next (else the
// previous) one current. Without a delegate nothing changes.
TEST_F(DocumentManagerTest, OpenSwitchAndClose) {
  Document* a = manager.openDocument(file("a").c_str(), engine, false);
  Document* b = manager.openDocumentAndMakeCurrent(file("b").c_str(), engine, false);
  manager.openDocument(file("c").c_str(), engine, false);
  Document* c = manager.openDocuments().back();
  EXPECT_EQ(manager.openDocuments(), (std::vector<Document*>{a, b, c}));
  EXPECT_EQ(manager.currentDocument(), b);
  manager.nextDocument();
  manager.nextDocument();                                // past the last: the first
  manager.prevDocument();                                // before the first: the last
  manager.setCurrentDocument(manager.currentDocument()); // announced again, no state taken
  EXPECT_EQ(recorder.take(), (Calls{"added:a", "added:b", "changed:b", "added:c", "state", "changed:c",
                                    "state", "changed:a", "state", "changed:c", "changed:c"}));
  for (Document* d : manager.openDocuments())
    EXPECT_TRUE(waitProcessed(*d));
  EXPECT_GT(a->totalWords(), 0u);

  manager.closeDocument(manager.currentDocument()); // the last: the one before it
  EXPECT_EQ(recorder.take(), (Calls{"ok?:c", "state", "state", "changed:b", "removed:c"}));
  manager.setCurrentDocument(a);
  manager.closeDocument(a); // the first: the one after it
  EXPECT_EQ(Recorder::name(manager.currentDocument()), "b");
  recorder.allowClose = false;
  manager.closeDocument(b);
  recorder.allowClose = true;
  manager.closeDocument(nullptr);
  EXPECT_EQ(manager.totalOpenDocuments(), 1u);
  recorder.take();
  manager.setDelegate(nullptr);
  manager.setCurrentDocument(manager.openDocument(file("d").c_str(), engine, false));
  manager.closeDocument(b);
  EXPECT_EQ(manager.currentDocument(), b);
  EXPECT_EQ(manager.totalOpenDocuments(), 2u);
  Document* d = manager.openDocuments().back();
  manager.openDocument(file("e").c_str(), engine, false);
  manager.setDelegate(&recorder);
  manager.setCurrentDocument(d);
  manager.closeDocument(d); // in the middle: the one after it
  manager.closeDocument(b);
  manager.closeDocument(manager.currentDocument()); // the only one: none
  EXPECT_EQ(recorder.take(),
            (Calls{"state", "changed:d", "ok?:d", "state", "state", "changed:e", "removed:d", "ok?:b",
                   "removed:b", "ok?:e", "state", "state", "changed:null", "removed:e"}));
  EXPECT_EQ(manager.currentDocument(), nullptr);
  manager.nextDocument();
  EXPECT_TRUE(recorder.take().empty());
}

TEST_F(DocumentManagerTest, RemembersPositions) {
  const std::string a = file("a"), b = file("b");
  manager.openDocumentAndMakeCurrent(a.c_str(), engine, false);
  Document* background = manager.openDocument(b.c_str(), engine, false);
  background->state().position = 7;
  recorder.shownPosition = 5;
  manager.closeDocument(background); // its own position, not the shown one's
  manager.closeDocument(manager.currentDocument());
  ASSERT_EQ(manager.recentFiles().totalFiles(), 2u);
  EXPECT_EQ(manager.recentFiles().info(0)->position, 7u);
  EXPECT_EQ(manager.recentFiles().info(1)->position, 5u);
  EXPECT_EQ(manager.openDocument(a.c_str(), engine, false)->state().position, 5u);
  recorder.remember = false;
  EXPECT_EQ(manager.openDocument(b.c_str(), engine, false)->state().position, 0u);
  // Temporary documents stay out of the recent files.
  manager.openDocument(file("pasted").c_str(), engine, true);
  EXPECT_TRUE(manager.hasUnsavedDocuments());
  EXPECT_EQ(manager.recentFiles().totalFiles(), 2u);
  // Shutdown: the shown position of the current document, each other's own.
  manager.setCurrentDocument(manager.openDocuments()[0]);
  recorder.shownPosition = 99;
  manager.updateFilePositions();
  EXPECT_EQ(manager.recentFiles().info(1)->position, 99u);
  Document* reopened = manager.openRecentFileAndMakeCurrent(1, engine);
  ASSERT_NE(reopened, nullptr);
  EXPECT_EQ(Recorder::name(reopened), "a");
  EXPECT_EQ(manager.openRecentFileAndMakeCurrent(10, engine), nullptr);
  // A folder is the same error as a missing file: nothing opens, nothing joins the recent files.
  std::filesystem::create_directory(dir / "folder");
  for (const char* name : {"missing", "folder"}) {
    SCOPED_TRACE(name);
    EXPECT_THROW(manager.openDocument((dir / name).c_str(), engine, false), FileHandle::open_error);
  }
  EXPECT_EQ(manager.totalOpenDocuments(), 4u);
  EXPECT_EQ(manager.recentFiles().totalFiles(), 2u);
}

TEST_F(DocumentManagerTest, Gb18030FileIsConvertedThenProcessed) {
  std::string text = qmtest::readFile(qmtest::sharedDataDir() / "corpus/pku_test.utf8");
  text.resize(text.find("\r\n", 20000));
  const std::string path = file("gb.txt", qmtest::recode(text, "UTF-8", "GB18030"));
  Document* d = manager.openDocumentAndMakeCurrent(path.c_str(), engine, false);
  EXPECT_TRUE(d->isConverting());
  recorder.take();
  ASSERT_TRUE(drain());
  EXPECT_FALSE(d->isConverting());
  EXPECT_EQ(recorder.take(), (Calls{"changed:gb.txt"}));
  EXPECT_NE(d->actualFilename(), d->filename());
  EXPECT_TRUE(qmtest::readFile(d->actualFilename().c_str()) == text);
  ASSERT_TRUE(waitProcessed(*d));
  EXPECT_GT(d->totalWords(), 1000u);
}

TEST_F(DocumentManagerTest, ClosingDuringConversion) {
  const std::string one = file("one.txt", "\xFF\xFE" + qmtest::recode("我们", "UTF-8", "UTF-16LE"));
  const std::string two =
      file("two.txt", "\xFF\xFE" + qmtest::recode(std::string(1 << 20, 'b'), "UTF-8", "UTF-16LE"));
  Document* first = manager.openDocument(two.c_str(), engine, false);
  Document* second = manager.openDocument(one.c_str(), engine, false);
  ASSERT_TRUE(first->isConverting() && second->isConverting());
  manager.closeDocument(first);
  EXPECT_EQ(recorder.take(), (Calls{"added:two.txt", "added:one.txt", "ok?:two.txt", "removed:two.txt"}));
  // Both jobs come back (so none is left behind); only the open document's reaches anything.
  ASSERT_TRUE(drain(2));
  EXPECT_FALSE(second->isConverting());
  EXPECT_TRUE(recorder.take().empty());
  ASSERT_TRUE(waitProcessed(*second));
  EXPECT_EQ(second->totalWords(), 1u);
}

TEST_F(DocumentManagerTest, WorkersThatCannotStart) {
  const std::string gb = file("gb.txt", qmtest::recode("我们是中国人。我们是中国人。", "UTF-8", "GB18030"));
  const std::string plain = file("plain.txt");
  Document* processing;
  {
    qmtest::NoNewThreads guard;
    manager.openDocumentAndMakeCurrent(gb.c_str(), engine, false);
    processing = manager.openDocument(plain.c_str(), engine, false);
  }
  recorder.take();
  // The conversion comes back failed and closes its document without asking.
  ASSERT_TRUE(drain());
  EXPECT_EQ(recorder.take(), (Calls{"failed:4", "state", "state", "changed:plain.txt", "removed:gb.txt"}));
  EXPECT_EQ(manager.openDocuments(), std::vector<Document*>{processing});
  // Processing that never started neither blocks a close nor keeps the document.
  manager.cancelDocumentProcessing();
  manager.closeDocument(processing);
  EXPECT_EQ(manager.totalOpenDocuments(), 0u);
}

} // namespace
