// The owner of libcurl's resources: the library's start-up and shutdown, easy handles and multipart forms,
// each released by its destructor. Transfer options are set by the callers on handle().
#pragma once

#include "utils/exception.h"
#include "utils/span.h"
#include "utils/text.h"

#include <cstddef>
#include <memory>

typedef void CURL;

class CurlPP {
public:
  ZUN_ERROR(initialise_error);

  CurlPP() = delete;

  // How long shutdown() waits for the handles still alive.
  static constexpr int SHUTDOWN_WAIT_MS = 5000;

  // Once, on the main thread, before any handle exists. Throws initialise_error.
  static void init();
  // Once, at the end. Transfers still under way see shuttingDown() and should abort; the library is released
  // only once every handle is gone, and left as it is (logged under "WARN") when one is still alive after
  // SHUTDOWN_WAIT_MS.
  static void shutdown();
  // From shutdown() on, until the next init(); any thread.
  static bool shuttingDown();
  // Easy handles alive now (forms hold one each); any thread.
  static size_t liveHandles();

  // One easy handle, used by one thread at a time.
  class Curl {
  public:
    ZUN_ERROR(intialise_error);

    // Throws intialise_error when libcurl cannot make a handle.
    Curl();
    ~Curl();
    Curl(Curl const&) = delete;
    Curl& operator=(Curl const&) = delete;

    CURL* handle() const;
    // The text for a link: every byte but ASCII letters, digits and "-", ".", "_", "~" as "%" and two
    // upper-case hexadecimal digits. Empty when escaping fails.
    Text escape(Span text) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
  };

  // A multipart form (multipart/form-data), its parts sent in the order added. Nothing is made until the
  // first part is added, so an unused form costs nothing.
  class Form {
  public:
    Form();
    ~Form();
    Form(Form const&) = delete;
    Form& operator=(Form const&) = delete;

    // A plain field; the value is copied. False when libcurl refused it.
    bool addField(const char* name, Span value);
    // A file part named fileName whose contents (copied) are data; contentType null means libcurl's default.
    bool addFile(const char* name, const char* fileName, const void* data, size_t size,
                 const char* contentType = nullptr);
    bool empty() const;
    // Makes the form the handle's POST body. The form must outlive the handle's transfers.
    bool attachTo(Curl& curl) const;

  private:
    struct Impl;
    std::unique_ptr<Impl> impl;
  };
};
