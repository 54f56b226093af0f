// Loading trusts the cache only when its digest is the current revision's "other" id, and trusts a list
// rebuilt from the revisions only when the rebuilt words have that digest too. What cannot be verified is
// never written over what is on disk: a readable cache stays, and the words it holds (or, without one, the
// words of the intact records) are kept as unsaved changes on top of the newest revision that could be
// verified, so that the next save records them on a sound parent.
#include "wordlists/wordliststate.h"

#include "utils/atomicfilesaver.h"
#include "utils/log.h"
#include "utils/memoryoutputstream.h"
#include "utils/platform/posix/namedfilelock.h"
#include "wordlists/objectfile.h"
#include "wordlists/objectstore.h"
#include "wordlists/wordlist.h"

#include <algorithm>
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

bool sameWords(WordHash const& a, WordHash const& b) {
  if (a.totalWords() != b.totalWords()) return false;
  for (auto it = a.begin(); !it.atEnd(); it = a.next(it))
    if (it.exists() == WordHash::Word && b.exists(it.key()) != WordHash::Word) return false;
  return true;
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
  using Revision = ObjectStore::Revision;
  Impl(Folders const& f, const char* base) : folders(f), base(base) {}

  void loadLocked(NamedFileLock const& lock);
  // Fills saved, revision and current; see the file comment.
  void fillWords(NamedFileLock const& lock, const Revision* found, bool fallback, std::string const* cache);
  // Rebuilds target from the records: saved and revision become the newest verified state on its chain,
  // current everything the intact records give. True when current is target's verified state; its text
  // is then left in text.
  bool rebuild(NamedFileLock const& lock, const Revision* target, std::unique_ptr<MemoryOutputStream>& text);
  // The chain back from target as far as it is intact, oldest first.
  std::vector<const Revision*> intactTail(Revision const& target) const;
  // The newest record before the given one in the file whose whole chain is intact, or null.
  const Revision* intactHeadBefore(Revision const& record) const;
  void apply(NamedFileLock const& lock, std::vector<const Revision*> const& chain);
  bool readCache(std::string& cache) const;
  bool saveLocked(NamedFileLock const& lock);
  void refuseLineBreaks();
  void writeCache(MemoryOutputStream const& text) const;

  Text path(Text const& folder) const { return Text((std::string(folder.c_str()) + base.c_str()).c_str()); }

  WordListState* self = nullptr;
  Folders folders;
  Text base;
  WordHash saved{16};   // the words of revision
  WordHash current{16}; // saved plus the changes not yet stored
  std::unique_ptr<ObjectStore> store;
  SHA1 revision; // the newest revision whose words were verified: the parent of the next one
  SHA1 listed;   // the revision the list file named when it was last read or written here
  bool loaded = false;
};

WordListState::WordListState(Folders const& folders, const char* baseName)
    : impl(std::make_unique<Impl>(folders, baseName)) {
  impl->self = this;
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
  // Decided by the words, not by change counts: a bulk add takes over the count of the set it adds.
  return !sameWords(impl->saved, impl->current);
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
  if (impl->loaded && list.wasRead() && list.currentRevision() == impl->listed) return;
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
  const bool pending = !sameWords(saved, current);
  const Text unsaved = pending ? saved.diff(current) : Text();

  if (!store)
    store = std::make_unique<ObjectStore>(lock, self->objectPath().c_str());
  else if (store->modified())
    store->reload(lock);

  // An unreadable list file says nothing; keep the revision it named before.
  const SHA1 named = list.wasRead() ? list.currentRevision() : listed;
  listed = named;
  const Revision* found = store->revision(named);
  const bool fallback = !found && store->size() > 0;
  if (fallback) {
    Log::print("WARN", "Invalid object revision '%s' for list '%s'", named.hex().c_str(), base.c_str());
    found = store->mostRecent();
  }
  std::string cache;
  const bool cacheRead = readCache(cache);
  fillWords(lock, found, fallback, cacheRead ? &cache : nullptr);
  if (pending) current.applyDiff(unsaved);
  loaded = true;
}

