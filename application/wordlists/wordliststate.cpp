// Loading trusts the cache only when its digest is the current revision's "other" id, and trusts a list
// rebuilt from the revisions only when the rebuilt words have that digest too; otherwise it keeps the
// cache it has rather than overwrite it with words it cannot vouch for.
#include "wordlists/wordliststate.h"

#include "utils/atomicfilesaver.h"
#include "utils/log.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/namedfilelock.h"
#include "wordlists/objectfile.h"
#include "wordlists/objectstore.h"
#include "wordlists/wordlist.h"

#include <chrono>
#include <random>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using OpenSSL::SHA1;

namespace {

// How long a save or load waits for another copy of the program to release a list.
constexpr auto LOCK_WAIT = std::chrono::seconds(1);

// The words in the word-list text format, rendered once for both the digest and the cache file.
std::unique_ptr<MemoryOutputStream> textOf(WordHash const& words) {
  auto text = std::make_unique<MemoryOutputStream>(size_t(words.totalWords()) * 8 + 4096);
  words.writeToStream(*text);
  return text;
}

SHA1 digestOf(MemoryOutputStream const& text) {
  return SHA1::of(text.data(), text.size());
}

bool exists(const char* path) {
  struct stat st {};
  return ::stat(path, &st) == 0;
}

// Writes the text so that the file is either the old one or the whole new one.
void saveText(MemoryOutputStream const& text, const char* path) {
  if (!AtomicFileSaver::save(path, [&](OutputStream& out) { out.write(text.data(), text.size()); }))
    ZUN_THROW(WordList::write_error);
}

} // namespace

struct WordListState::Impl {
  Impl(Folders const& f, const char* base) : folders(f), base(base) {}

  void loadLocked(NamedFileLock const& lock);
  // Fills current from the cache or the revisions; see the file comment.
  void fillWords(NamedFileLock const& lock, const ObjectStore::Revision* revision);
  void rebuild(NamedFileLock const& lock, const ObjectStore::Revision* revision, std::string const* cache);
  bool saveLocked(NamedFileLock const& lock);
  void refuseLineBreaks();
  void writeCache(MemoryOutputStream const& text) const;

  Text path(Text const& folder) const { return Text((std::string(folder.c_str()) + base.c_str()).c_str()); }

  WordListState* self = nullptr;
  Folders folders;
  Text base;
  WordHash saved{16};
  WordHash current{16};
  uint64_t savedChangeCount = 0; // current's change count when it was last saved or loaded
  std::unique_ptr<ObjectStore> store;
  SHA1 revision;
  bool loaded = false;
};

WordListState::WordListState(Folders const& folders, const char* baseName)
    : impl(std::make_unique<Impl>(folders, baseName)) {
  impl->self = this;
  impl->savedChangeCount = impl->current.changeCount();
}

WordListState::~WordListState() = default;

const char* WordListState::baseName() const {
  return impl->base.c_str();
}
WordHash& WordListState::current() {
  return impl->current;
}
WordHash const& WordListState::saved() const {
  return impl->saved;
}
SHA1 const& WordListState::currentRevision() const {
  return impl->revision;
}
bool WordListState::hasUnsavedChanges() const {
  return impl->current.changeCount() != impl->savedChangeCount;
}
Text WordListState::listPath() const {
  return impl->path(impl->folders.lists);
}
Text WordListState::objectPath() const {
  return impl->path(impl->folders.objects);
}
Text WordListState::cachePath() const {
  return impl->path(impl->folders.cache);
}

std::unique_ptr<NamedFileLock> WordListState::lock() const {
  return lock(impl->folders.locks, baseName());
}

std::unique_ptr<NamedFileLock> WordListState::lock(Text const& lockFolder, const char* baseName) {
  // Short pauses of varying length, so that a copy that saves often does not keep the others out.
  const auto start = std::chrono::steady_clock::now();
  const auto deadline = start + LOCK_WAIT;
  // Seeded per call and process, so forked copies do not wait in step.
  std::minstd_rand random(unsigned(::getpid()) ^ unsigned(start.time_since_epoch().count()));
  for (;;) {
    try {
      return std::make_unique<NamedFileLock>(lockFolder.c_str(), baseName);
    } catch (FileLock::already_exists const&) {
      if (std::chrono::steady_clock::now() >= deadline) throw;
      std::this_thread::sleep_for(std::chrono::microseconds(500 + random() % 4500));
    }
  }
}

bool WordListState::writeRevision(SHA1 const& revision) const {
  const Text file = listPath();
  WordList list(file.c_str());
  if (list.existed() && !list.wasRead()) {
    Log::print("WARN", "Error saving '%s' revision to %s: the list file cannot be read\n", file.c_str(),
               revision.hex().c_str());
    return false;
  }
  list.setCurrentRevision(revision);
  try {
    list.writeToFile(file.c_str(), false);
    return true;
  } catch (zun::exception const& e) {
    Log::print("WARN", "Error saving '%s' revision to %s: ", file.c_str(), revision.hex().c_str());
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    return false;
  }
}

void WordListState::load() {
  const WordList list(listPath().c_str());
  if (impl->loaded && list.wasRead() && list.currentRevision() == impl->revision) return;
  const auto held = lock();
  impl->loadLocked(*held);
}

