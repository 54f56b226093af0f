// The store is rewritten token by token: every token is copied through as it was read, with its namespace
// prefixes, except the bookmark of the added file, whose times are updated and whose entry for this program
// is updated or added. Only what this program adds is laid out by it, indented like the lines around it.
#include "desktop-ui/recentdocuments.h"

#include "programinfo/programinfo.h"
#include "utils/atomicfilesaver.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/platform/posix/filewriter.h"
#include "utils/saveguard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QUrl>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <sys/stat.h>

#include <climits>
#include <filesystem>
#include <vector>

namespace {

const QString BookmarkNs = QStringLiteral("http://www.freedesktop.org/standards/desktop-bookmarks");
const QString MimeNs = QStringLiteral("http://www.freedesktop.org/standards/shared-mime-info");
const QString MetadataOwner = QStringLiteral("http://freedesktop.org");

// What a store that does not exist yet starts as.
const QByteArray EmptyStore =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<xbel version=\"1.0\"\n"
    "      xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\"\n"
    "      xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
    "</xbel>\n";

// The file being added and the program that uses it.
struct Use {
  QString path; // absolute and clean, to compare with the paths of listed URIs
  QString uri;
  QString mime;
  QString name;
  QString exec;
  QDateTime when;
  QString stamp() const { return when.toUTC().toString(Qt::ISODateWithMs); }
};

// An element that this program adds, with its children.
struct Node {
  QString ns;
  QString name;
  QXmlStreamAttributes attributes;
  std::vector<Node> children;
};

// The elements on the way to this program's entry in the added file's bookmark.
enum class Role { Other, Root, Entry, Info, Metadata, Applications };

class Rewriter {
public:
  Rewriter(QByteArray const& store, Use const& use) : reader(store), writer(&out), use(use) {}
  // Throws RecentDocuments::parse_error.
  QByteArray run();

private:
  void start();
  void end();
  void copyStart(QXmlStreamAttributes const& attributes, bool root);
  void insert(Node const& node);
  void write(Node const& node, QString const& indent);
  [[noreturn]] void fail();
  bool sameFile(QStringView href) const;

  QXmlStreamAttributes applicationAttributes(unsigned count) const;
  Node application() const {
    return {BookmarkNs, QStringLiteral("application"), applicationAttributes(1), {}};
  }
  Node applications() const { return {BookmarkNs, QStringLiteral("applications"), {}, {application()}}; }
  Node metadata() const;
  Node info() const { return {{}, QStringLiteral("info"), {}, {metadata()}}; }
  Node bookmark() const;

