// Takes every link that the program hands to the desktop (QDesktopServices::openUrl, behind Link::open)
// during Qt tests, so that a test can check it and no browser or mail program starts.
#pragma once

#include <QObject>
#include <QUrl>

#include <string>
#include <vector>

namespace qmtest {

class LinkSink : public QObject {
  Q_OBJECT
public:
  // Becomes the handler of http, https, mailto and file links; once, after the QApplication.
  static void install();
  // The links received since the last call, oldest first, in their encoded form.
  static std::vector<std::string> take();

public slots:
  void open(QUrl const& url);

private:
  std::vector<std::string> m_links;
};

} // namespace qmtest
