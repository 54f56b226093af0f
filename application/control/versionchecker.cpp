// The worker is joined by cancel(): it owns nothing that outlives it, and libcurl can be shut down once the
// checker is gone. A result already queued for the main thread carries a token that cancel() clears.
#include "control/versionchecker.h"

#include "control/downloader.h"
#include "utils/exception.h"
#include "utils/log.h"
#include "utils/messagecenter.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"
#include "utils/thread.h"

#include <mutex>
#include <string>
#include <vector>

namespace {

// Main thread only: read when a result is delivered, cleared by cancel().
struct Token {
  VersionChecker::Listener* listener;
};

struct Result {
  std::shared_ptr<Token> token;
  Text version;
  Text link;
};

void deliver(void* data) {
  std::unique_ptr<Result> result(static_cast<Result*>(data));
  if (VersionChecker::Listener* listener = result->token->listener)
    listener->versionCheck(result->version.c_str(), result->link.empty() ? nullptr : result->link.c_str(),
                           result->version.empty());
}

} // namespace

struct VersionChecker::Impl {
  static void threadEntry(void* impl) { static_cast<Impl*>(impl)->check(); }
  void check();
  void fetch();
  bool finishRequested() {
    std::lock_guard lock(mutex);
    return finish;
  }

  Text url;
  std::shared_ptr<Token> token;
  std::mutex mutex; // guards finish and ended
  bool finish = false;
  bool ended = false;
  Thread worker; // joinable: joined by cancel()
};

void VersionChecker::Impl::check() {
  try {
    fetch();
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("WARN", "Error checking for a new version: ", e);
  } catch (std::exception const& e) {
    Log::print("WARN", "Error checking for a new version: %s\n", e.what());
  }
  std::lock_guard lock(mutex);
  ended = true;
}

void VersionChecker::Impl::fetch() {
  if (finishRequested()) return;
  std::vector<unsigned char> buffer;
  buffer.reserve(1024);
  const unsigned long received =
      Downloader().download(url.c_str(), buffer, [this] { return finishRequested(); });
  if (!received) return;
  const PropertyFile file(Utf8Range(reinterpret_cast<const char*>(buffer.data()), buffer.size()));
  PropertyGroup const* group = file.group(nullptr);
  auto result = std::make_unique<Result>();
  result->token = token;
  result->version = group->valueAsString("version", "");
  result->link = group->valueAsString("download", "");
  std::lock_guard lock(mutex);
  if (finish) return;
  MessageCenter::instance().addMessage(result.get(), &deliver);
  result.release();
}

Text VersionChecker::versionUrl(const char* versionLink) {
  return Text((std::string(versionLink ? versionLink : "") + "/linux").c_str());
}

VersionChecker::VersionChecker(const char* versionUrl, Listener& listener) : impl(std::make_unique<Impl>()) {
  impl->url = versionUrl;
  impl->token = std::make_shared<Token>(Token{&listener});
  auto* runner = new Thread::Runner<void (*)(void*)>(&Impl::threadEntry, impl.get());
  if (!Thread::launch(impl->worker, runner, Thread::Mode::Joinable)) impl->ended = true; // logged there
}

VersionChecker::~VersionChecker() {
  cancel();
}

bool VersionChecker::finished() const {
  std::lock_guard lock(impl->mutex);
  return impl->ended;
}

void VersionChecker::cancel() {
  {
    std::lock_guard lock(impl->mutex);
    impl->finish = true;
  }
  impl->token->listener = nullptr;
  impl->worker.join();
}
