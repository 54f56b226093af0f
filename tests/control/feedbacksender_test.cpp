// The feedback form as the test server receives it (the parts in order, the log gzipped), what counts as
// sent, and a sender given up during a send.
#include "control/feedbacksender.h"

#include "curlpp/curlpp.h"
#include "programinfo/programinfo.h"
#include "support/httpserver.h"
#include "support/logcapture.h"
#include "support/shippedprograminfo.h"
#include "support/tempdir.h"
#include "utils/log.h"
#include "utils/logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>
#include <zlib.h>

namespace {

using qmtest::FormPart;
using qmtest::HttpServer;

struct Recorder : FeedbackSender::Listener {
  std::mutex mutex;
  std::vector<std::string> calls;
  void onSuccess() override { record("success"); }
  void onError(const char* text) override { record(std::string("error: ") + text); }
  void record(std::string call) {
    std::lock_guard lock(mutex);
    calls.push_back(std::move(call));
  }
  std::vector<std::string> taken() {
    std::lock_guard lock(mutex);
    return calls;
  }
};

std::string gunzip(std::string const& data) {
  z_stream stream{};
  EXPECT_EQ(inflateInit2(&stream, 31), Z_OK);
  std::string out(1 << 20, '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = uInt(data.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = uInt(out.size());
  EXPECT_EQ(inflate(&stream, Z_FINISH), Z_STREAM_END);
  out.resize(stream.total_out);
  inflateEnd(&stream);
  return out;
}

HttpServer::Response route(HttpServer::Request const& request) {
  const std::string& t = request.target;
  if (t == "/broken") return {500, "", {}};
  if (t == "/missing") return {404, "", {}};
  if (t == "/moved") return {302, "", {{"Location", "/elsewhere"}}};
  if (t == "/slow") return {200, "", {}, 300};
  if (t == "/stalled") return {200, "", {}, 60000};
  return {200, "thanks", {}};
}

class FeedbackSenderTest : public testing::Test {
protected:
  static void SetUpTestSuite() { qmtest::loadShippedProgramInfo(); }
  void SetUp() override { CurlPP::init(); }
  void TearDown() override {
    CurlPP::shutdown();
    EXPECT_EQ(CurlPP::liveHandles(), 0u) << "libcurl was released under a running transfer";
  }

  static FeedbackData data(bool attachLog) {
    FeedbackData d;
    d.name = "读者";
    d.email = "reader@example.invalid";
    d.message = "Hello,\nworld";
    d.attachLog = attachLog;
    return d;
  }
  std::vector<std::string> sendTo(std::string const& target, bool attachLog = false) {
    Recorder recorder;
    FeedbackSender sender(server.url(target).c_str());
    sender.send(recorder, data(attachLog), false);
    return recorder.taken();
  }

  qmtest::ScopedEnv noProxy{"no_proxy", "*"};
  HttpServer server{&route};
};

std::vector<std::string> namesOf(std::vector<FormPart> const& parts) {
  std::vector<std::string> names;
  for (auto const& p : parts)
    names.push_back(p.name + (p.fileName.empty() ? "" : "@" + p.fileName) + "=" +
                    (p.name == "log" && !p.fileName.empty() ? "(gzip)" : p.data));
  return names;
}

TEST_F(FeedbackSenderTest, WithoutTheLogTheFormHasFiveFields) {
  // A file named as the log would be, in the current folder: an absent log must never send it instead.
  const std::string logName = "zun-" + std::to_string(getpid()) + ".log";
  qmtest::writeFile(logName, "not the log");
  for (bool attach : {false, true}) {
    SCOPED_TRACE(attach ? "log asked for, none open" : "no log asked for");
    EXPECT_EQ(sendTo("/feedback", attach), std::vector<std::string>{"success"});
    const auto parts = qmtest::parseMultipart(server.requests().back());
    EXPECT_EQ(namesOf(parts),
              (std::vector<std::string>{"name=读者", "email=reader@example.invalid",
                                        "log=", "info=" + std::string(FeedbackSender::infoText().view()),
                                        "message=Hello,\nworld"}));
  }
  std::remove(logName.c_str());
  const std::string info(FeedbackSender::infoText().view());
  EXPECT_EQ(info.rfind("OS: Linux - ", 0), 0u) << info;
  EXPECT_NE(info.find("\nProgram: Quillmere\nVersion: " +
                      std::string(ProgramInfo::instance().displayVersion()) + " - 64-bit"),
            std::string::npos)
      << info;
}

TEST_F(FeedbackSenderTest, TheLogGoesGzippedInTheThirdPartAndItsNameInTheFourth) {
  const Logger logger("data/program.properties");
  Log::print("LOG", "a line of the log\n");
  std::string log;
  for (int i = 0; i < 1000 && log.find("a line of the log\n") == std::string::npos; ++i) {
    const OwnedBuffer b = Logger::fullLog();
    if (b.data) log.assign(b.data, b.size);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ASSERT_NE(log.find("a line of the log\n"), std::string::npos);
  ASSERT_EQ(sendTo("/feedback", true), std::vector<std::string>{"success"});
  const auto parts = qmtest::parseMultipart(server.requests().back());
  const std::string logName = "zun-" + std::to_string(getpid()) + ".log";
  EXPECT_EQ(namesOf(parts), (std::vector<std::string>{
                                "name=读者", "email=reader@example.invalid", "log@" + logName + ".gz=(gzip)",
                                "log=" + logName, "info=" + std::string(FeedbackSender::infoText().view()),
                                "message=Hello,\nworld"}));
  ASSERT_EQ(parts.size(), 6u);
  EXPECT_EQ(gunzip(parts[2].data).substr(0, log.size()), log);
}

TEST_F(FeedbackSenderTest, AnErrorStatusIsNoSuccess) {
  const struct {
    const char* target;
    const char* call;
  } cases[] = {
      {"/feedback", "success"},
      {"/moved", "success"},
      {"/missing", "error: The server refused the message (HTTP status 404)"},
      {"/broken", "error: The server refused the message (HTTP status 500)"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.target);
    EXPECT_EQ(sendTo(c.target), std::vector<std::string>{c.call});
  }
  Recorder recorder;
  FeedbackSender("http://127.0.0.1:1/").send(recorder, data(false), false);
  EXPECT_EQ(recorder.taken(), std::vector<std::string>{"error: Couldn't connect to server"});
}

// The window closes while the server has not answered: the message still goes, the listener (gone with the
// window; ASan sees any later call) hears nothing, and the outcome is logged. Only libcurl's shutdown cuts a
// transfer short, and the worker frees everything before libcurl is released.
TEST_F(FeedbackSenderTest, ASendGivenUpGoesOnAndIsOnlyLogged) {
  const qmtest::LogCapture log;
  for (const char* target : {"/slow", "/stalled"}) { // the server answers one at a time: stalled last
    SCOPED_TRACE(target);
    const size_t before = server.requests().size();
    auto recorder = std::make_unique<Recorder>();
    FeedbackSender(server.url(target).c_str()).send(*recorder, data(false), true);
    recorder.reset();
    for (int i = 0; i < 1000 && server.requests().size() == before; ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    ASSERT_EQ(server.requests().size(), before + 1);
  }
  EXPECT_TRUE(log.waitFor("Feedback sent after its window was closed\n")) << log.all();
  CurlPP::shutdown();
  EXPECT_EQ(CurlPP::liveHandles(), 0u) << "libcurl was released under the running transfer";
  EXPECT_TRUE(log.waitFor("Feedback not sent after its window was closed: ")) << log.all();
}

} // namespace
