// Lists are found by base name; each loaded list is a WordListState that does its own loading and saving
// under the list's lock. This class keeps the folder layout, the current list and the list files'
// creation, renaming and deletion.
#include "wordlists/wordlistmanager.h"

#include "utils/atomicfilesaver.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/platform/posix/namedfilelock.h"
#include "utils/saveguard.h"
#include "wordlists/objectfile.h"
#include "wordlists/wordliststate.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <sys/stat.h>

namespace {

const char* const KNOWN = "known";
const char* const KNOWN_DISPLAY = "[Known]";
// Room for a number and for the hidden temporary name beside a list file (FileSystem::siblingTempFilename
// adds at most 41 bytes) within the 255 bytes a file name may have.
constexpr size_t MAX_DERIVED_BASE = 200;
constexpr size_t MAX_BASE = 213;

std::string rootFolder(const char* given) {
  std::string root = given && *given ? given : FileSystem::instance().userPath().c_str();
  std::replace(root.begin(), root.end(), '\\', '/');
  if (root.back() != '/') root += '/';
  return root;
}

bool special(std::filesystem::path const& path) {
  std::error_code error;
  const std::filesystem::file_status st = std::filesystem::status(path, error);
  return !error && std::filesystem::is_other(st);
}

bool exists(std::string const& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0;
}

// Writes text so that the file is either the old one or the whole new one.
void saveText(std::string const& path, std::string const& text) {
  if (!AtomicFileSaver::save(path.c_str(), [&](OutputStream& out) { out.write(text.data(), text.size()); }))
    ZUN_THROW(WordList::write_error);
}

} // namespace

struct WordListManager::Impl {
  std::string root, wordlists, lists, currentFile, objects, cache;
  WordListState::Folders folders;
  std::map<std::string, std::unique_ptr<WordListState>> states;
  WordListState* current = nullptr;
  std::string currentName;
  bool currentReadOnly = false;
  // "current" that exists but could not be read at start-up (no regular file, a failed read) may still name
  // the reader's list, so it is not saved over; one that was read but names no list holds no choice to keep.
  SaveGuard currentFileGuard;

  void makeFolders(const char* given);
  bool convertOldList(WordListManager& self);
  void repairKnownDisplayName() const;
  std::string readCurrentName();
  WordListState& state(const char* base);
};

void WordListManager::Impl::makeFolders(const char* given) {
  root = rootFolder(given);
  wordlists = root + "wordlists/";
  lists = wordlists + "lists/";
  currentFile = wordlists + "current";
  objects = wordlists + "objects/";
  cache = wordlists + "cache/";
  for (std::string const* folder : {&lists, &objects, &cache}) {
    std::error_code error;
    std::filesystem::create_directories(*folder, error);
    if (error)
      Log::print("WARN", "Unable to create folder '%s': %s\n", folder->c_str(), error.message().c_str());
  }
  folders = {wordlists.c_str(), lists.c_str(), objects.c_str(), cache.c_str()};
}

WordListState& WordListManager::Impl::state(const char* base) {
  auto it = states.find(base);
  if (it == states.end()) it = states.emplace(base, std::make_unique<WordListState>(folders, base)).first;
  it->second->load();
  return *it->second;
}

bool WordListManager::Impl::convertOldList(WordListManager& self) {
  const std::string old = wordlists + "known.txt";
  if (!exists(old)) return false;
  WordList known;
  known.setBaseName(KNOWN);
  known.setDisplayName(KNOWN_DISPLAY);
  try {
    known.writeToFile((lists + KNOWN).c_str(), true);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Error creating the list 'known': ", e);
  }
  self.setCurrent(KNOWN);
  // The old file goes only once its words are stored, so a failure is tried again at the next start.
  if (current && current->current().addFromFile(old.c_str()) && self.saveVersion()) {
    std::error_code error;
    std::filesystem::rename(old, wordlists + "known.txt.old", error);
    if (error) Log::print("WARN", "Unable to move '%s': %s\n", old.c_str(), error.message().c_str());
  }
  return true;
}

void WordListManager::Impl::repairKnownDisplayName() const {
  const std::string path = lists + KNOWN;
  std::error_code error;
  if (!exists(path) && !std::filesystem::is_empty(lists, error)) return;
  WordList known(path.c_str());
  // A file that exists but cannot be read is left alone: rewriting it would lose what it holds.
  if (!known.mayNeedDisplayNameFix() || (known.existed() && !known.wasRead())) return;
  known.setDisplayName(KNOWN_DISPLAY);
  try {
    known.writeToFile(path.c_str(), false);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Error saving the list 'known': ", e);
  }
}