  QXmlStreamReader reader;
  QByteArray out;
  QXmlStreamWriter writer;
  Use const& use;
  std::vector<Role> roles; // one for each open element
  bool found = false;      // the file's bookmark has been met (the first one counts)
  bool registered = false; // this program's entry in it has been written
  QString lastSpace;       // the white space just read, before a closing tag where an element may go
};

QByteArray Rewriter::run() {
  while (!reader.atEnd()) {
    const QXmlStreamReader::TokenType token = reader.readNext();
    switch (token) {
    case QXmlStreamReader::Invalid:
      fail();
    case QXmlStreamReader::StartDocument:
      // Written as UTF-8, whatever the store was read from. The reader keeps no white space before the root.
      writer.writeStartDocument();
      writer.writeCharacters(QStringLiteral("\n"));
      break;
    case QXmlStreamReader::StartElement:
      start();
      break;
    case QXmlStreamReader::EndElement:
      end();
      break;
    default:
      writer.writeCurrentToken(reader);
    }
    const bool space = token == QXmlStreamReader::Characters && reader.isWhitespace() && !reader.isCDATA();
    lastSpace = space ? reader.text().toString() : QString();
  }
  if (reader.hasError() || !found) fail();
  return out;
}

void Rewriter::fail() {
  Log::print("WARN", "Recent documents: line %lld, column %lld: %s\n",
             static_cast<long long>(reader.lineNumber()), static_cast<long long>(reader.columnNumber()),
             reader.hasError() ? qUtf8Printable(reader.errorString()) : "no xbel element");
  ZUN_THROW(RecentDocuments::parse_error);
}

bool Rewriter::sameFile(QStringView href) const {
  const QUrl url = QUrl::fromEncoded(href.toUtf8());
  return url.isLocalFile() && QDir::cleanPath(url.toLocalFile()) == use.path;
}

void Rewriter::start() {
  const Role parent = roles.empty() ? Role::Other : roles.back();
  const QStringView ns = reader.namespaceUri();
  const QStringView name = reader.name();
  const bool plain = ns.isEmpty();
  QXmlStreamAttributes attributes = reader.attributes();
  Role role = Role::Other;
  if (roles.empty()) {
    if (!plain || name != u"xbel") fail();
    role = Role::Root;
  } else if (parent == Role::Root && plain && name == u"bookmark" && !found &&
             sameFile(attributes.value(QLatin1String("href")))) {
    role = Role::Entry;
    found = true;
    QXmlStreamAttributes updated;
    for (QXmlStreamAttribute const& a : attributes)
      if (!a.namespaceUri().isEmpty() || (a.name() != u"modified" && a.name() != u"visited"))
        updated.append(a);
    if (!attributes.hasAttribute(QLatin1String("added")))
      updated.append(QStringLiteral("added"), use.stamp());
    updated.append(QStringLiteral("modified"), use.stamp());
    updated.append(QStringLiteral("visited"), use.stamp());
    attributes = updated;
  } else if (parent == Role::Entry && plain && name == u"info") {
    role = Role::Info;
  } else if (parent == Role::Info && plain && name == u"metadata" &&
             attributes.value(QLatin1String("owner")) == MetadataOwner) {
    role = Role::Metadata;
  } else if (parent == Role::Metadata && ns == BookmarkNs && name == u"applications") {
    role = Role::Applications;
  } else if (parent == Role::Applications && !registered && ns == BookmarkNs && name == u"application" &&
             attributes.value(QLatin1String("name")) == use.name) {
    registered = true;
    bool counted = false;
    const unsigned count = attributes.value(QLatin1String("count")).toUInt(&counted);
    QXmlStreamAttributes updated = applicationAttributes(!counted            ? 1u
                                                         : count == UINT_MAX ? count
                                                                             : count + 1);
    // The older form of the time, seconds since 1970, where the entry has it.
    if (attributes.hasAttribute(QLatin1String("timestamp")))
      updated.append(QStringLiteral("timestamp"), QString::number(use.when.toSecsSinceEpoch()));
    for (QXmlStreamAttribute const& a : attributes)
      if (!a.namespaceUri().isEmpty() ||
          (a.name() != u"name" && a.name() != u"exec" && a.name() != u"modified" && a.name() != u"count" &&
           a.name() != u"timestamp"))
        updated.append(a);
    attributes = updated;
  }
  copyStart(attributes, role == Role::Root);
  roles.push_back(role);
}

// Declarations go before the start tag, so that the element keeps the prefix it was read with.
void Rewriter::copyStart(QXmlStreamAttributes const& attributes, bool root) {
  const QXmlStreamNamespaceDeclarations declarations = reader.namespaceDeclarations();
  for (QXmlStreamNamespaceDeclaration const& d : declarations) {
    if (d.prefix().isEmpty())
      writer.writeDefaultNamespace(d.namespaceUri().toString());
    else
      writer.writeNamespace(d.namespaceUri().toString(), d.prefix().toString());
  }
  writer.writeStartElement(reader.namespaceUri().toString(), reader.name().toString());
  // A store that lacks the two namespaces gets them under their usual prefixes where these are free.
  if (root)
    for (auto const& [uri, prefix] :
         {std::pair{BookmarkNs, QStringLiteral("bookmark")}, std::pair{MimeNs, QStringLiteral("mime")}}) {
      bool declared = false;
      for (QXmlStreamNamespaceDeclaration const& d : declarations)
        declared = declared || d.namespaceUri() == uri || d.prefix() == prefix;
      if (!declared) writer.writeNamespace(uri, prefix);
    }
  writer.writeAttributes(attributes);
}

void Rewriter::end() {
  const Role role = roles.back();
  roles.pop_back();
  if (!registered && role != Role::Other && role != Role::Root) {
    registered = true;
    insert(role == Role::Applications ? application()
           : role == Role::Metadata   ? applications()
           : role == Role::Info       ? metadata()
                                      : info());
  }
  if (role == Role::Root && !found) {
    found = registered = true;
    insert(bookmark());
  }
  writer.writeEndElement();
}

// At the closing tag of the parent, after the white space before it, which is the parent's own indentation.
void Rewriter::insert(Node const& node) {
  const qsizetype line = lastSpace.lastIndexOf(u'\n');
  const QString base = line < 0 ? QString() : lastSpace.mid(line);
  if (!base.isEmpty()) writer.writeCharacters(QStringLiteral("  "));
  write(node, base.isEmpty() ? QString() : base + QStringLiteral("  "));
  if (!base.isEmpty()) writer.writeCharacters(base);
}

void Rewriter::write(Node const& node, QString const& indent) {
  writer.writeStartElement(node.ns, node.name);
  writer.writeAttributes(node.attributes);
  const QString inner = indent.isEmpty() ? QString() : indent + QStringLiteral("  ");
  for (Node const& child : node.children) {
    if (!inner.isEmpty()) writer.writeCharacters(inner);
    write(child, inner);
  }
  if (!node.children.empty() && !indent.isEmpty()) writer.writeCharacters(indent);
  writer.writeEndElement();
}

QXmlStreamAttributes Rewriter::applicationAttributes(unsigned count) const {
  QXmlStreamAttributes attributes;
  attributes.append(QStringLiteral("name"), use.name);
  attributes.append(QStringLiteral("exec"), use.exec);
  attributes.append(QStringLiteral("modified"), use.stamp());
  attributes.append(QStringLiteral("count"), QString::number(count));
  return attributes;
}

Node Rewriter::metadata() const {
  QXmlStreamAttributes owner;
  owner.append(QStringLiteral("owner"), MetadataOwner);
  QXmlStreamAttributes type;
  type.append(QStringLiteral("type"), use.mime);
  return {{},
          QStringLiteral("metadata"),
          owner,
          {{MimeNs, QStringLiteral("mime-type"), type, {}}, applications()}};
}

Node Rewriter::bookmark() const {
  QXmlStreamAttributes attributes;
  attributes.append(QStringLiteral("href"), use.uri);
  for (const char* time : {"added", "modified", "visited"})
    attributes.append(QString::fromLatin1(time), use.stamp());
  return {{}, QStringLiteral("bookmark"), attributes, {info()}};
}

// A store that is a link is written where it points, so that the link stays; one that points nowhere is
// not written at all.
std::string resolved(const char* store) {
  std::error_code ec;
  if (!std::filesystem::is_symlink(store, ec)) return store;
  const std::filesystem::path target = std::filesystem::canonical(store, ec);
  return ec ? std::string() : target.string();
}

bool save(std::string const& target, QByteArray const& content) {
  struct stat st {};
  const bool existed = ::stat(target.c_str(), &st) == 0;
  FileSystem::instance().privateEnsurePath(target.c_str());
  AtomicFileSaver saver(nullptr, target.c_str());
  try {
    FileWriter out(saver.path(), FileWriter::Exclusive);
    out.write(content.constData(), static_cast<size_t>(content.size()));
    // Whoever narrowed who may read the list keeps it so.
    if (existed) ::chmod(saver.path(), st.st_mode & 07777);
    if (out.close()) return saver.commit();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error saving the desktop's recent documents: ", e);
  }
  Log::print("ERR", "Error writing file '%s'\n", saver.path());
  return false;
}

} // namespace

