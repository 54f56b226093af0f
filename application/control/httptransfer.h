// One HTTP transfer with the settings every request of the program shares: only http and https, redirects
// (for callers that follow them) only to https, the certificate bundle "data/cacert.pem" when the resources
// or the base folder hold one, a bounded connection set-up, a stalled transfer ended, and an abort as soon as
// the owner cancels or libcurl is being shut down. The answer's body is dropped unless the caller sets its
// own write function. One thread at a time.
#pragma once

#include "curlpp/curlpp.h"

#include <functional>

class HttpTransfer {
public:
  static constexpr long CONNECT_TIMEOUT = 15; // seconds to set up the connection
  static constexpr long LOW_SPEED_TIME = 30;  // seconds below one byte a second end a transfer

  // Asked often while the transfer runs (at least about once a second); true aborts it.
  using Cancelled = std::function<bool()>;

  // Throws CurlPP::Curl::intialise_error when libcurl cannot make a handle.
  HttpTransfer(const char* url, Cancelled cancelled);
  HttpTransfer(HttpTransfer const&) = delete;
  HttpTransfer& operator=(HttpTransfer const&) = delete;

  // For the caller's own options (write function, redirects, body, time-out).
  CURL* handle() const { return curl.handle(); }
  CurlPP::Curl& easy() { return curl; }

  // Runs the transfer; libcurl's result code (0 success).
  int perform();
  // The HTTP status of the last answer; 0 when none came.
  long status() const;
  // The text of a result code, as libcurl gives it.
  static const char* describe(int code);

private:
  static int progress(void* self, long long, long long, long long, long long);

  CurlPP::Curl curl;
  Cancelled cancelled;
  Text certificates; // the bundle's path, which libcurl keeps pointing at
};
