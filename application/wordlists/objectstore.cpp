// The index is a vector of revisions sorted by id. Records are verified against their id when read, so a
// record cut short by a crash, or damaged later, is left out instead of feeding a wrong diff to a rebuild.
// The data of a verified record can end before the next header: add() puts a line feed before a record when
// the file did not end with one, and a damaged or torn record leaves its bytes in front of the next header
// that still reads as one. One damaged byte must cost no more than its own record, so a record whose data
// does not verify whole is tried at every length where the next record may have begun, and what follows
// the verified data is searched for a header whose "@" no longer starts a line.
#include "wordlists/objectstore.h"

#include "utils/log.h"
#include "utils/platform/posix/filewriter.h"
#include "wordlists/objectfile.h"
#include "wordlists/objectfiletokenizer.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using OpenSSL::SHA1;

namespace {

constexpr size_t RESERVED = 5000;

bool lessById(ObjectStore::Revision const& a, ObjectStore::Revision const& b) {
  return a.id < b.id;
}

// Now, with the clock's real microseconds, so that records made within one second keep their order.
Timestamp now() {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return Timestamp(int64_t(ts.tv_sec), int32_t(ts.tv_nsec / 1000));
}

// The lengths at which a record's data may end when the bytes after it were damaged: where a line starts,
// where a "@" stands and at the end, each also less one or two bytes (the line feed that add() puts before a
// record, and a byte put in or changed beside it). Ascending, without repeats.
std::vector<size_t> cutLengths(Span const& data) {
  std::vector<size_t> lengths;
  auto add = [&](size_t p) {
    for (size_t k = p < 2 ? p : 2;; --k) {
      if (lengths.empty() || lengths.back() < p - k) lengths.push_back(p - k);
      if (k == 0) break;
    }
  };
  for (size_t p = 0; p < data.length; ++p)
    if (data.data[p] == '@' || p == 0 || data.data[p - 1] == '\n' || data.data[p - 1] == '\r') add(p);
  add(data.length);
  return lengths;
}

// The first "@" in [p, end) that begins a whole header, wherever it stands in its line, or null.
const char* headerInLine(const char* p, const char* end) {
  for (; p < end; ++p) {
    p = static_cast<const char*>(std::memchr(p, '@', size_t(end - p)));
    if (!p || ObjectFileTokenizer::isHeaderAt(p, p, end)) return p;
  }
  return nullptr;
}

// Writes all of data, or fails.
bool writeAll(int fd, const char* data, size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= size_t(n);
  }
  return true;
}

void syncFolderOf(const char* path) {
  std::string folder(path);
  const size_t slash = folder.rfind('/');
  folder = slash == std::string::npos ? "." : folder.substr(0, slash + 1);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

} // namespace

struct ObjectStore::Impl {
  explicit Impl(const char* path) : file(path) {}

  // A record's fields as the tokenizer hands them out.
  struct Fields {
    Span hex, parentHex, otherHex, time, data;
    // Takes the token into its field; true once the data is in.
    bool take(Token const& t);
  };

  void reload();
  void reloadFrom(std::string const& content);
  void parse(std::string const& content);
  // Indexes the record when some length of its data (see the file comment) matches its id. Returns the
  // "@" of a header in the bytes its verified data leaves over, or null.
  const char* addVerified(Fields const& record, const char* fileStart);
  // The first of the lengths (ascending) at which the record's data gives the id, or npos.
  static size_t verifiedLength(Fields const& record, SHA1 const& id, std::vector<size_t> const& lengths);
  void insert(Revision const& r) {
    revisions.insert(std::upper_bound(revisions.begin(), revisions.end(), r, lessById), r);
  }
  // Appends the record durably and returns the file's length before it.
  uint64_t append(Span const& record, bool newFile);

  ObjectFile file;
  std::vector<Revision> revisions; // sorted by id
};

void ObjectStore::Impl::reload() {
  revisions.clear();
  revisions.reserve(RESERVED);
  std::string content;
  try {
    ObjectFile::readAll(file.path(), content);
  } catch (zun::exception const& e) {
    Log::print("WARN", "Unable to load object store '%s'\n", file.path());
    ZUN_LOG_CAUGHT("WARN", "", e);
    return;
  }
  reloadFrom(content);
}

