// The desktop's recent documents: a file added to a new store, to one with other programs' entries (which
// read back as they were), to one that lists it already; stores that cannot be read or written are left
// as they are, and only paths that name a file are added.
#include "desktop-ui/recentdocuments.h"

#include "support/logcapture.h"
#include "support/tempdir.h"

#include <QUrl>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Strings = std::vector<std::string>;

const QDateTime WHEN(QDate(2024, 5, 1), QTime(10, 0, 0, 123), Qt::UTC);
const std::string NOW = "2024-05-01T10:00:00.123Z";
const std::string NAMESPACES = " xmlns:bookmark=\"http://www.freedesktop.org/standards/desktop-bookmarks\""
                               " xmlns:mime=\"http://www.freedesktop.org/standards/shared-mime-info\"";
const std::string APP =
    "<bookmark:application name=\"Quillmere\" exec=\"quillmere %f\" modified=\"" + NOW + "\" count=\"1\"/>";
const std::string METADATA =
    "<metadata owner=\"http://freedesktop.org\"><mime:mime-type type=\"text/plain\"/>"
    "<bookmark:applications>" +
    APP + "</bookmark:applications></metadata>";
const std::string OURS = "<bookmark href=\"{uri}\" added=\"" + NOW + "\" modified=\"" + NOW +
                         "\" visited=\"" + NOW + "\"><info>" + METADATA + "</info></bookmark>";
// Other programs' entries with what the format allows besides: a title and description with escaped text
// and CDATA, groups, the private flag, another owner's metadata in its own namespace, unknown attributes,
// a comment and a processing instruction.
const std::string OTHERS = R"(
  <!-- kept -->
  <bookmark href="file:///srv/a%20b.txt" added="2020-01-01T00:00:00Z" modified="2020-01-02T00:00:00Z" visited="2020-01-03T00:00:00Z" x:flag="1">
    <title>A &amp; B &lt;draft&gt;</title>
    <desc><![CDATA[a <raw> part]]></desc>
    <info>
      <metadata owner="http://freedesktop.org">
        <mime:mime-type type="text/plain"/>
        <bookmark:groups><bookmark:group>Editors</bookmark:group></bookmark:groups>
        <bookmark:applications>
          <bookmark:application name="Editor" exec="&apos;editor %u&apos;" modified="2020-01-02T00:00:00Z" count="3"/>
        </bookmark:applications>
        <bookmark:private/>
      </metadata>
      <metadata owner="urn:example:viewer"><x:page n="12">kept</x:page></metadata>
    </info>
  </bookmark>
  <?viewer keep="1"?>
  <bookmark href="https://example.org/page" added="2021-01-01T00:00:00Z"/>
)";

std::string replaced(std::string text, std::string const& from, std::string const& to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size())
    text.replace(at, from.size(), to);
  return text;
}

std::string store(std::string const& body, std::string const& extra = " xmlns:x=\"urn:example:x\"") {
  return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<xbel version=\"1.0\"" + NAMESPACES + extra + ">" +
         body + "</xbel>\n";
}

// The store as an XML reader understands it: elements by namespace and local name, attributes sorted, text
// but not the white space between elements, comments and processing instructions. Prefixes and layout do
// not count.
Strings meaning(std::string const& xml) {
  QXmlStreamReader reader(QByteArray::fromStdString(xml));
  Strings items;
  while (!reader.atEnd()) {
    switch (reader.readNext()) {
    case QXmlStreamReader::StartElement: {
      Strings attributes;
      for (QXmlStreamAttribute const& a : reader.attributes())
        attributes.push_back(
            QStringLiteral("{%1}%2=%3").arg(a.namespaceUri(), a.name(), a.value()).toStdString());
      std::sort(attributes.begin(), attributes.end());
      std::string item = QStringLiteral("<{%1}%2").arg(reader.namespaceUri(), reader.name()).toStdString();
      for (std::string const& a : attributes)
        item += " " + a;
      items.push_back(item);
      break;
    }
    case QXmlStreamReader::EndElement:
      items.push_back("/");
      break;
    case QXmlStreamReader::Characters:
      if (!reader.isWhitespace()) items.push_back("text " + reader.text().toString().toStdString());
      break;
    case QXmlStreamReader::Comment:
      items.push_back("comment " + reader.text().toString().toStdString());
      break;
    case QXmlStreamReader::ProcessingInstruction:
      items.push_back("pi " + reader.processingInstructionData().toString().toStdString());
      break;
    default:
      break;
    }
  }
  if (reader.hasError()) items.push_back("error " + reader.errorString().toStdString());
  return items;
}