bool WordListState::Impl::readCache(std::string& cache) const {
  const Text cacheFile = self->cachePath();
  try {
    ObjectFile::readAll(cacheFile.c_str(), cache);
    return true;
  } catch (zun::exception const& e) {
    if (exists(cacheFile.c_str())) {
      Log::print("WARN", "Error loading cached file for '%s': ", base.c_str());
      ZUN_LOG_CAUGHT("WARN", "\t", e);
    }
  }
  return false;
}

void WordListState::Impl::fillWords(NamedFileLock const& lock, const Revision* found, bool fallback,
                                    std::string const* cache) {
  const auto useFound = [&] {
    if (fallback && self->writeRevision(found->id)) listed = found->id;
  };
  if (cache && found && SHA1::of(cache->data(), cache->size()) == found->other) {
    current.clear();
    current.readFromUtf8Range(Utf8Range(cache->data(), cache->size()));
    saved.copy(current);
    revision = found->id;
    useFound();
    return;
  }
  // A cache is replaced only by the verified words of the revision the list file names; a fallback's
  // words may be older than the cache.
  std::unique_ptr<MemoryOutputStream> text;
  if (rebuild(lock, found, text) && (!cache || (found && !fallback))) {
    if (!found) return;
    writeCache(*text);
    useFound();
    return;
  }
  Log::print("WARN", "Unable to verify list '%s' rebuilt from objects; keeping its %s words as unsaved\n",
             base.c_str(), cache ? "cached" : "intact revisions'");
  if (cache) {
    current.clear();
    current.readFromUtf8Range(Utf8Range(cache->data(), cache->size()));
  }
}

bool WordListState::Impl::rebuild(NamedFileLock const& lock, const Revision* target,
                                  std::unique_ptr<MemoryOutputStream>& text) {
  saved.clear();
  current.clear();
  revision = SHA1();
  if (!target) return true;
  std::vector<const Revision*> chain = store->revisionList(SHA1(), target->id), tail;
  if (chain.empty()) {
    // Losing only the diffs of the damaged records: the newest intact history before the break, then the
    // intact records after it.
    tail = intactTail(*target);
    if (const Revision* head = intactHeadBefore(*tail.front())) chain = store->revisionList(SHA1(), head->id);
  }
  try {
    apply(lock, chain);
    text = textOf(current);
    if (!chain.empty() && digestOf(*text) == chain.back()->other) {
      saved.copy(current);
      revision = chain.back()->id;
    }
    apply(lock, tail);
  } catch (zun::exception const& e) {
    Log::print("WARN", "Unable to rebuild %s from objects: ", base.c_str());
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    return false;
  }
  return tail.empty() && revision == target->id;
}

std::vector<const ObjectStore::Revision*> WordListState::Impl::intactTail(Revision const& target) const {
  std::vector<const Revision*> tail;
  for (const Revision* r = &target; r && tail.size() <= store->size(); r = store->revision(r->parent))
    tail.push_back(r);
  std::reverse(tail.begin(), tail.end());
  return tail;
}

const ObjectStore::Revision* WordListState::Impl::intactHeadBefore(Revision const& record) const {
  const auto all = store->inFileOrder();
  for (auto it = all.rbegin(); it != all.rend(); ++it)
    if ((*it)->dataOffset < record.dataOffset && !store->revisionList(SHA1(), (*it)->id).empty()) return *it;
  return nullptr;
}

void WordListState::Impl::apply(NamedFileLock const& lock, std::vector<const Revision*> const& chain) {
  for (const Revision* r : chain) {
    const std::string diff = store->data(lock, *r);
    current.applyDiff(Span(diff.data(), diff.size()));
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
  if (!loaded || (list.wasRead() && list.currentRevision() != listed)) loadLocked(lock);
  const Text diff = saved.diff(current);
  if (diff.empty()) return true;
  const auto text = textOf(current);
  const SHA1 id = store->add(lock, revision, digestOf(*text), diff);
  if (!self->writeRevision(id)) return false;
  revision = id;
  listed = id;
  writeCache(*text);
  saved.applyDiff(diff);
  return true;
}