std::string WordListManager::Impl::readCurrentName() {
  std::string content;
  // The warning's line goes on with the error's entry, after a tab.
  const auto report = [](zun::exception const& e) {
    Log::print("WARN", "Error loading current list name, defaulting to '%s' ", KNOWN);
    ZUN_LOG_CAUGHT("WARN", "\t", e);
  };
  if (currentFileGuard.load(
          currentFile.c_str(), "the current list name",
          [&] { ObjectFile::readAll(currentFile.c_str(), content); }, report) != SaveGuard::Read)
    return KNOWN;
  std::string name = content.substr(0, content.find_first_of("\r\n"));
  if (name != KNOWN && (!validBaseName(name.c_str()) || !exists(lists + name))) {
    Log::print("WARN", "The current list '%s' does not exist, defaulting to '%s'\n", name.c_str(), KNOWN);
    return KNOWN;
  }
  return name;
}

std::string WordListManager::irregularFile(const char* root) {
  const std::string wordlists = rootFolder(root) + "wordlists/";
  if (special(wordlists + "known.txt")) return wordlists + "known.txt";
  for (const char* folder : {"lists/", "objects/", "cache/"}) {
    std::error_code error;
    for (auto const& entry : std::filesystem::directory_iterator(wordlists + folder, error)) {
      const std::string name = entry.path().filename().string();
      if (name[0] != '.' && special(entry.path())) return entry.path().string();
    }
  }
  return {};
}

WordListManager::WordListManager(const char* root) : impl(std::make_unique<Impl>()) {
  const std::string irregular = irregularFile(root);
  if (!irregular.empty()) {
    Log::print("ERR", "'%s' among the word lists is not a regular file\n", irregular.c_str());
    ZUN_THROW(WordListManager::not_a_file);
  }
  impl->makeFolders(root);
  // Read first, so that an unreadable file is known before anything would write it.
  std::string name = impl->readCurrentName();
  if (impl->convertOldList(*this)) name = KNOWN;
  impl->repairKnownDisplayName();
  setCurrent(name.c_str());
}

WordListManager::~WordListManager() = default;

WordHash& WordListManager::current() const {
  return impl->current->current();
}
const char* WordListManager::currentList() const {
  return impl->currentName.c_str();
}
bool WordListManager::currentListReadOnly() const {
  return impl->currentReadOnly;
}

void WordListManager::setCurrent(const char* base) {
  saveVersion();
  if (!base || impl->currentName == base) return;
  if (!validBaseName(base)) {
    Log::print("WARN", "Not a word list name: '%s'\n", base);
    return;
  }
  WordListState& next = impl->state(base);
  impl->current = &next;
  try {
    if (impl->currentFileGuard.maySave()) saveText(impl->currentFile, std::string(base) + "\n");
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Error saving current list name: ", e);
  }
  impl->currentName = base;
  const WordList list(next.listPath().c_str());
  if (!list.wasRead()) {
    Log::print("WARN", "Error getting '%s' read only status: the list file cannot be read\n",
               next.listPath().c_str());
  }
  impl->currentReadOnly = list.wasRead() && list.readOnly();
}

bool WordListManager::saveVersion() {
  bool ok = !impl->current || impl->current->save();
  for (auto& [name, state] : impl->states)
    if (state.get() != impl->current && state->hasUnsavedChanges()) ok = state->save() && ok;
  return ok;
}

WordHash& WordListManager::wordHash(const char* base) const {
  if (!validBaseName(base)) ZUN_THROW(WordListManager::invalid_name);
  return impl->state(base).current();
}

std::vector<std::unique_ptr<WordList>> WordListManager::wordLists() const {
  std::vector<std::string> names;
  std::error_code error;
  for (auto const& entry : std::filesystem::directory_iterator(impl->lists, error)) {
    const std::string name = entry.path().filename().string();
    // Hidden names are the temporary files of saves under way.
    if (name.empty() || name[0] == '.' || entry.is_directory(error)) continue;
    names.push_back(name);
  }
  std::sort(names.begin(), names.end(),
            [](auto const& a, auto const& b) { return std::strcmp(a.c_str(), b.c_str()) < 0; });
  std::vector<std::unique_ptr<WordList>> result;
  for (std::string const& name : names) {
    const std::string path = impl->lists + name;
    auto list = std::make_unique<WordList>(path.c_str());
    if (!list->wasRead()) {
      Log::print("WARN", "Error loading wordlist - '%s'\n", path.c_str());
      continue;
    }
    result.push_back(std::move(list));
  }
  return result;
}

