// The metadata of one word list, as kept in its list file ("wordlists/lists/" + base name): display name,
// read-only flag and current revision, in property text with the keys ".version", "readOnly",
// "displayName" and "currentRevision".
#pragma once

#include "openssl/sha1.h"
#include "utils/exception.h"
#include "utils/outputstream.h"
#include "utils/span.h"
#include "utils/text.h"

#include <memory>

class WordList {
public:
  ZUN_ERROR(write_error);

  // Defaults: no display name, not read-only, no revision.
  WordList();
  // Reads the list file at path; the base name is its file name. A file that cannot be read leaves the
  // defaults and marks the list as needing a fix (as does a ".version" below 2).
  explicit WordList(const char* path);
  WordList(WordList const& other);
  WordList& operator=(WordList const& other);
  ~WordList();

  const char* baseName() const;
  void setBaseName(const char* name);
  const char* displayName() const;
  // Stores storableDisplayName(name), so that the name shown is the name the list file gives back.
  void setDisplayName(const char* name);
  bool readOnly() const;
  void setReadOnly(bool on);
  OpenSSL::SHA1 const& currentRevision() const;
  void setCurrentRevision(OpenSSL::SHA1 const& revision);

  // The four keys in the order ".version", "readOnly", "displayName", "currentRevision", then an empty line.
  void writeToStream(OutputStream& out) const;
  // Reads the keys from property text; keys that are absent keep their values.
  void readFromUtf8Range(Utf8Range const& range);

  // Writes the file so that it is either the old one or the whole new one. With createOnly, an existing
  // file is left alone and false comes back. Throws write_error or FileWriter's errors.
  bool writeToFile(const char* path, bool createOnly) const;

  // The one rule for display names, shared by the list file and the dialogs that name lists: the name as
  // the list file gives it back. Line breaks become spaces, blanks at either end go, and a name longer than
  // the file carries (511 bytes, one less when it is written behind an escape) is cut at a character
  // boundary. Empty for a blank name, which the dialogs refuse.
  static Text storableDisplayName(const char* name);

  // The display name is empty and the file could not be read or is of an older version.
  bool mayNeedDisplayNameFix() const;
  // The file named at construction existed and was read (an empty file counts as read).
  bool wasRead() const;
  // Whether that file existed at all.
  bool existed() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
