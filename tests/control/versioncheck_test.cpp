// The version check against a small HTTP server on 127.0.0.1: what is delivered and when, a server that never
// answers, redirects and protocols, an answer too large, and what the program makes of the answer.
#include "control/downloader.h"
#include "control/newversionprompt.h"
#include "control/versionchecker.h"

#include "programinfo/programinfo.h"
#include "support/httpserver.h"
#include "support/shippedprograminfo.h"
#include "support/tempdir.h"
#include "utils/link.h"
#include "utils/messagecenter.h"
#include "views/messagebox.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace {

using qmtest::HttpServer;

struct Recorder : VersionChecker::Listener {
  std::vector<std::string> calls;
  void versionCheck(const char* version, const char* link, bool empty) override {
    calls.push_back(std::string(version) + "|" + (link ? link : "(null)") + "|" + (empty ? "empty" : "set"));
  }
};

const std::string NEW_FILE = "version = 2.1\ndownload = https://quillmere.invalid/get\n";

HttpServer::Response route(HttpServer::Request const& request) {
  const std::string& t = request.target;
  if (t == "/new/linux") return {200, NEW_FILE, {}};
  if (t == "/to-http")
    return {302, "", {{"Location", "http://" + request.headers.at("host") + "/new/linux"}}};
  if (t == "/nolink/linux") return {200, "version = 2.1\n", {}};
  if (t == "/noversion/linux") return {200, "download = https://quillmere.invalid/get\n", {}};
  if (t == "/gone/linux") return {404, "version = 9.9.9\ndownload = https://quillmere.invalid/get\n", {}};
  if (t == "/empty/linux") return {200, "", {}};
  if (t == "/big") return {200, std::string(Downloader::MAX_BODY + 1, '#'), {}};
  if (t == "/stalled/linux") return {200, "version = 9.9.9\n", {}, 60000};
  return {404, "", {}};
}

class VersionCheckerTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    qmtest::loadShippedProgramInfo();
    CurlPP::init();
  }
  static void TearDownTestSuite() { CurlPP::shutdown(); }
  void TearDown() override { MessageCenter::instance().processMessages(); }

  // Runs one check to its end and delivers what it queued.
  std::vector<std::string> check(std::string const& target) {
    Recorder recorder;
    {
      VersionChecker checker(server.url(target).c_str(), recorder);
      for (int i = 0; i < 2000 && !checker.finished(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
      EXPECT_TRUE(checker.finished());
      MessageCenter::instance().processMessages();
    }
    return recorder.calls;
  }

  qmtest::ScopedEnv noProxy{"no_proxy", "*"};
  HttpServer server{&route};
};

using Calls = std::vector<std::string>;

TEST_F(VersionCheckerTest, OnlyAnAnswerWithStatus200IsDelivered) {
  const struct {
    const char* versionLink;
    Calls calls;
  } cases[] = {
      {"/new", {"2.1|https://quillmere.invalid/get|set"}},
      {"/nolink", {"2.1|(null)|set"}},
      {"/noversion", {"|https://quillmere.invalid/get|empty"}},
      {"/gone", {}},
      {"/empty", {}},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.versionLink);
    EXPECT_EQ(check(VersionChecker::versionUrl(c.versionLink).c_str()), c.calls);
  }
  const auto requests = server.requests();
  ASSERT_FALSE(requests.empty());
  EXPECT_EQ(requests.front().headers.at("user-agent"),
            std::string("Quillmere - ") + ProgramInfo::instance().displayVersion() + " (64-bit), Linux");
}