std::unique_ptr<WordList> WordListManager::createList(const char* displayName, bool readOnly) {
  const Text base = baseNameFor(displayName);
  if (base.empty()) return nullptr;
  WordList list;
  list.setDisplayName(displayName);
  list.setReadOnly(readOnly);
  for (unsigned n = 0; n < 100000; ++n) {
    const std::string name = n ? std::string(base.c_str()) + std::to_string(n) : std::string(base.c_str());
    // A name whose revisions or cache are still there (a deletion cut short) is taken too, so that a new
    // list never inherits an old one's words.
    if (!validBaseName(name.c_str()) || exists(impl->lists + name) || exists(impl->objects + name) ||
        exists(impl->cache + name))
      continue;
    list.setBaseName(name.c_str());
    try {
      if (list.writeToFile((impl->lists + name).c_str(), true)) return std::make_unique<WordList>(list);
    } catch (zun::exception const& e) {
      Log::print("WARN", "Error creating list '%s': ", name.c_str());
      ZUN_LOG_CAUGHT("WARN", "\t", e);
      return nullptr;
    }
  }
  return nullptr;
}

bool WordListManager::deleteList(const char* base) {
  if (!base || impl->currentName == base || !validBaseName(base)) return false;
  try {
    const auto held = WordListState::lock(impl->folders.locks, base);
    impl->states.erase(base);
    for (std::string const* folder : {&impl->lists, &impl->objects, &impl->cache}) {
      std::error_code error;
      std::filesystem::remove(*folder + base, error);
    }
  } catch (zun::exception const& e) {
    Log::print("WARN", "Error deleting list '%s': ", base);
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    return false;
  }
  return true;
}

bool WordListManager::save(WordList const& list) {
  const char* base = list.baseName();
  if (!validBaseName(base)) return false;
  try {
    const auto held = WordListState::lock(impl->folders.locks, base);
    const std::string path = impl->lists + base;
    // The revision belongs to the saves; a WordList read earlier may name an older one.
    const WordList onDisk(path.c_str());
    WordList out(list);
    auto it = impl->states.find(base);
    if (onDisk.wasRead())
      out.setCurrentRevision(onDisk.currentRevision());
    else if (it != impl->states.end())
      out.setCurrentRevision(it->second->currentRevision());
    out.writeToFile(path.c_str(), false);
  } catch (zun::exception const& e) {
    Log::print("WARN", "Error saving '%s': ", base);
    ZUN_LOG_CAUGHT("WARN", "\t", e);
    return false;
  }
  if (impl->currentName == base) impl->currentReadOnly = list.readOnly();
  return true;
}

Text WordListManager::baseNameFor(const char* displayName) {
  std::string out;
  if (!displayName) return Text();
  const size_t length = std::min(std::strlen(displayName), size_t(1024));
  bool afterDropped = false; // a space or punctuation right after a dropped byte gives no "-"
  for (size_t i = 0; i < length; ++i) {
    const auto c = static_cast<unsigned char>(displayName[i]);
    const size_t lead = c >= 0xF0 && c < 0xF8 ? 4 : c >= 0xE0 && c < 0xF0 ? 3 : c >= 0xC0 && c < 0xE0 ? 2 : 0;
    const bool continued = lead && (static_cast<unsigned char>(displayName[i + 1]) & 0xC0) == 0x80;
    if (continued) {
      // The character is copied whole, even when it runs past the 1,024 bytes looked at.
      size_t n = 1;
      while (n < lead && (static_cast<unsigned char>(displayName[i + n]) & 0xC0) == 0x80)
        ++n;
      out.append(displayName + i, n);
      i += n - 1;
      afterDropped = false;
    } else if ((c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == '-') {
      out += char(c);
      afterDropped = false;
    } else if (c >= 'A' && c <= 'Z') {
      out += char(c - 'A' + 'a');
      afterDropped = false;
    } else if ((c >= 0x20 && c <= 0x2F) || (c >= 0x3A && c <= 0x40) || (c >= 0x5B && c <= 0x60) ||
               (c >= 0x7B && c <= 0x7E)) {
      if (!out.empty() && !afterDropped && out.back() != '-') out += '-';
      afterDropped = false;
    } else {
      afterDropped = true;
    }
  }
  // A name longer than a file name may be could never be saved; cut it at a character boundary.
  if (out.size() > MAX_DERIVED_BASE) {
    char cut[MAX_DERIVED_BASE + 1];
    Span(out.data(), out.size()).copyTo(cut, sizeof cut);
    out = cut;
  }
  return Text(out.c_str());
}

bool WordListManager::validBaseName(const char* base) {
  if (!base || !*base) return false;
  const std::string_view name(base);
  // A leading "." is how the temporary files of saves are told apart from lists.
  if (name.size() > MAX_BASE || name[0] == '.' || name.find('/') != std::string_view::npos) return false;
  // These would be the lock file of the list, and the folder's own files and folders are taken.
  for (const char* own : {"current", "lists", "objects", "cache", "known.txt", "known.txt.old"})
    if (name == own) return false;
  return true;
}