void ObjectStore::Impl::reloadFrom(std::string const& content) {
  revisions.clear();
  parse(content);
  file.setSHA(SHA1::of(content.data(), content.size()));
  std::sort(revisions.begin(), revisions.end(), lessById);
}

bool ObjectStore::Impl::Fields::take(Token const& t) {
  switch (t.type) {
  case ObjectFileTokenizer::Id:
    hex = t.span();
    break;
  case ObjectFileTokenizer::Parent:
    parentHex = t.span();
    break;
  case ObjectFileTokenizer::Other:
    otherHex = t.span();
    break;
  case ObjectFileTokenizer::Time:
    time = t.span();
    break;
  case ObjectFileTokenizer::Data:
    data = t.span();
    return true;
  default:
    break;
  }
  return false;
}

void ObjectStore::Impl::parse(std::string const& content) {
  ObjectFileTokenizer tokenizer(Utf8Range(content.data(), content.size()));
  Fields record;
  while (tokenizer.hasTokens()) {
    if (!record.take(tokenizer.nextToken())) continue;
    // A header found inside the data starts a record of its own, which runs to where the data ends.
    for (const char* at = addVerified(record, content.data()); at; at = addVerified(record, content.data())) {
      ObjectFileTokenizer inner(Utf8Range(at, size_t(record.data.end() - at)));
      while (inner.hasTokens() && !record.take(inner.nextToken())) {
      }
    }
  }
}

size_t ObjectStore::Impl::verifiedLength(Fields const& r, SHA1 const& id,
                                         std::vector<size_t> const& lengths) {
  SHA1::Stream stream;
  stream << r.parentHex << r.otherHex << r.time;
  size_t fed = 0;
  for (size_t length : lengths) {
    stream.write(r.data.data + fed, length - fed);
    fed = length;
    if (stream.digestSoFar() == id) return length;
  }
  return std::string::npos;
}

const char* ObjectStore::Impl::addVerified(Fields const& r, const char* fileStart) {
  const TextBuffer<40> idText(r.hex);
  const SHA1 id = SHA1::fromHex(idText.c_str());
  const Span& data = r.data;
  // Whole, or without the line feed that add() put before the next record; only then cut shorter.
  std::vector<size_t> lengths{data.length};
  if (data.length > 0 && data.data[data.length - 1] == '\n') lengths.insert(lengths.begin(), data.length - 1);
  size_t length = verifiedLength(r, id, lengths);
  const bool whole = length != std::string::npos;
  if (!whole) length = verifiedLength(r, id, cutLengths(data));
  const char* rest = data.data;
  if (length == std::string::npos) {
    Log::print("WARN", "Skipping damaged record '%s' at offset %llu of object store '%s'\n", idText.c_str(),
               (unsigned long long)(data.data - fileStart), file.path());
  } else {
    const TextBuffer<40> parentText(r.parentHex), otherText(r.otherHex);
    revisions.push_back(Revision{id, SHA1::fromHex(parentText.c_str()), SHA1::fromHex(otherText.c_str()),
                                 Timestamp(r.time), uint64_t(data.data - fileStart), uint64_t(length)});
    rest = data.data + length;
    if (!whole)
      Log::print("WARN", "Skipping damaged record after '%s' at offset %llu of object store '%s'\n",
                 idText.c_str(), (unsigned long long)(rest - fileStart), file.path());
  }
  return headerInLine(rest, data.end());
}

uint64_t ObjectStore::Impl::append(Span const& record, bool newFile) {
  const int fd = FileWriter::openForWriting(file.path(), O_WRONLY | O_APPEND | O_CREAT);
  if (fd < 0) ZUN_THROW(ObjectStore::write_error);
  struct stat st {};
  // A pipe that someone reads would take the records away.
  bool ok = ::fstat(fd, &st) == 0 && !S_ISFIFO(st.st_mode);
  const off_t oldSize = ok ? st.st_size : 0;
  ok = ok && writeAll(fd, record.data, record.length) && ::fsync(fd) == 0;
  if (!ok) {
    // Whatever part was written must not sit in front of the next record.
    if (::ftruncate(fd, oldSize) == 0) ::fsync(fd);
    ::close(fd);
    ZUN_THROW(ObjectStore::write_error);
  }
  ::close(fd);
  if (newFile) syncFolderOf(file.path());
  return uint64_t(oldSize);
}