RecentDocuments::Program RecentDocuments::program() {
  // The command of the installed desktop entry, which takes paths rather than URIs.
  return {ProgramInfo::instance().displayName(), "quillmere %f"};
}

Text RecentDocuments::storePath() {
  return FileSystem::path(CommonDirectory::UserAppSupport, "recently-used.xbel");
}

bool RecentDocuments::add(const char* path) {
  return add(storePath().c_str(), path, program(), QDateTime::currentDateTimeUtc());
}

bool RecentDocuments::add(const char* store, const char* path, Program const& program,
                          QDateTime const& when) {
  try {
    struct stat st {};
    if (!store || !path || program.name.empty() || ::stat(path, &st) != 0 || !S_ISREG(st.st_mode))
      return false;
    const QString local = QFile::decodeName(path);
    // A name that is not UTF-8 would come back from its URI as another file's.
    if (QFile::encodeName(local) != QByteArray(path)) return false;
    Use use;
    use.path = QDir::cleanPath(QFileInfo(local).absoluteFilePath());
    use.uri = QString::fromLatin1(QUrl::fromLocalFile(use.path).toEncoded());
    use.mime = QMimeDatabase().mimeTypeForFile(use.path).name();
    use.name = QString::fromStdString(program.name);
    use.exec = QString::fromStdString(program.exec);
    use.when = when;

    // Only a regular file is read and replaced: a device in its place may give bytes without end.
    const std::string target = resolved(store);
    struct stat existing {};
    if (target.empty() || (::stat(target.c_str(), &existing) == 0 && !S_ISREG(existing.st_mode))) {
      Log::print("WARN", "Not adding to the desktop's recent documents: '%s' is not a file\n", store);
      return false;
    }
    QByteArray content;
    const SaveGuard::Result read = SaveGuard::read(target.c_str(), "the desktop's recent documents", [&] {
      std::string old;
      FileHandle(target.c_str()).readAll(old);
      content = Rewriter(QByteArray::fromStdString(old), use).run();
    });
    if (read == SaveGuard::Unreadable) return false;
    if (read == SaveGuard::Absent) content = Rewriter(EmptyStore, use).run();
    return save(target, content);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error adding to the desktop's recent documents: ", e);
  } catch (std::exception const& e) {
    Log::print("ERR", "Error adding to the desktop's recent documents: %s\n", e.what());
  }
  return false;
}
