#include "control/downloader.h"

#include "programinfo/programinfo.h"
#include "utils/systeminformation.h"
#include "utils/textbuffer.h"

#include <curl/curl.h>

namespace {

struct Sink {
  std::vector<unsigned char>* buffer;
  size_t received = 0;
  bool cut = false;
};

size_t append(char* data, size_t size, size_t count, void* sink) {
  auto* s = static_cast<Sink*>(sink);
  const size_t n = size * count;
  if (s->buffer->size() + n > Downloader::MAX_BODY) {
    s->cut = true;
    return 0; // ends the transfer with a write error
  }
  s->buffer->insert(s->buffer->end(), data, data + n);
  s->received += n;
  return n;
}

} // namespace

Text Downloader::userAgent() {
  ProgramInfoInstance const& info = ProgramInfo::instance();
  TextBuffer<1024> agent;
  agent.format("%s - %s (%s), %s", info.displayName(), info.displayVersion(), SystemInformation::bitness(),
               SystemInformation::osShortVersion());
  return Text(agent.span());
}

unsigned long Downloader::download(const char* url, std::vector<unsigned char>& buffer,
                                   HttpTransfer::Cancelled cancelled) {
  HttpTransfer transfer(url, std::move(cancelled));
  Sink sink{&buffer};
  const Text agent = userAgent();
  CURL* h = transfer.handle();
  curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(h, CURLOPT_MAXREDIRS, MAX_REDIRECTS);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &append);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, &sink);
  curl_easy_setopt(h, CURLOPT_USERAGENT, agent.c_str());
  const int code = transfer.perform();
  if (code != CURLE_OK || sink.cut || transfer.status() != 200) return 0;
  return static_cast<unsigned long>(sink.received);
}
