#include "desktop-ui/clipboardbackend.h"

#include "utils/log.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QThread>

namespace {
QClipboard& guiClipboard() {
  if (!qApp || QThread::currentThread() != qApp->thread()) {
    Log::print("ERR", "The clipboard was asked for outside the GUI thread\n");
    ZUN_THROW(Clipboard::open_error);
  }
  return *QGuiApplication::clipboard();
}
} // namespace

bool ClipboardBackend::hasText() const {
  const QMimeData* data = guiClipboard().mimeData();
  return data && data->hasText();
}

Text ClipboardBackend::text() const {
  const QByteArray utf8 = guiClipboard().text().toUtf8();
  return Text(utf8.constData(), size_t(utf8.size()));
}

void ClipboardBackend::setText(Span const& text) {
  guiClipboard().setText(QString::fromUtf8(text.data, qsizetype(text.length)));
}
