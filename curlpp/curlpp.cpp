#include "curlpp/curlpp.h"

#include <climits>
#include <curl/curl.h>

void CurlPP::init() {
  if (curl_global_init(CURL_GLOBAL_ALL) != CURLE_OK)
    throw initialise_error("CurlPP::init::initialise_error", "init", __FILE__, __LINE__);
}

void CurlPP::shutdown() {
  curl_global_cleanup();
}

struct CurlPP::Curl::Impl {
  CURL* handle = nullptr; // owned
};

CurlPP::Curl::Curl() : impl(std::make_unique<Impl>()) {
  impl->handle = curl_easy_init();
  if (!impl->handle) ZUN_THROW(Curl::intialise_error);
}

CurlPP::Curl::~Curl() {
  if (impl->handle) curl_easy_cleanup(impl->handle);
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
      maker = curl_easy_init();
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
  if (impl->maker) curl_easy_cleanup(impl->maker);
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
