// The index is a vector of revisions sorted by id. Records are verified against their id when read, so a
// record cut short by a crash, or damaged later, is left out instead of feeding a wrong diff to a rebuild.
// The data of a verified record can end a little before the next header: add() puts a line feed before a
// record when the file did not end with one, and a torn record leaves its bytes before the next header.
#include "wordlists/objectstore.h"

#include "utils/log.h"
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

// The first "@" that starts a line within data, or null.
const char* lineStartAt(Span const& data) {
  for (const char* p = data.begin(); p < data.end(); ++p) {
    p = static_cast<const char*>(std::memchr(p, '@', size_t(data.end() - p)));
    if (!p) return nullptr;
    if (p == data.begin() || p[-1] == '\n' || p[-1] == '\r') return p;
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

  void reload();
  void reloadFrom(std::string const& content);
  void parse(std::string const& content);
  // Indexes one record when some length of its data (see the file comment) matches its id.
  void addVerified(Span const& hex, Span const& parentHex, Span const& otherHex, Span const& time,
                   Span const& data, const char* fileStart);
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

void ObjectStore::Impl::parse(std::string const& content) {
  ObjectFileTokenizer tokenizer(Utf8Range(content.data(), content.size()));
  Span hex, parentHex, otherHex, time;
  while (tokenizer.hasTokens()) {
    const Token t = tokenizer.nextToken();
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
      addVerified(hex, parentHex, otherHex, time, t.span(), content.data());
      break;
    default:
      break;
    }
  }
}

void ObjectStore::Impl::addVerified(Span const& hex, Span const& parentHex, Span const& otherHex,
                                    Span const& time, Span const& data, const char* fileStart) {
  const TextBuffer<40> idText(hex);
  const SHA1 id = SHA1::fromHex(idText.c_str());
  auto matches = [&](size_t length) {
    return recordId(parentHex, otherHex, time, Span(data.data, length)) == id;
  };
  size_t length = data.length;
  bool ok = matches(length);
  if (!ok && length > 0 && data.data[length - 1] == '\n') ok = matches(--length);
  if (!ok) {
    const char* at = lineStartAt(data);
    length = at ? size_t(at - data.data) : 0;
    ok = at && matches(length);
    if (ok)
      Log::print("WARN", "Skipping damaged record after '%s' at offset %llu of object store '%s'\n",
                 idText.c_str(), (unsigned long long)(at - fileStart), file.path());
  }
  if (!ok) {
    Log::print("WARN", "Skipping damaged record '%s' at offset %llu of object store '%s'\n", idText.c_str(),
               (unsigned long long)(data.data - fileStart), file.path());
    return;
  }
  const TextBuffer<40> parentText(parentHex), otherText(otherHex);
  revisions.push_back(Revision{id, SHA1::fromHex(parentText.c_str()), SHA1::fromHex(otherText.c_str()),
                               Timestamp(time), uint64_t(data.data - fileStart), uint64_t(length)});
}

uint64_t ObjectStore::Impl::append(Span const& record, bool newFile) {
  const int fd = ::open(file.path(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) ZUN_THROW(ObjectStore::write_error);
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0;
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