class RecentDocumentsTest : public testing::Test {
protected:
  RecentDocumentsTest() { qmtest::writeFile(document, "中国人民很好。\n"); }

  bool add(fs::path const& path = {}) const {
    return RecentDocuments::add(xbel.c_str(), (path.empty() ? document : path).c_str(), program, WHEN);
  }
  // The files in the store's folder, so that a temporary file left behind shows.
  Strings files() const {
    Strings names;
    for (auto const& entry : fs::directory_iterator(dir.path()))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  qmtest::TempDir dir;
  const fs::path document = dir / "文档 1.txt";
  const fs::path xbel = dir / "recently-used.xbel";
  const std::string uri =
      QUrl::fromLocalFile(QString::fromStdString(document.string())).toEncoded().toStdString();
  const std::string ours = replaced(OURS, "{uri}", uri); // the bookmark of a file not listed before
  const RecentDocuments::Program program{"Quillmere", "quillmere %f"};
};

} // namespace

TEST_F(RecentDocumentsTest, AddsTheFileAndKeepsEverythingElseTheStoreHolds) {
  const std::string listed = "<bookmark href=\"" + uri +
                             "\" added=\"2020-01-01T00:00:00Z\" modified=\"2020-01-02T00:00:00Z\" "
                             "visited=\"2020-01-03T00:00:00Z\"><title>T</title>";
  const std::string updated = "<bookmark href=\"" + uri + "\" added=\"2020-01-01T00:00:00Z\" modified=\"" +
                              NOW + "\" visited=\"" + NOW + "\"><title>T</title>";
  const std::string editor = "<bookmark:application name=\"Editor\" exec=\"editor %u\" "
                             "modified=\"2020-01-02T00:00:00Z\" count=\"3\"/>";
  const std::string viewer = "<metadata owner=\"urn:example:viewer\"><x:page n=\"12\"/></metadata>";
  const auto metadata = [](std::string const& mime, std::string const& applications) {
    return "<metadata owner=\"http://freedesktop.org\"><mime:mime-type type=\"" + mime +
           "\"/><bookmark:applications>" + applications + "</bookmark:applications></metadata>";
  };
  // The same file under lower-case escapes.
  const std::string lower = std::regex_replace(uri, std::regex("%E6"), "%e6");
  ASSERT_NE(lower, uri);
  const struct {
    const char* name;
    std::string before; // empty: no store yet
    std::string after;
  } cases[] = {
      {"a new store", "", store("\n" + ours, "")},
      {"other programs' entries", store(OTHERS), store(OTHERS + ours)},
      // The other program's use stays and this one's joins it; the time it was added and its MIME type
      // stay as they were.
      {"listed by another program",
       store(listed + "<info>" + metadata("text/x-c", "\n          " + editor + "\n        ") +
             "</info></bookmark>"),
       store(updated + "<info>" + metadata("text/x-c", editor + APP) + "</info></bookmark>")},
      {"listed by this program",
       store(listed + "<info>" +
             metadata("text/plain",
                      "<bookmark:application exec=\"old %u\" count=\"4\" name=\"Quillmere\" "
                      "modified=\"2020-01-01T00:00:00Z\" timestamp=\"1577836800\" x:extra=\"y\"/>" +
                          editor) +
             "</info></bookmark>"),
       store(updated + "<info>" +
             metadata("text/plain",
                      "<bookmark:application name=\"Quillmere\" exec=\"quillmere %f\" modified=\"" + NOW +
                          "\" count=\"5\" timestamp=\"1714557600\" x:extra=\"y\"/>" + editor) +
             "</info></bookmark>")},
      {"listed with another owner's metadata only", store(listed + "<info>" + viewer + "</info></bookmark>"),
       store(updated + "<info>" + viewer + METADATA + "</info></bookmark>")},
      {"listed with no metadata at all", store(listed + "</bookmark>"),
       store(updated + "<info>" + METADATA + "</info></bookmark>")},
      {"listed under another spelling of its URI",
       store("<bookmark href=\"" + lower + "\" added=\"2020-01-01T00:00:00Z\"/>"),
       store("<bookmark href=\"" + lower + "\" added=\"2020-01-01T00:00:00Z\" modified=\"" + NOW +
             "\" visited=\"" + NOW + "\"><info>" + METADATA + "</info></bookmark>")},
      {"without the namespaces, on one line", "<xbel version=\"1.0\"/>", store(ours, "")},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(xbel);
    if (!c.before.empty()) qmtest::writeFile(xbel, c.before);
    ASSERT_TRUE(add());
    const std::string written = qmtest::readFile(xbel);
    EXPECT_EQ(meaning(written), meaning(c.after)) << written;
    EXPECT_EQ(files(), (Strings{"recently-used.xbel", "文档 1.txt"}));
  }
}

