// The reader's word lists on disk under "wordlists/" in the user's folder (or a given root): a list file
// per list (display name, read-only flag, current revision) in "lists/", its revisions in "objects/", a
// cache of its words in "cache/", and the name of the current list in "current". Lists load on demand;
// the working words of a list change in memory and become a revision when saveVersion() runs.
//
// Several running copies of the program may share the folder: see WordListState. Main thread only.
#pragma once

#include "text/wordhash.h"
#include "utils/exception.h"
#include "utils/text.h"
#include "wordlists/wordlist.h"

#include <memory>
#include <vector>

class WordListManager {
public:
  // A base name that cannot name a list file (empty, beginning with ".", holding "/", or too long).
  ZUN_ERROR(invalid_name);
  // A pipe, socket or device stands among the list files (irregularFile names it).
  ZUN_ERROR(not_a_file);

  // root: the folder holding "wordlists/"; null or empty means the user's folder. Creates the folders,
  // converts an old "known.txt", and makes the list named in "current" current ("known" by default).
  // Throws not_a_file, before anything is created or read, when irregularFile finds one.
  explicit WordListManager(const char* root);

  // The first pipe, socket or device (or link to one) among the list, store and cache files and an old
  // "known.txt" under root, as above; "" when there is none. Such a file cannot hold a list, and the marks
  // of a list whose store it is could not be saved. "current" is not looked at: one that cannot be read is
  // kept as it is and "known" is used.
  static std::string irregularFile(const char* root);
  ~WordListManager();
  WordListManager(WordListManager const&) = delete;
  WordListManager& operator=(WordListManager const&) = delete;

  // The current list's working words (the ones that marking words changes).
  WordHash& current() const;
  const char* currentList() const;
  bool currentListReadOnly() const;
  // Saves the current list, then loads base and makes it current. A name that is null, the current one's,
  // or invalid changes nothing more.
  void setCurrent(const char* base);
  // Stores the changes of the current list, and of any other loaded list whose earlier save failed, as
  // revisions. Returns false (logged) when some could not be stored; they stay in memory.
  bool saveVersion();
  // The working words of any list, loaded or brought up to date on demand. Throws invalid_name, or the
  // lock's error when another copy of the program holds the list too long.
  WordHash& wordHash(const char* base) const;

  // Every list in "lists/", sorted by base name.
  std::vector<std::unique_ptr<WordList>> wordLists() const;
  // Creates a list named after displayName; null for a name that gives no base name, or when the list
  // file cannot be written (logged).
  std::unique_ptr<WordList> createList(const char* displayName, bool readOnly);
  // Deletes a list other than the current one, with its revisions and cache. False (logged) when nothing
  // was deleted: the name is the current list's or invalid, or another copy of the program holds the list.
  bool deleteList(const char* base);
  // Writes list's display name and read-only flag into its list file; the revision stays the file's own.
  // False (logged) when the file could not be written, for instance while another copy holds the list.
  bool save(WordList const& list);

  // The base name derived from a display name (empty when nothing is left of it), before any number is
  // added to make it unique.
  static Text baseNameFor(const char* displayName);
  // Whether base can name a list: not empty, no "/", no leading ".", not a name of the folder's own files,
  // and short enough for a file name.
  static bool validBaseName(const char* base);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
