// A small HTTP/1.1 server for tests, on 127.0.0.1 and a port the system picks. It answers one connection at a
// time on a thread of its own, each answer from the handler the test gives, and closes every connection after
// its answer. It records the requests it saw.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qmtest {

class HttpServer {
public:
  struct Request {
    std::string method;
    std::string target;                         // as sent: path and query, still escaped
    std::map<std::string, std::string> headers; // names in lower case
    std::string body;
  };
  struct Response {
    int status = 200;
    std::string body;
    std::vector<std::pair<std::string, std::string>> headers;
    int delayMs = 0; // wait this long before answering (cut short when the server stops)
  };
  using Handler = std::function<Response(Request const&)>;

  explicit HttpServer(Handler handler);
  ~HttpServer();
  HttpServer(HttpServer const&) = delete;
  HttpServer& operator=(HttpServer const&) = delete;

  int port() const;
  // "http://127.0.0.1:PORT" followed by target.
  std::string url(std::string const& target) const;
  std::vector<Request> requests() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};

// The parts of a multipart/form-data body, in order.
struct FormPart {
  std::string name;
  std::string fileName; // empty for a plain field
  std::string contentType;
  std::string data;
};
std::vector<FormPart> parseMultipart(HttpServer::Request const& request);

} // namespace qmtest