// A server that takes the request and never answers: cancelling ends the transfer at once rather than at a
// time-out, and nothing is delivered afterwards, also to a listener that is gone.
TEST_F(VersionCheckerTest, CancellingAStalledCheckIsPromptAndFinal) {
  auto recorder = std::make_unique<Recorder>();
  auto checker = std::make_unique<VersionChecker>(server.url("/stalled/linux").c_str(), *recorder);
  for (int i = 0; i < 1000 && server.requests().empty(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(server.requests().size(), 1u);
  const auto start = std::chrono::steady_clock::now();
  checker.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(HttpTransfer::LOW_SPEED_TIME / 3))
      << "cancel waited for the transfer to time out";
  recorder.reset();
  MessageCenter::instance().processMessages();
}

// The worker has queued its result when the owner cancels: the result never reaches the listener.
TEST_F(VersionCheckerTest, AResultQueuedBeforeCancelIsDropped) {
  auto recorder = std::make_unique<Recorder>();
  VersionChecker checker(server.url("/new/linux").c_str(), *recorder);
  for (int i = 0; i < 2000 && !checker.finished(); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  ASSERT_EQ(MessageCenter::instance().pendingMessages(), 1u);
  checker.cancel();
  EXPECT_EQ(MessageCenter::instance().processMessages(), 1u);
  EXPECT_TRUE(recorder->calls.empty());
}

using DownloaderTest = VersionCheckerTest;

TEST_F(DownloaderTest, DownloadsAreLimitedToTheWebAndCapped) {
  const struct {
    std::string url;
    unsigned long received;
    size_t kept;
  } cases[] = {
      {server.url("/new/linux"), NEW_FILE.size(), NEW_FILE.size()},
      {server.url("/to-http"), 0, 0}, // redirects only to https
      {server.url("/big"), 0, Downloader::MAX_BODY},
      {"file:///etc/hostname", 0, 0},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.url);
    std::vector<unsigned char> buffer;
    EXPECT_EQ(Downloader().download(c.url.c_str(), buffer), c.received);
    EXPECT_LE(buffer.size(), c.kept);
    if (c.received) {
      EXPECT_EQ(buffer.size(), c.kept);
    }
  }
  size_t fetched = 0;
  for (auto const& r : server.requests())
    fetched += r.target == "/new/linux";
  EXPECT_EQ(fetched, 1u) << "the redirect to http was followed";
}

class NewVersionPromptTest : public testing::Test, MessageBox::Presenter {
protected:
  NewVersionPromptTest() {
    MessageBox::setPresenter(this);
    Link::setOpener([](const char* link) {
      opened().push_back(link);
      return taken();
    });
    opened().clear();
    taken() = true;
  }
  ~NewVersionPromptTest() override {
    MessageBox::setPresenter(nullptr);
    Link::setOpener(nullptr);
  }
  int present(MessageBox const& box) override {
    shown.push_back(std::string(box.message()) + "|" + box.information());
    return answer;
  }
  static std::vector<std::string>& opened() {
    static std::vector<std::string> links;
    return links;
  }
  static bool& taken() {
    static bool handled = true;
    return handled;
  }

  int answer = MessageBox::Yes;
  std::vector<std::string> shown;
};

TEST_F(NewVersionPromptTest, OnlyANewerVersionWithAWebLinkIsOffered) {
  const struct {
    const char* own;
    const char* published;
    const char* link;
    bool empty;
    bool offered;
  } cases[] = {
      {"2.0.9", "2.1", "https://quillmere.invalid/get", false, true}, // 2.1 reads 2.1.0
      {"2.0.9", "2.0.9", "https://quillmere.invalid/get", false, false},
      {"2.1.0", "2.0.10", "https://quillmere.invalid/get", false, false},
      {"2.0.9", "2.1", nullptr, false, false},
      {"2.0.9", "2.1", "HTTP://quillmere.invalid/get", false, true},
      {"2.0.9", "2.1", "file:///usr/bin/true", false, false},
      {"2.0.9", "2.1", "javascript:alert(1)", false, false},
      {"2.0.9", "", "https://quillmere.invalid/get", true, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(std::string(c.own) + " / " + c.published + " / " + (c.link ? c.link : "(null)"));
    EXPECT_EQ(NewVersionPrompt::offers(c.own, c.published, c.link, c.empty), c.offered);
  }

  NewVersionPrompt prompt("2.0.9");
  prompt.versionCheck("2.1", "https://quillmere.invalid/get", false);
  answer = MessageBox::No;
  prompt.versionCheck("2.1", "https://quillmere.invalid/no", false);
  prompt.versionCheck("2.0.9", "https://quillmere.invalid/same", false);
  EXPECT_EQ(shown,
            std::vector<std::string>(2, "New version|Version 2.1 is now available.\n\nWould you like to "
                                        "download it now?"));
  EXPECT_EQ(opened(), std::vector<std::string>{"https://quillmere.invalid/get"});

  // With no browser the reader learns the link, to open it by hand.
  shown.clear();
  answer = MessageBox::Yes;
  taken() = false;
  prompt.versionCheck("2.1", "https://quillmere.invalid/get", false);
  EXPECT_EQ(shown.back(),
            "Unable to open link|No program could open the link:\n\nhttps://quillmere.invalid/get");
}

} // namespace
