#include "support/linksink.h"

#include <QDesktopServices>

namespace qmtest {

namespace {
LinkSink* sink = nullptr; // lives until the process ends
}

void LinkSink::install() {
  if (!sink) sink = new LinkSink;
  for (const char* scheme : {"http", "https", "mailto", "file"})
    QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), sink, "open");
}

std::vector<std::string> LinkSink::take() {
  std::vector<std::string> links;
  if (sink) links.swap(sink->m_links);
  return links;
}

void LinkSink::open(QUrl const& url) {
  m_links.push_back(url.toEncoded().toStdString());
}

} // namespace qmtest
