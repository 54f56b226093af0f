#include "desktop-ui/clipboardbackend.h"

#include "desktop-ui/messageboxpresenter.h"
#include "desktop-ui/platformservices.h"

#include <QClipboard>
#include <QGuiApplication>

#include <gtest/gtest.h>

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
