#include "text/oldwordlistmanager.h"

#include "text/proficiencylevelhash.h"
#include "text/wordhash.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/textbuffer.h"

#include <pthread.h>
#include <unistd.h>

namespace {
const char* const WORDS = "data/words.u8";

struct LevelFile {
  unsigned short bit;
  const char* name;
};
const LevelFile HSK_FILES[] = {{1, "wordlists/hsk-1.txt"},  {2, "wordlists/hsk-2.txt"},
                               {4, "wordlists/hsk-3.txt"},  {8, "wordlists/hsk-4.txt"},
                               {16, "wordlists/hsk-5.txt"}, {32, "wordlists/hsk-6.txt"}};
const LevelFile TOCFL_FILES[] = {{1, "wordlists/tocfl-1.txt"},
                                 {2, "wordlists/tocfl-2.txt"},
                                 {4, "wordlists/tocfl-3.txt"},
                                 {8, "wordlists/tocfl-4.txt"},
                                 {16, "wordlists/tocfl-5.txt"}};

// Writer-preferring: while an addition waits, no new reader starts, so readers that follow each other
// closely cannot keep the main thread waiting. Never destroyed: detached workers may read at exit.
pthread_rwlock_t& masterLock() {
  static pthread_rwlock_t* lock = [] {
    pthread_rwlockattr_t attributes;
    pthread_rwlockattr_init(&attributes);
    pthread_rwlockattr_setkind_np(&attributes, PTHREAD_RWLOCK_PREFER_WRITER_NONRECURSIVE_NP);
    auto* l = new pthread_rwlock_t;
    pthread_rwlock_init(l, &attributes);
    pthread_rwlockattr_destroy(&attributes);
    return l;
  }();
  return *lock;
}
// A second read lock on a thread that holds one would wait behind a waiting addition for ever.
thread_local unsigned readDepth = 0;

// Shipped data: the resources first, then the base folder.
const char* findShipped(FileFinder& finder, const char* name) {
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  return finder.find(name);
}

// Whether the file's last byte is not a line end, read through the writer's own (locked) descriptor.
bool endsInsideALine(FileWriter const& writer) {
  const int fd = writer.createReadHandle(nullptr, 0);
  if (fd < 0) return false;
  const off_t size = ::lseek(fd, 0, SEEK_END);
  char last = '\n';
  if (size > 0 && ::pread(fd, &last, 1, size - 1) != 1) last = '\n';
  ::close(fd);
  return last != '\n' && last != '\r';
}
} // namespace

struct OldWordListManager::Impl {
  explicit Impl(const char* shippedWords) : master(20, shippedWords, true) {}

  WordHash master; // 2^20 buckets with prefix entries
  ProficiencyLevelHash levels;
};

OldWordListManager& OldWordListManager::instance() {
  // Never destroyed: detached document workers may still segment with it while the process exits.
  static OldWordListManager* manager = new OldWordListManager;
  return *manager;
}

OldWordListManager::OldWordListManager() {
  {
    FileFinder finder; // a missing list leaves the master list empty
    impl = std::make_unique<Impl>(findShipped(finder, WORDS));
  }
  const Text custom = FileSystem::instance().userPath(WORDS);
  if (FileSystem::instance().privateFileExists(custom.c_str())) impl->master.addFromFile(custom.c_str());
  for (auto const& f : HSK_FILES) {
    FileFinder finder;
    impl->levels.addFileWithLevel(ProficiencyLevelHash::HSK, findShipped(finder, f.name), f.bit);
  }
  for (auto const& f : TOCFL_FILES) {
    FileFinder finder;
    impl->levels.addFileWithLevel(ProficiencyLevelHash::TOCFL, findShipped(finder, f.name), f.bit);
  }
}

OldWordListManager::~OldWordListManager() = default;

WordHash& OldWordListManager::privateMasterList() {
  return impl->master;
}
ProficiencyLevelHash& OldWordListManager::privateProficiencyLevel() {
  return impl->levels;
}

bool OldWordListManager::privateAddCustomWord(Span const& word) {
  // A line end inside the word would store it as several words.
  if (word.empty() || word.view().find_first_of("\r\n") != std::string_view::npos) return false;
  try {
    const Text path = FileSystem::instance().userPath(WORDS);
    FileSystem::instance().privateEnsurePath(path.c_str());
    FileWriter out(path.c_str(), FileWriter::Append | FileWriter::ReadWrite); // readable for the last byte
    if (endsInsideALine(out)) out << System::NEWLINE;
    out << word;
    out << System::NEWLINE;
    if (!out.close()) {
      Log::print("ERR", "Unable to add the word to '%s'\n", path.c_str());
      return false;
    }
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Unable to add a custom word:\n", e);
    return false;
  }
  struct WriteLock {
    WriteLock() { pthread_rwlock_wrlock(&masterLock()); }
    ~WriteLock() { pthread_rwlock_unlock(&masterLock()); }
  } alone;
  impl->master.add(word);
  return true;
}

OldWordListManager::ReadLock::ReadLock() {
  if (readDepth++ == 0) pthread_rwlock_rdlock(&masterLock());
}

OldWordListManager::ReadLock::~ReadLock() {
  if (--readDepth == 0) pthread_rwlock_unlock(&masterLock());
}