void WordListState::Impl::loadLocked(NamedFileLock const& lock) {
  const Text file = self->listPath();
  const WordList list(file.c_str());
  if (!list.existed()) {
    WordList fresh;
    try {
      fresh.writeToFile(file.c_str(), true);
    } catch (zun::exception const& e) {
      Log::print("WARN", "Error saving '%s' revision to %s: ", file.c_str(), SHA1().hex().c_str());
      ZUN_LOG_CAUGHT("WARN", "\t", e);
    }
  } else if (!list.wasRead()) {
    Log::print("WARN", "Error loading '%s' revision: the list file cannot be read\n", file.c_str());
  }
  const bool pending = current.changeCount() != savedChangeCount;
  const Text unsaved = pending ? saved.diff(current) : Text();

  if (!store)
    store = std::make_unique<ObjectStore>(lock, self->objectPath().c_str());
  else if (store->modified())
    store->reload(lock);

  // An unreadable list file says nothing; keep the revision known so far.
  SHA1 wanted = list.wasRead() ? list.currentRevision() : revision;
  const ObjectStore::Revision* found = store->revision(wanted);
  if (!found && store->size() > 0) {
    Log::print("WARN", "Invalid object revision '%s' for list '%s'", wanted.hex().c_str(), base.c_str());
    found = store->mostRecent();
    wanted = found->id;
    self->writeRevision(wanted);
  }
  revision = wanted;
  fillWords(lock, found);
  saved.copy(current);
  savedChangeCount = current.changeCount();
  if (pending) current.applyDiff(unsaved);
  loaded = true;
}

void WordListState::Impl::fillWords(NamedFileLock const& lock, const ObjectStore::Revision* found) {
  const Text cacheFile = self->cachePath();
  std::string cache;
  bool cacheRead = false;
  try {
    ObjectFile::readAll(cacheFile.c_str(), cache);
    cacheRead = true;
  } catch (zun::exception const& e) {
    if (exists(cacheFile.c_str())) {
      Log::print("WARN", "Error loading cached file for '%s': ", base.c_str());
      ZUN_LOG_CAUGHT("WARN", "\t", e);
    }
  }
  current.clear();
  const SHA1 expected = found ? found->other : SHA1();
  if (cacheRead && SHA1::of(cache.data(), cache.size()) == expected) {
    current.readFromUtf8Range(Utf8Range(cache.data(), cache.size()));
  } else if (found || cacheRead) {
    rebuild(lock, found, cacheRead ? &cache : nullptr);
  }
}

void WordListState::Impl::rebuild(NamedFileLock const& lock, const ObjectStore::Revision* found,
                                  std::string const* cache) {
  if (found) {
    const auto chain = store->revisionList(SHA1(), found->id);
    try {
      for (const ObjectStore::Revision* r : chain) {
        const std::string diff = store->data(lock, *r);
        current.applyDiff(Span(diff.data(), diff.size()));
      }
    } catch (zun::exception const& e) {
      Log::print("WARN", "Unable to rebuild %s from objects: ", base.c_str());
      ZUN_LOG_CAUGHT("WARN", "\t", e);
    }
    const auto text = textOf(current);
    if (!chain.empty() && digestOf(*text) == found->other) {
      writeCache(*text);
      return;
    }
  }
  Log::print("WARN", "Unable to verify list '%s' rebuilt from objects; keeping its cached words\n",
             base.c_str());
  if (cache) {
    current.clear();
    current.readFromUtf8Range(Utf8Range(cache->data(), cache->size()));
  }
}

void WordListState::Impl::writeCache(MemoryOutputStream const& text) const {
  const Text cacheFile = self->cachePath();
  try {
    saveText(text, cacheFile.c_str());
  } catch (zun::exception const& e) {
    Log::print("WARN", "Error saving cached file for '%s'.\n", base.c_str());
    ZUN_LOG_CAUGHT("WARN", "\t", e);
  }
}

void WordListState::Impl::refuseLineBreaks() {
  std::vector<Text> refused;
  for (Span const& w : current.words())
    if (w.view().find_first_of("\r\n") != std::string_view::npos) refused.emplace_back(w);
  for (Text const& w : refused) {
    Log::print("WARN", "Refusing a word with a line break in list '%s'\n", base.c_str());
    current.remove(w);
  }
}

bool WordListState::save() {
  if (!hasUnsavedChanges()) return true;
  impl->refuseLineBreaks();
  try {
    const auto held = lock();
    return impl->saveLocked(*held);
  } catch (zun::exception const& e) {
    Log::print("WARN", "Unable to save list '%s'; its changes are kept: ", impl->base.c_str());
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    return false;
  }
}

bool WordListState::Impl::saveLocked(NamedFileLock const& lock) {
  // Another copy of the program may have stored revisions since this one loaded the list.
  const WordList list(self->listPath().c_str());
  if (!loaded || (list.wasRead() && list.currentRevision() != revision)) loadLocked(lock);
  const Text diff = saved.diff(current);
  if (diff.empty()) {
    savedChangeCount = current.changeCount();
    return true;
  }
  const auto text = textOf(current);
  const SHA1 id = store->add(lock, revision, digestOf(*text), diff);
  if (!self->writeRevision(id)) return false;
  revision = id;
  writeCache(*text);
  saved.applyDiff(diff);
  savedChangeCount = current.changeCount();
  return true;
}
