// One word list in memory: the words as last saved or loaded, the working words the user changes, and the
// list's revision store. It keeps itself in step with the files of "wordlists/" that several running
// copies of the program may share: every load, rebuild and save happens under the list's lock file, and
// changes not yet saved are applied again on top of whatever another copy stored meanwhile.
// Main thread only.
#pragma once

#include "openssl/sha1.h"
#include "text/wordhash.h"
#include "utils/exception.h"
#include "utils/text.h"

#include <memory>

class NamedFileLock;

class WordListState {
public:
  // The folders of "wordlists/", each ending in "/": the lock folder, lists, objects and cache.
  struct Folders {
    Text locks, lists, objects, cache;
  };

  WordListState(Folders const& folders, const char* baseName);
  ~WordListState();
  WordListState(WordListState const&) = delete;
  WordListState& operator=(WordListState const&) = delete;

  const char* baseName() const;
  WordHash& current();
  WordHash const& saved() const;
  OpenSSL::SHA1 const& currentRevision() const;
  // The working words differ from the last saved or loaded ones.
  bool hasUnsavedChanges() const;

  // Brings the words up to date with the list file, the store and the cache; the first call loads them.
  // Unsaved changes survive. Throws the lock's error (FileLock::already_exists, ...) when the list's lock
  // cannot be had after retrying briefly.
  void load();
  // Stores the unsaved changes as a revision. Returns false (logged under "WARN") when they could not be
  // stored; they stay in memory for a later save. Words holding a line break are refused and dropped.
  bool save();

  // Takes the list's lock, retrying briefly while another holder has it; throws the lock's error when it
  // stays taken.
  std::unique_ptr<NamedFileLock> lock() const;
  static std::unique_ptr<NamedFileLock> lock(Text const& lockFolder, const char* baseName);
  // Writes revision into the list file, keeping its other keys; creates the file when missing. Refuses
  // (false, logged) to rewrite a file that exists but cannot be read.
  bool writeRevision(OpenSSL::SHA1 const& revision) const;

  Text listPath() const;
  Text objectPath() const;
  Text cachePath() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
