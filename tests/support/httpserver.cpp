#include "support/httpserver.h"

#include <arpa/inet.h>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace qmtest {

namespace {

std::string lower(std::string s) {
  for (auto& c : s)
    c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

void sendAll(int fd, std::string const& data) {
  size_t sent = 0;
  while (sent < data.size()) {
    const ssize_t n = ::send(fd, data.data() + sent, data.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) return;
    sent += size_t(n);
  }
}

// Reads a request; false when the client went away first.
bool readRequest(int fd, HttpServer::Request& request) {
  std::string data;
  char buffer[4096];
  size_t headerEnd;
  while ((headerEnd = data.find("\r\n\r\n")) == std::string::npos) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    data.append(buffer, size_t(n));
  }
  const std::string head = data.substr(0, headerEnd);
  size_t lineEnd = head.find("\r\n");
  const std::string first = head.substr(0, lineEnd);
  const size_t s1 = first.find(' '), s2 = first.find(' ', s1 + 1);
  request.method = first.substr(0, s1);
  request.target = first.substr(s1 + 1, s2 - s1 - 1);
  while (lineEnd != std::string::npos && lineEnd < head.size()) {
    const size_t next = head.find("\r\n", lineEnd + 2);
    const std::string line =
        head.substr(lineEnd + 2, next == std::string::npos ? std::string::npos : next - lineEnd - 2);
    const size_t colon = line.find(':');
    if (colon != std::string::npos)
      request.headers[lower(line.substr(0, colon))] = line.substr(line.find_first_not_of(' ', colon + 1));
    lineEnd = next;
  }
  if (lower(request.headers["expect"]) == "100-continue") sendAll(fd, "HTTP/1.1 100 Continue\r\n\r\n");
  request.headers.erase("expect");
  const size_t length =
      std::stoul(request.headers.count("content-length") ? request.headers["content-length"] : "0");
  request.body = data.substr(headerEnd + 4);
  while (request.body.size() < length) {
    const ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
    if (n <= 0) return false;
    request.body.append(buffer, size_t(n));
  }
  return true;
}

const char* reason(int status) {
  switch (status) {
  case 200:
    return "OK";
  case 301:
    return "Moved Permanently";
  case 302:
    return "Found";
  case 404:
    return "Not Found";
  case 500:
    return "Internal Server Error";
  default:
    return "Status";
  }
}

} // namespace

struct HttpServer::Impl {
  Handler handler;
  int listener = -1;
  int port = 0;
  std::thread thread;
  mutable std::mutex mutex;
  std::condition_variable stopped;
  bool stopping = false;
  std::vector<Request> requests;

  void serve();
  void answer(int fd);
};

HttpServer::HttpServer(Handler handler) : impl(std::make_unique<Impl>()) {
  impl->handler = std::move(handler);
  impl->listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (impl->listener < 0 ||
      ::bind(impl->listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(impl->listener, 16) != 0 ||
      ::getsockname(impl->listener, reinterpret_cast<sockaddr*>(&address), &size) != 0)
    throw std::runtime_error("cannot start the test HTTP server");
  impl->port = ntohs(address.sin_port);
  impl->thread = std::thread([this] { impl->serve(); });
}

HttpServer::~HttpServer() {
  {
    std::lock_guard lock(impl->mutex);
    impl->stopping = true;
  }
  impl->stopped.notify_all();
  impl->thread.join();
  ::close(impl->listener);
}

void HttpServer::Impl::serve() {
  for (;;) {
    {
      std::lock_guard lock(mutex);
      if (stopping) return;
    }
    pollfd p{listener, POLLIN, 0};
    if (::poll(&p, 1, 20) <= 0) continue;
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    answer(fd);
    ::close(fd);
  }
}

void HttpServer::Impl::answer(int fd) {
  Request request;
  if (!readRequest(fd, request)) return;
  {
    std::lock_guard lock(mutex);
    requests.push_back(request);
  }
  const Response response = handler(request);
  if (response.delayMs > 0) {
    std::unique_lock lock(mutex);
    if (stopped.wait_for(lock, std::chrono::milliseconds(response.delayMs), [this] { return stopping; }))
      return;
  }
  std::string out = "HTTP/1.1 " + std::to_string(response.status) + " " + reason(response.status) + "\r\n";
  for (auto const& [name, value] : response.headers)
    out += name + ": " + value + "\r\n";
  out += "Content-Length: " + std::to_string(response.body.size()) + "\r\nConnection: close\r\n\r\n" +
         response.body;
  sendAll(fd, out);
}

int HttpServer::port() const {
  return impl->port;
}

std::string HttpServer::url(std::string const& target) const {
  return "http://127.0.0.1:" + std::to_string(impl->port) + target;
}

std::vector<HttpServer::Request> HttpServer::requests() const {
  std::lock_guard lock(impl->mutex);
  return impl->requests;
}

namespace {

std::string headerParameter(std::string const& header, std::string const& name) {
  const size_t at = header.find(name + "=");
  if (at == std::string::npos) return "";
  size_t start = at + name.size() + 1;
  if (header[start] == '"') return header.substr(start + 1, header.find('"', start + 1) - start - 1);
  return header.substr(start, header.find(';', start) - start);
}

} // namespace

std::vector<FormPart> parseMultipart(HttpServer::Request const& request) {
  auto it = request.headers.find("content-type");
  if (it == request.headers.end()) return {};
  const std::string delimiter = "--" + headerParameter(it->second, "boundary");
  std::vector<FormPart> parts;
  const std::string& body = request.body;
  size_t at = body.find(delimiter);
  while (at != std::string::npos) {
    size_t start = at + delimiter.size();
    if (body.compare(start, 2, "--") == 0) break;
    start += 2; // CR LF after the delimiter
    const size_t headEnd = body.find("\r\n\r\n", start);
    const size_t next = body.find("\r\n" + delimiter, headEnd);
    if (headEnd == std::string::npos || next == std::string::npos) break;
    FormPart part;
    const std::string head = body.substr(start, headEnd - start);
    for (size_t line = 0; line < head.size();) {
      const size_t end = std::min(head.find("\r\n", line), head.size());
      const std::string text = head.substr(line, end - line);
      const std::string name = lower(text.substr(0, text.find(':')));
      if (name == "content-disposition") {
        part.name = headerParameter(text, " name");
        part.fileName = headerParameter(text, "filename");
      } else if (name == "content-type") {
        part.contentType = text.substr(text.find(':') + 2);
      }
      line = end + 2;
    }
    part.data = body.substr(headEnd + 4, next - headEnd - 4);
    parts.push_back(part);
    at = next + 2;
  }
  return parts;
}

} // namespace qmtest
