#include "desktop-ui/clipboardbackend.h"

#include "desktop-ui/messageboxpresenter.h"
#include "desktop-ui/platformservices.h"
#include "support/tempdir.h"
#include "utils/messagecenter.h"
#include "views/clipboardpaster.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

TEST(ClipboardBackendTest, PlatformServicesPutTheClipboardOnQClipboardForTheGuiThreadOnly) {
  {
    const PlatformServices services;
    EXPECT_NE(dynamic_cast<MessageBoxPresenter*>(MessageBox::presenter()), nullptr);
    Clipboard clipboard;
    clipboard.setText("中文", ~0UL);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("中文"));
    clipboard.appendText(Span("more"));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), QString::fromUtf8("中文\nmore"));
    QGuiApplication::clipboard()->setText("from another program");
    EXPECT_TRUE(clipboard.hasText());
    EXPECT_EQ(clipboard.text(), "from another program");
    QGuiApplication::clipboard()->clear();
    EXPECT_FALSE(clipboard.hasText());
    EXPECT_TRUE(clipboard.text().empty());

    bool refused = false;
    std::thread([&] {
      try {
        clipboard.text();
      } catch (Clipboard::open_error const&) {
        refused = true;
      }
    }).join();
    EXPECT_TRUE(refused);
  }
  // Put back: no presenter, the clipboard kept in the process.
  EXPECT_EQ(MessageBox::presenter(), nullptr);
  QGuiApplication::clipboard()->setText("qt");
  EXPECT_NE(Clipboard().text(), "qt");
}

namespace {
struct PasteResult : ClipboardPaster::Listener {
  void onPasteComplete(ClipboardPaster::Status s, ClipboardPaster::Info const&) override {
    status = s;
    ++calls;
  }
  ClipboardPaster::Status status = ClipboardPaster::Running;
  int calls = 0;
};
} // namespace

TEST(ClipboardBackendTest, PastingReadsQClipboardOnTheGuiThread) {
  const qmtest::TempDir dir;
  const PlatformServices services;
  QGuiApplication::clipboard()->setText(QString::fromUtf8("粘贴"));
  PasteResult result;
  auto info = std::make_unique<ClipboardPaster::Info>();
  info->listener = &result;
  info->path = Text((dir / "Clipboard-1").c_str());
  ClipboardPaster::start(std::move(info));
  for (int i = 0; i < 20000 && result.calls == 0; ++i) {
    MessageCenter::instance().processMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_EQ(result.calls, 1);
  EXPECT_EQ(result.status, ClipboardPaster::Done); // read on a worker, QClipboard would refuse: status 3
  EXPECT_EQ(qmtest::readFile(dir / "Clipboard-1"), "粘贴\n");
}