TEST_F(RecentDocumentsTest, AStoreThatCannotBeReadOrParsedIsLeftAsItIs) {
  const struct {
    const char* name;
    const char* content; // null: made below
  } cases[] = {
      {"cut short", "<?xml version=\"1.0\"?>\n<xbel version=\"1.0\"><bookmark href=\"file:///a\">"},
      {"not XML", "file:///a.txt\nfile:///b.txt\n"},
      {"another document", "<html><body/></html>"},
      {"not UTF-8", "<xbel version=\"1.0\"><bookmark href=\"file:///\xff\xfe\"/></xbel>"},
      {"undeclared prefix", "<xbel version=\"1.0\"><q:bookmark/></xbel>"},
      {"a folder", nullptr},
      {"a FIFO", nullptr},
      {"a link to /dev/null", nullptr}, // how some readers turn the list off
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove_all(xbel);
    if (c.content)
      qmtest::writeFile(xbel, c.content);
    else if (std::string(c.name) == "a folder")
      fs::create_directory(xbel);
    else if (std::string(c.name) == "a FIFO")
      ASSERT_EQ(::mkfifo(xbel.c_str(), 0600), 0);
    else
      fs::create_symlink("/dev/null", xbel);
    const fs::file_status status = fs::symlink_status(xbel);
    const qmtest::LogCapture log({"WARN"});
    EXPECT_FALSE(add());
    EXPECT_NE(log.all(), "");
    EXPECT_EQ(fs::symlink_status(xbel).type(), status.type());
    if (c.content) {
      EXPECT_EQ(qmtest::readFile(xbel), c.content);
    }
    EXPECT_EQ(files(), (Strings{"recently-used.xbel", "文档 1.txt"}));
  }
  // An empty store holds nothing to lose.
  fs::remove_all(xbel);
  qmtest::writeFile(xbel, "");
  ASSERT_TRUE(add());
  EXPECT_EQ(meaning(qmtest::readFile(xbel)), meaning(store(ours, "")));
}

TEST_F(RecentDocumentsTest, ALinkedStoreIsWrittenWhereItPointsWithItsPermissions) {
  const fs::path real = dir / "dotfiles" / "recent.xbel";
  fs::create_directories(real.parent_path());
  qmtest::writeFile(real, store(OTHERS));
  fs::permissions(real, fs::perms::owner_read | fs::perms::owner_write);
  fs::create_symlink(real, xbel);
  ASSERT_TRUE(add());
  EXPECT_TRUE(fs::is_symlink(xbel));
  EXPECT_EQ(meaning(qmtest::readFile(real)), meaning(store(OTHERS + ours)));
  EXPECT_EQ(fs::status(real).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

  // A link that points nowhere is not replaced by a file.
  fs::remove(real);
  EXPECT_FALSE(add());
  EXPECT_TRUE(fs::is_symlink(xbel));
  EXPECT_FALSE(fs::exists(real));
}

TEST_F(RecentDocumentsTest, OnlyAPathThatNamesAFileIsAddedAndAFailedWriteChangesNothing) {
  const fs::path folder = dir / "folder";
  fs::create_directory(folder);
  const fs::path latin1 = dir / "caf\xe9.txt"; // no URI names it as the file it is
  qmtest::writeFile(latin1, "x");
  for (fs::path const& path : {dir / "missing.txt", folder, latin1}) {
    SCOPED_TRACE(path);
    EXPECT_FALSE(add(path));
    EXPECT_FALSE(fs::exists(xbel));
  }

  // The store's folder is a file: nothing is written, nothing thrown.
  const fs::path blocked = dir / "blocked";
  qmtest::writeFile(blocked, "a file");
  const qmtest::LogCapture log({"ERR"});
  EXPECT_FALSE(
      RecentDocuments::add((blocked / "recently-used.xbel").c_str(), document.c_str(), program, WHEN));
  EXPECT_NE(log.all(), "");
  EXPECT_EQ(qmtest::readFile(blocked), "a file");
}
