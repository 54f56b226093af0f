// A small HTTP GET into memory, for the version check: redirects followed (to https only), the answer's body
// capped, the transfer aborted when the caller cancels.
#pragma once

#include "control/httptransfer.h"

#include <cstddef>
#include <vector>

class Downloader {
public:
  // The most a download keeps; a longer answer is cut there and counts as failed.
  static constexpr size_t MAX_BODY = 64 * 1024;
  static constexpr long MAX_REDIRECTS = 5;

  // The user agent: "<display name> - <display version> (<bitness>), <system>".
  static Text userAgent();

  // Appends the answer's body to buffer (at most MAX_BODY bytes in all) and returns the bytes received when
  // the transfer succeeded with HTTP status 200, else 0. Throws CurlPP::Curl::intialise_error when libcurl
  // cannot make a handle.
  unsigned long download(const char* url, std::vector<unsigned char>& buffer,
                         HttpTransfer::Cancelled cancelled = {});
};
