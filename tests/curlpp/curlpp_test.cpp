#include "curlpp/curlpp.h"

#include "support/httpserver.h"

#include <curl/curl.h>
#include <gtest/gtest.h>

#include <string>

namespace {

size_t append(char* data, size_t size, size_t count, void* out) {
  static_cast<std::string*>(out)->append(data, size * count);
  return size * count;
}

class CurlPPTest : public testing::Test {
protected:
  static void SetUpTestSuite() { CurlPP::init(); }
  static void TearDownTestSuite() { CurlPP::shutdown(); }
  // What the server answers for target: the target as it arrived.
  std::string perform(std::string const& target) {
    std::string body;
    curl_easy_setopt(curl.handle(), CURLOPT_URL, server.url(target).c_str());
    curl_easy_setopt(curl.handle(), CURLOPT_NOPROXY, "*"); // the server is local, whatever the environment
    curl_easy_setopt(curl.handle(), CURLOPT_WRITEFUNCTION, &append);
    curl_easy_setopt(curl.handle(), CURLOPT_WRITEDATA, &body);
    EXPECT_EQ(curl_easy_perform(curl.handle()), CURLE_OK);
    return body;
  }
  qmtest::HttpServer server{[](auto const& request) {
    return qmtest::HttpServer::Response{200, request.target, {}};
  }};
  CurlPP::Curl curl;
};

} // namespace

TEST_F(CurlPPTest, EscapeEncodesEverythingButUnreservedBytes) {
  const std::pair<const char*, const char*> cases[] = {
      {"中", "%E4%B8%AD"}, {"a b/c?d&e=f#g%", "a%20b%2Fc%3Fd%26e%3Df%23g%25"}, {"AZaz09-._~", "AZaz09-._~"}};
  for (auto const& [in, out] : cases)
    EXPECT_STREQ(curl.escape(Span(in)).c_str(), out) << in;
  EXPECT_TRUE(curl.escape(Span(nullptr, 3)).empty());
  EXPECT_TRUE(curl.escape(Span("")).empty());
  const std::string target = std::string("/search?q=") + curl.escape(Span("中 文")).c_str();
  EXPECT_EQ(perform(target), "/search?q=%E4%B8%AD%20%E6%96%87")
      << "the server receives exactly the escaped text";
}

// Empty and null values, and a binary file part, arrive as parts of their own, in the order added.
TEST_F(CurlPPTest, MultipartPostSendsThePartsInOrder) {
  CurlPP::Form unused;
  EXPECT_TRUE(unused.empty());
  EXPECT_FALSE(unused.attachTo(curl)) << "nothing to attach";
  const std::string binary("\x1f\x8b\x00\x01\xff\r\n--", 9);
  CurlPP::Form form;
  ASSERT_TRUE(form.addField("name", Span("王小明")));
  ASSERT_TRUE(form.addField("email", Span("")));
  ASSERT_TRUE(form.addFile("log", "zun-42.log.gz", binary.data(), binary.size()));
  ASSERT_TRUE(form.addField("message", Span(nullptr, 0)));
  EXPECT_FALSE(form.empty());
  ASSERT_TRUE(form.attachTo(curl));
  perform("/feedback");
  const auto requests = server.requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0].method, "POST");
  const auto parts = qmtest::parseMultipart(requests[0]);
  const qmtest::FormPart expected[] = {{"name", "", "", "王小明"},
                                       {"email", "", "", ""},
                                       {"log", "zun-42.log.gz", "", binary},
                                       {"message", "", "", ""}};
  ASSERT_EQ(parts.size(), std::size(expected));
  for (size_t i = 0; i < parts.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(parts[i].name, expected[i].name);
    EXPECT_EQ(parts[i].fileName, expected[i].fileName);
    EXPECT_EQ(parts[i].data, expected[i].data);
  }
}
