#include "curlpp/curlpp.h"

#include "utils/log.h"

#include <atomic>
#include <chrono>
#include <climits>
#include <condition_variable>
#include <curl/curl.h>
#include <mutex>

// libcurl's global clean-up must not run while any handle is in use, and workers that were let go (a feedback
// send whose window closed) may still hold one: every easy handle is counted, and shutdown waits for them.
namespace {

struct Handles {
  std::mutex mutex;
  std::condition_variable gone;
  size_t alive = 0;
  std::atomic<bool> shuttingDown{false};
};

Handles& handles() {
  static Handles* h = new Handles; // outlives every worker that may end during exit
  return *h;
}

CURL* newHandle() {
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  CURL* handle = curl_easy_init();
  if (handle) ++h.alive;
  return handle;
}

void freeHandle(CURL* handle) {
  if (!handle) return;
  curl_easy_cleanup(handle);
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  --h.alive;
  h.gone.notify_all();
}

} // namespace

void CurlPP::init() {
  handles().shuttingDown = false;
  if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK)
    throw initialise_error("CurlPP::init::initialise_error", "init", __FILE__, __LINE__);
}

void CurlPP::shutdown() {
  Handles& h = handles();
  h.shuttingDown = true;
  std::unique_lock lock(h.mutex);
  if (!h.gone.wait_for(lock, std::chrono::milliseconds(SHUTDOWN_WAIT_MS), [&] { return h.alive == 0; })) {
    Log::print("WARN", "CurlPP::shutdown - %zu transfers still running; libcurl left as it is\n", h.alive);
    return;
  }
  // Under the lock, so that no handle is made while the library goes.
  curl_global_cleanup();
}

bool CurlPP::shuttingDown() {
  return handles().shuttingDown;
}

size_t CurlPP::liveHandles() {
  Handles& h = handles();
  std::lock_guard lock(h.mutex);
  return h.alive;
}

struct CurlPP::Curl::Impl {
  CURL* handle = nullptr; // owned
};

CurlPP::Curl::Curl() : impl(std::make_unique<Impl>()) {
  impl->handle = newHandle();
  if (!impl->handle) ZUN_THROW(Curl::intialise_error);
}

CurlPP::Curl::~Curl() {
  freeHandle(impl->handle);
}

CURL* CurlPP::Curl::handle() const {
  return impl->handle;
}

Text CurlPP::Curl::escape(Span text) const {
  if (!text.data || text.length == 0 || text.length > size_t(INT_MAX)) return Text();
  char* escaped = curl_easy_escape(impl->handle, text.data, int(text.length));
  if (!escaped) return Text();
  Text result(escaped);
  curl_free(escaped);
  return result;
}

struct CurlPP::Form::Impl {
  // libcurl makes a form against an easy handle (for its boundary and error reports) that need not be the one
  // that sends it; the form keeps its own, since the sender's handle is often made after the form.
  CURL* maker = nullptr;
  curl_mime* mime = nullptr;
  size_t parts = 0;

  curl_mimepart* newPart(const char* name) {
    if (!mime) {
      maker = newHandle();
      mime = maker ? curl_mime_init(maker) : nullptr;
      if (!mime) return nullptr;
    }
    curl_mimepart* part = curl_mime_addpart(mime);
    if (part && curl_mime_name(part, name ? name : "") == CURLE_OK) return part;
    return nullptr;
  }
};

CurlPP::Form::Form() : impl(std::make_unique<Impl>()) {}

CurlPP::Form::~Form() {
  curl_mime_free(impl->mime);
  freeHandle(impl->maker);
}

bool CurlPP::Form::addField(const char* name, Span value) {
  curl_mimepart* part = impl->newPart(name);
  // A null data pointer would clear the part: an empty value is sent as empty data.
  if (!part || curl_mime_data(part, value.data ? value.data : "", value.data ? value.length : 0) != CURLE_OK)
    return false;
  ++impl->parts;
  return true;
}

bool CurlPP::Form::addFile(const char* name, const char* fileName, const void* data, size_t size,
                           const char* contentType) {
  curl_mimepart* part = impl->newPart(name);
  if (!part ||
      curl_mime_data(part, data ? static_cast<const char*>(data) : "", data ? size : 0) != CURLE_OK ||
      curl_mime_filename(part, fileName ? fileName : "") != CURLE_OK ||
      (contentType && curl_mime_type(part, contentType) != CURLE_OK))
    return false;
  ++impl->parts;
  return true;
}

bool CurlPP::Form::empty() const {
  return impl->parts == 0;
}

bool CurlPP::Form::attachTo(Curl& curl) const {
  return impl->mime && curl_easy_setopt(curl.handle(), CURLOPT_MIMEPOST, impl->mime) == CURLE_OK;
}