ObjectStore::ObjectStore(NamedFileLock const&, const char* path) : impl(std::make_unique<Impl>(path)) {
  impl->reload();
}

ObjectStore::~ObjectStore() = default;

const char* ObjectStore::path() const {
  return impl->file.path();
}

void ObjectStore::reload(NamedFileLock const&) {
  impl->reload();
}

bool ObjectStore::modified() const {
  struct stat st {};
  if (::stat(impl->file.path(), &st) != 0) return false;
  return !impl->file.checkSHA();
}

size_t ObjectStore::size() const {
  return impl->revisions.size();
}

const ObjectStore::Revision* ObjectStore::revision(SHA1 const& id) const {
  auto const& revs = impl->revisions;
  auto it = std::lower_bound(revs.begin(), revs.end(), id,
                             [](Revision const& r, SHA1 const& k) { return r.id < k; });
  return it != revs.end() && it->id == id ? &*it : nullptr;
}

const ObjectStore::Revision* ObjectStore::mostRecent() const {
  const Revision* best = nullptr;
  for (Revision const& r : impl->revisions) {
    if (!best || r.timestamp > best->timestamp ||
        (r.timestamp == best->timestamp && r.dataOffset > best->dataOffset))
      best = &r;
  }
  return best;
}

std::vector<const ObjectStore::Revision*> ObjectStore::inFileOrder() const {
  std::vector<const Revision*> out;
  out.reserve(impl->revisions.size());
  for (Revision const& r : impl->revisions)
    out.push_back(&r);
  std::sort(out.begin(), out.end(), [](auto a, auto b) { return a->dataOffset < b->dataOffset; });
  return out;
}

std::vector<const ObjectStore::Revision*> ObjectStore::revisionList(SHA1 const& from, SHA1 const& to) const {
  std::vector<const Revision*> chain;
  // Ids are digests of their parents, so a cycle cannot be made on purpose; the bound keeps a damaged or
  // crafted store from looping all the same.
  for (const Revision* r = revision(to); r && chain.size() <= impl->revisions.size();
       r = revision(r->parent)) {
    chain.push_back(r);
    if (r->parent == from) {
      std::reverse(chain.begin(), chain.end());
      return chain;
    }
  }
  return {};
}

SHA1 ObjectStore::add(NamedFileLock const&, SHA1 const& parent, SHA1 const& other, Span const& data) {
  // One read serves the check for another process's appends, the offset and the new content digest.
  std::string existing;
  bool newFile = false;
  try {
    ObjectFile::readAll(path(), existing);
  } catch (zun::exception const&) {
    newFile = true;
  }
  if (newFile)
    impl->revisions.clear(); // the file and its records are gone
  else if (SHA1::of(existing.data(), existing.size()) != impl->file.sha())
    impl->reloadFrom(existing);

  char time[32];
  const size_t timeLength = now().asText(time, sizeof time, true);
  const auto parentHex = parent.hex(), otherHex = other.hex();
  const SHA1 id = recordId(parentHex, otherHex, Span(time, timeLength), data);
  std::string record;
  if (!existing.empty() && existing.back() != '\n' && existing.back() != '\r') record += '\n';
  record += '@';
  record.append(id.hex().view()).append(" ").append(parentHex.view()).append(" ").append(otherHex.view());
  record.append(" ").append(time, timeLength).append("\n");
  const uint64_t dataOffset = existing.size() + record.size();
  record.append(data.data ? data.data : "", data.length);

  if (impl->append(Span(record.data(), record.size()), newFile) != existing.size()) {
    // The file changed between reading and appending: index it afresh (the record verifies itself).
    impl->reload();
    return id;
  }
  existing += record;
  impl->file.setSHA(SHA1::of(existing.data(), existing.size()));
  impl->insert(Revision{id, parent, other, Timestamp(Span(time, timeLength)), dataOffset, data.length});
  return id;
}

std::string ObjectStore::data(NamedFileLock const&, Revision const& revision) const {
  std::string out;
  ObjectFile::readAt(path(), revision.dataOffset, revision.dataLength, out);
  return out;
}

SHA1 ObjectStore::recordId(Span const& parentHex, Span const& otherHex, Span const& time, Span const& data) {
  SHA1::Stream stream;
  stream << parentHex << otherHex << time << data;
  return stream.digest();
}
