// The revision history of one word list: an append-only file of records, each named by the SHA-1 of its
// content and linked to its parent, indexed in memory by id. Several processes may share a store file:
// the caller holds the list's NamedFileLock around construction, reload, add and data reads, and a store
// changed by another process is recognised by its content digest (modified()) and reloaded.
// Main thread only.
#pragma once

#include "openssl/sha1.h"
#include "utils/exception.h"
#include "utils/span.h"
#include "utils/timestamp.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class NamedFileLock;

class ObjectStore {
public:
  // An append that could not be written whole and made durable; the file is left as it was.
  ZUN_ERROR(write_error);

  struct Revision {
    OpenSSL::SHA1 id;
    OpenSSL::SHA1 parent; // all zeros for a first revision
    OpenSSL::SHA1 other;  // for word lists: the SHA-1 of the list's text after this revision
    Timestamp timestamp;
    uint64_t dataOffset = 0; // where the data starts in the store file
    uint64_t dataLength = 0;
  };

  // Builds the index from the file at path (a missing or unreadable file gives an empty store, logged).
  ObjectStore(NamedFileLock const& lock, const char* path);
  ~ObjectStore();
  ObjectStore(ObjectStore const&) = delete;
  ObjectStore& operator=(ObjectStore const&) = delete;

  const char* path() const;
  // Rebuilds the index from the file. Only records whose content matches their id are indexed, so a torn
  // or damaged record is left out (logged under "WARN"); one damaged byte costs no other record.
  void reload(NamedFileLock const& lock);
  // False when the file does not exist; otherwise true when its content differs from what was last read or
  // written here.
  bool modified() const;

  size_t size() const;
  // The revision with that id, or null. Pointers stay valid until the next reload or add.
  const Revision* revision(OpenSSL::SHA1 const& id) const;
  // The revision with the latest time; of equal times the one appended last. Null when empty.
  const Revision* mostRecent() const;
  // Every revision, in the order of the file (the order in which they were appended).
  std::vector<const Revision*> inFileOrder() const;
  // The chain from the revision whose parent is from up to the one with id to, oldest first; empty when to
  // is unknown or the chain breaks before reaching from.
  std::vector<const Revision*> revisionList(OpenSSL::SHA1 const& from, OpenSSL::SHA1 const& to) const;

  // Appends a record and returns its id. A store that another process has appended to is reloaded first.
  // The record is written with checked writes and flushed to the device before this returns; on any
  // failure the file is cut back to its old length and write_error is thrown, and nothing is indexed.
  OpenSSL::SHA1 add(NamedFileLock const& lock, OpenSSL::SHA1 const& parent, OpenSSL::SHA1 const& other,
                    Span const& data);

  // The data bytes of a revision, read from the file. Throws ObjectFile::read_error.
  std::string data(NamedFileLock const& lock, Revision const& revision) const;

  // The id that a record with these fields has: the SHA-1 of the parent's and the other's hex digits, the
  // time text and the data.
  static OpenSSL::SHA1 recordId(Span const& parentHex, Span const& otherHex, Span const& time,
                                Span const& data);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
