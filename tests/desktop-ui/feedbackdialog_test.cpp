// The feedback window against the test HTTP server: a message is required, a failed send gives every control
// back, a sent one closes the window with thanks, and closing during a send shows nothing later.
#include "desktop-ui/feedbackdialog.h"

#include "curlpp/curlpp.h"
#include "desktop-ui/messagepump.h"
#include "support/httpserver.h"
#include "support/logcapture.h"
#include "support/qtchild.h"
#include "support/qtspin.h"
#include "support/tempdir.h"
#include "support/waituntil.h"
#include "utils/messagecenter.h"
#include "views/messagebox.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace {

using qmtest::child;
using qmtest::HttpServer;
using qmtest::spinUntil;

HttpServer::Response route(HttpServer::Request const& request) {
  if (request.target == "/broken") return {500, "", {}};
  if (request.target == "/slow") return {200, "", {}, 300};
  return {200, "thanks", {}};
}

class FeedbackDialogTest : public testing::Test, MessageBox::Presenter {
protected:
  FeedbackDialogTest() {
    CurlPP::init();
    pump.start();
    MessageBox::setPresenter(this);
  }
  ~FeedbackDialogTest() override {
    MessageBox::setPresenter(nullptr);
    CurlPP::shutdown();
    EXPECT_EQ(CurlPP::liveHandles(), 0u);
  }
  int present(MessageBox const& box) override {
    shown.push_back(std::string(box.message()) + "|" + box.information());
    return MessageBox::OkPressed;
  }

  static QString status(QWidget& w) { return child<QLabel>(w, "sendStatusField")->text(); }
  static void send(QWidget& w, QString const& message) {
    child<QPlainTextEdit>(w, "messageField")->setPlainText(message);
    QTest::mouseClick(child<QPushButton>(w, "sendButton"), Qt::LeftButton);
  }
  static bool editable(QWidget& w) {
    return child<QLineEdit>(w, "nameField")->isEnabled() && child<QLineEdit>(w, "emailField")->isEnabled() &&
           child<QCheckBox>(w, "attachLogCheckbox")->isEnabled() &&
           child<QPushButton>(w, "sendButton")->isEnabled() &&
           !child<QPlainTextEdit>(w, "messageField")->isReadOnly();
  }

  qmtest::ScopedEnv noProxy{"no_proxy", "*"};
  HttpServer server{&route};
  MessagePump pump;
  std::vector<std::string> shown;
};

TEST_F(FeedbackDialogTest, AMessageIsRequiredAndAFailedSendGivesEveryControlBack) {
  FeedbackDialog dialog(nullptr, server.url("/broken").c_str(), "Reader", "reader@example.invalid");
  dialog.show();
  send(dialog, "");
  EXPECT_EQ(child<QLabel>(dialog, "errorMessageField")->text(), "Please enter a message");
  EXPECT_TRUE(editable(dialog));
  send(dialog, "It broke.");
  EXPECT_FALSE(editable(dialog));
  EXPECT_TRUE(child<QPlainTextEdit>(dialog, "messageField")->isReadOnly());
  EXPECT_EQ(status(dialog), "Sending .");
  ASSERT_TRUE(spinUntil([&] { return status(dialog).contains("500"); })) << status(dialog).toStdString();
  EXPECT_TRUE(editable(dialog));
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_EQ(server.requests().size(), 1u);
}

TEST_F(FeedbackDialogTest, ASentMessageClosesTheWindowWithThanks) {
  FeedbackDialog dialog(nullptr, server.url("/feedback").c_str());
  QTimer::singleShot(0, &dialog, [&] { send(dialog, "Thank you for the reader."); });
  QTimer::singleShot(20000, &dialog, [&] { dialog.reject(); }); // never wait for ever
  EXPECT_TRUE(dialog.run());
  EXPECT_EQ(shown, std::vector<std::string>{"Thanks!|Your feedback has been sent."});
}

// Closing during the send, with the server's answer already queued or before it answers: the message goes all
// the same and its outcome is logged; no notice, and no call into the window that is gone (checked by ASan).
TEST_F(FeedbackDialogTest, ClosingDuringASendShowsNothingLaterAndLogsTheOutcome) {
  const qmtest::LogCapture log;
  const auto sent = [&] {
    const auto lines = log.lines();
    return std::count(lines.begin(), lines.end(), "Feedback sent after its window was closed\n");
  };
  for (const char* target : {"/feedback", "/slow"}) {
    SCOPED_TRACE(target);
    const size_t before = server.requests().size();
    const auto logged = sent();
    auto dialog = std::make_unique<FeedbackDialog>(nullptr, server.url(target).c_str());
    dialog->show();
    send(*dialog, "Are you there?");
    // No events run meanwhile, so an answer stays queued.
    if (std::string(target) == "/feedback") {
      ASSERT_TRUE(qmtest::waitUntil([] { return MessageCenter::instance().pendingMessages() > 0; }))
          << "the answer never came";
    }
    dialog->reject();
    dialog.reset();
    EXPECT_TRUE(spinUntil([&] { return sent() == logged + 1 && CurlPP::liveHandles() == 0; })) << log.all();
    EXPECT_EQ(server.requests().size(), before + 1);
  }
  EXPECT_TRUE(shown.empty());
}

} // namespace
