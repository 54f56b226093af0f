#include "control/httptransfer.h"

#include "utils/filefinder.h"

#include <curl/curl.h>

namespace {

size_t discard(char*, size_t size, size_t count, void*) {
  return size * count;
}

} // namespace

HttpTransfer::HttpTransfer(const char* url, Cancelled cancelled) : cancelled(std::move(cancelled)) {
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  if (const char* found = finder.find("data/cacert.pem")) certificates = found;

  CURL* h = curl.handle();
  curl_easy_setopt(h, CURLOPT_URL, url ? url : "");
  curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
  curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "https");
  if (!certificates.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, certificates.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L); // worker threads: no SIGALRM for name look-ups
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, CONNECT_TIMEOUT);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
  curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, LOW_SPEED_TIME);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &discard);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &progress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
}

int HttpTransfer::progress(void* self, long long, long long, long long, long long) {
  auto* transfer = static_cast<HttpTransfer*>(self);
  return CurlPP::shuttingDown() || (transfer->cancelled && transfer->cancelled()) ? 1 : 0;
}

int HttpTransfer::perform() {
  return int(curl_easy_perform(curl.handle()));
}

long HttpTransfer::status() const {
  long code = 0;
  if (curl_easy_getinfo(curl.handle(), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) return 0;
  return code;
}

const char* HttpTransfer::describe(int code) {
  return curl_easy_strerror(CURLcode(code));
}
