#include "curlpp/curlpp.h"

#include "support/httpserver.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <curl/curl.h>
#include <netinet/in.h>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

using qmtest::HttpServer;

size_t append(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

struct Result {
  CURLcode code;
  long status = 0;
  std::string body;
};

Result perform(CurlPP::Curl& curl, std::string const& url) {
  Result r;
  curl_easy_setopt(curl.handle(), CURLOPT_URL, url.c_str());
  curl_easy_setopt(curl.handle(), CURLOPT_NOPROXY, "*"); // the test server is local, whatever the environment
  curl_easy_setopt(curl.handle(), CURLOPT_WRITEFUNCTION, &append);
  curl_easy_setopt(curl.handle(), CURLOPT_WRITEDATA, &r.body);
  r.code = curl_easy_perform(curl.handle());
  curl_easy_getinfo(curl.handle(), CURLINFO_RESPONSE_CODE, &r.status);
  return r;
}

HttpServer::Response route(HttpServer::Request const& request) {
  const std::string& t = request.target;
  if (t == "/ok") return {200, "fine", {}};
  if (t == "/missing") return {404, "no", {}};
  if (t == "/broken") return {500, "", {}};
  if (t == "/old") return {302, "", {{"Location", "/new"}}};
  if (t == "/new") return {200, "moved here", {}};
  if (t == "/loop") return {302, "", {{"Location", "/loop"}}};
  if (t == "/slow") return {200, "late", {}, 5000};
  return {200, t, {}}; // echoes what arrived
}

class CurlPPTest : public testing::Test {
protected:
  static void SetUpTestSuite() { CurlPP::init(); }
  static void TearDownTestSuite() { CurlPP::shutdown(); }
  HttpServer server{&route};
  CurlPP::Curl curl;
};

} // namespace

TEST_F(CurlPPTest, GetReportsTheStatus) {
  const struct {
    const char* target;
    long status;
    const char* body;
  } cases[] = {{"/ok", 200, "fine"}, {"/missing", 404, "no"}, {"/broken", 500, ""}};
  for (auto const& c : cases) {
    SCOPED_TRACE(c.target);
    const Result r = perform(curl, server.url(c.target));
    EXPECT_EQ(r.code, CURLE_OK) << "a status is not a transfer failure";
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.body, c.body);
  }
}

TEST_F(CurlPPTest, RedirectsAreFollowedAndLoopsStop) {
  curl_easy_setopt(curl.handle(), CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(curl.handle(), CURLOPT_MAXREDIRS, 5L);
  Result r = perform(curl, server.url("/old"));
  EXPECT_EQ(r.code, CURLE_OK);
  EXPECT_EQ(r.status, 200);
  EXPECT_EQ(r.body, "moved here");
  r = perform(curl, server.url("/loop"));
  EXPECT_EQ(r.code, CURLE_TOO_MANY_REDIRECTS);
}

TEST_F(CurlPPTest, TimeOutEndsTheTransfer) {
  curl_easy_setopt(curl.handle(), CURLOPT_TIMEOUT_MS, 300L);
  const Result r = perform(curl, server.url("/slow"));
  EXPECT_EQ(r.code, CURLE_OPERATION_TIMEDOUT);
  EXPECT_STRNE(curl_easy_strerror(r.code), "");
}

TEST_F(CurlPPTest, RefusedConnectionFails) {
  // A port that was just free and has no listener.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof a;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
  getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size);
  close(fd);
  const Result r = perform(curl, "http://127.0.0.1:" + std::to_string(ntohs(a.sin_port)) + "/");
  EXPECT_EQ(r.code, CURLE_COULDNT_CONNECT);
}

TEST_F(CurlPPTest, EscapeEncodesEverythingButUnreservedBytes) {
  const struct {
    const char* in;
    const char* out;
  } cases[] = {
      {"中", "%E4%B8%AD"},
      {"a b/c?d&e=f#g", "a%20b%2Fc%3Fd%26e%3Df%23g"},
      {"AZaz09-._~", "AZaz09-._~"},
      {"%", "%25"},
      {"", ""},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.in);
    EXPECT_STREQ(curl.escape(Span(c.in)).c_str(), c.out);
  }
  EXPECT_TRUE(curl.escape(Span(nullptr, 3)).empty());
  // What the server receives is exactly the escaped text.
  const std::string target = std::string("/search?q=") + curl.escape(Span("中 文")).c_str();
  EXPECT_EQ(perform(curl, server.url(target)).body, "/search?q=%E4%B8%AD%20%E6%96%87");
}

TEST_F(CurlPPTest, MultipartPostSendsThePartsInOrder) {
  const std::string binary("\x1f\x8b\x00\x01\xff\r\n--", 9);
  CurlPP::Form form;
  EXPECT_TRUE(form.empty());
  ASSERT_TRUE(form.addField("name", Span("王小明")));
  ASSERT_TRUE(form.addField("email", Span("")));
  ASSERT_TRUE(form.addFile("log", "zun-42.log.gz", binary.data(), binary.size()));
  ASSERT_TRUE(form.addField("log", Span("zun-42.log")));
  ASSERT_TRUE(form.addField("message", Span(nullptr, 0)));
  EXPECT_FALSE(form.empty());
  ASSERT_TRUE(form.attachTo(curl));
  const Result r = perform(curl, server.url("/feedback"));
  ASSERT_EQ(r.code, CURLE_OK);

  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  const auto parts = qmtest::parseMultipart(requests[0]);
  const struct {
    const char* name;
    const char* fileName;
    std::string data;
  } expected[] = {{"name", "", "王小明"},
                  {"email", "", ""},
                  {"log", "zun-42.log.gz", binary},
                  {"log", "", "zun-42.log"},
                  {"message", "", ""}};
  ASSERT_EQ(parts.size(), std::size(expected));
  for (size_t i = 0; i < parts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(parts[i].name, expected[i].name);
    EXPECT_EQ(parts[i].fileName, expected[i].fileName);
    EXPECT_EQ(parts[i].data, expected[i].data);
  }
}

TEST_F(CurlPPTest, UnusedFormIsHarmless) {
  CurlPP::Form form;
  EXPECT_TRUE(form.empty());
  EXPECT_FALSE(form.attachTo(curl)) << "nothing to attach";
}
