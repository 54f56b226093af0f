// The object store: records appended with data, parents and "other" digests from the input must reload
// exactly (data, links, the most recent one, the chain to the root); after one damaged, inserted or cut byte,
// a reload indexes no record that was not written and keeps every record whose bytes are intact. Any bytes
// as a store file load without harm.
#include "fuzz.h"

#include "utils/platform/posix/namedfilelock.h"
#include "wordlists/objectstore.h"

#include <cstdio>
#include <map>

namespace {

using OpenSSL::SHA1;

struct Record {
  SHA1 id, parent, other;
  std::string data;
  size_t begin, end; // the record's bytes in the file, a line feed before it included
  bool verifiable;   // its data holds no line that reads as a record header
};

bool isHex(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// "@" id parent other, each 40 hex digits and a space, then "YYYY-MM-DD hh:mm:ss" at the start of a line.
bool holdsHeaderLine(std::string_view data) {
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != '@' || (i > 0 && data[i - 1] != '\n' && data[i - 1] != '\r')) continue;
    std::string_view rest = data.substr(i + 1);
    bool header = rest.size() >= 3 * 41 + 19;
    for (size_t k = 0; header && k < 3 * 41; ++k)
      header = k % 41 == 40 ? rest[k] == ' ' : isHex(rest[k]);
    for (size_t k = 0; header && k < 19; ++k)
      header = std::string_view("0000-00-00 00:00:00")[k] == '0'
                   ? rest[123 + k] >= '0' && rest[123 + k] <= '9'
                   : rest[123 + k] == "0000-00-00 00:00:00"[k];
    if (header) return true;
  }
  return false;
}

NamedFileLock const& lock() {
  static const NamedFileLock* held = new NamedFileLock(fuzz::folder().c_str(), "store.lock");
  return *held;
}

std::string const& path() {
  static const std::string p = fuzz::folder() + "/store";
  return p;
}

// Each record is in the store with its data and links; so are only the records written.
void expectRecords(ObjectStore const& store, std::vector<Record> const& records,
                   std::vector<bool> const& needed, const char* property) {
  std::map<SHA1, Record const*> byId;
  for (Record const& r : records)
    byId[r.id] = &r;
  for (size_t i = 0; i < records.size(); ++i) {
    Record const& r = records[i];
    if (!needed[i] || !r.verifiable) continue;
    const ObjectStore::Revision* rev = store.revision(r.id);
    FUZZ_CHECK(property,
               rev && rev->parent == r.parent && rev->other == r.other && store.data(lock(), *rev) == r.data,
               "record " + std::to_string(i) + " of " + std::to_string(records.size()) + " at " +
                   std::to_string(r.begin) + " data " + fuzz::show(r.data) + "\nfile " +
                   fuzz::show(fuzz::readFile(path()), 800));
  }
  for (auto const& [id, r] : byId) {
    const ObjectStore::Revision* rev = store.revision(id);
    if (rev)
      FUZZ_CHECK("objectstore: a record read back is one that was written, whole",
                 store.data(lock(), *rev) == r->data && rev->parent == r->parent,
                 "record at " + std::to_string(r->begin) + " data " + fuzz::show(r->data) + " read " +
                     fuzz::show(store.data(lock(), *rev)) + "\nfile " +
                     fuzz::show(fuzz::readFile(path()), 800));
  }
}

void damage(FuzzedDataProvider& in, std::vector<Record> const& records) {
  const std::string original = fuzz::readFile(path());
  std::string file = original;
  if (file.empty()) return;
  const size_t at = in.ConsumeIntegralInRange<size_t>(0, file.size() - 1);
  const int kind = in.ConsumeIntegralInRange(0, 2);
  if (kind == 0) file[at] = char(file[at] ^ (in.ConsumeIntegralInRange(1, 255)));
  if (kind == 1) file.insert(at, 1, char(in.ConsumeIntegral<uint8_t>()));
  if (kind == 2) file.resize(at);
  fuzz::writeFile(path(), file);
  std::vector<bool> intact;
  for (Record const& r : records)
    intact.push_back(kind == 2 ? r.end <= at : at < r.begin || at >= r.end);
  const ObjectStore store(lock(), path().c_str());
  expectRecords(store, records, intact, "objectstore: a damaged byte loses only its own record");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  std::remove(path().c_str());
  if (in.ConsumeIntegralInRange(0, 7) == 0) { // any bytes as a store
    fuzz::writeFile(path(), in.ConsumeRemainingBytesAsString());
    const ObjectStore store(lock(), path().c_str());
    if (const ObjectStore::Revision* last = store.mostRecent()) store.revisionList(SHA1(), last->id);
    return 0;
  }
  std::vector<Record> records;
  {
    ObjectStore store(lock(), path().c_str());
    const size_t count = in.ConsumeIntegralInRange(1, 6);
    for (size_t i = 0; i < count && in.remaining_bytes(); ++i) {
      Record r;
      const size_t parent = in.ConsumeIntegralInRange<size_t>(0, records.size());
      if (parent < records.size()) r.parent = records[parent].id;
      r.other = SHA1::of(&i, sizeof i);
      r.data = in.ConsumeRandomLengthString(300);
      r.begin = fuzz::readFile(path()).size();
      r.id = store.add(lock(), r.parent, r.other, Span(r.data));
      r.end = fuzz::readFile(path()).size();
      r.verifiable = !holdsHeaderLine(r.data);
      records.push_back(r);
    }
  }
  if (records.empty()) return 0;
  const ObjectStore store(lock(), path().c_str());
  expectRecords(store, records, std::vector<bool>(records.size(), true),
                "objectstore: records reload as written");
  const ObjectStore::Revision* last = store.mostRecent();
  FUZZ_CHECK("objectstore: the most recent record is the last one", last && last->id == records.back().id,
             std::to_string(records.size()) + " records");
  // The chain from the root to the last record, through the parents as written.
  std::vector<SHA1> chain{records.back().id};
  for (bool more = true; more && chain.size() <= records.size();) {
    more = false;
    for (Record const& r : records)
      if (r.id == chain.back() && !(r.parent == SHA1()) && !more) chain.push_back(r.parent), more = true;
  }
  const auto list = store.revisionList(SHA1(), records.back().id);
  bool same = list.size() == chain.size();
  for (size_t i = 0; same && i < list.size(); ++i)
    same = list[i]->id == chain[chain.size() - 1 - i];
  FUZZ_CHECK("objectstore: the chain to the root is the parents'", same || chain.size() > records.size(),
             std::to_string(list.size()) + " revisions listed, want " + std::to_string(chain.size()));
  damage(in, records);
  return 0;
}
