// Giving up and reporting meet under the worker's mutex: either the outcome was reported before the sender
// let go, or it is only logged. The thread holds its own reference to the worker, so nothing it touches is
// freed under it; the listener, which belongs to the window, is touched only while the sender holds on.
#include "control/feedbacksender.h"

#include "control/httptransfer.h"
#include "gzip/filecompressor.h"
#include "programinfo/programinfo.h"
#include "utils/exception.h"
#include "utils/log.h"
#include "utils/logger.h"
#include "utils/systeminformation.h"
#include "utils/textbuffer.h"
#include "utils/thread.h"

#include <curl/curl.h>
#include <mutex>
#include <unistd.h>

struct FeedbackSender::Worker {
  Worker(Listener& listener, FeedbackData&& data, Text address)
      : listener(listener), data(std::move(data)), address(std::move(address)) {}

  static void threadEntry(void* worker);
  void run();
  void post(Text& error);
  bool addLog(CurlPP::Form& form) const;

  Listener& listener;
  FeedbackData data;
  const Text address;
  std::mutex mutex; // guards the flags below and every listener call
  bool cancelled = false;
  bool complete = false;
};

struct FeedbackSender::Impl {
  void giveUp();

  Text address;
  std::shared_ptr<Worker> worker; // the latest send; null before the first
};

void FeedbackSender::Worker::threadEntry(void* data) {
  const std::unique_ptr<std::shared_ptr<Worker>> worker(static_cast<std::shared_ptr<Worker>*>(data));
  (*worker)->run();
}

void FeedbackSender::Worker::run() {
  Text error;
  try {
    post(error);
  } catch (zun::exception const& e) {
    ZUN_LOG_CAUGHT("ERR", "Error sending feedback: ", e);
    error = e.name;
  } catch (std::exception const& e) {
    Log::print("ERR", "Error sending feedback: %s\n", e.what());
    error = e.what();
  }
  std::lock_guard lock(mutex);
  if (!cancelled) {
    if (error.empty())
      listener.onSuccess();
    else
      listener.onError(error.c_str());
  } else {
    logUnshown(error.empty(), error.c_str());
  }
  complete = true;
}

// Leaves error empty when the server took the form.
void FeedbackSender::Worker::post(Text& error) {
  const Text info = infoText();
  CurlPP::Form form;
  const bool built = form.addField("name", data.name) && form.addField("email", data.email) && addLog(form) &&
                     form.addField("info", info) && form.addField("message", data.message);
  HttpTransfer transfer(address.c_str(), {}); // a closed window does not stop the message
  if (!built || !form.attachTo(transfer.easy())) {
    error = HttpTransfer::describe(CURLE_OUT_OF_MEMORY);
    return;
  }
  curl_easy_setopt(transfer.handle(), CURLOPT_TIMEOUT, TIMEOUT);
  const int code = transfer.perform();
  if (code != CURLE_OK) {
    error = HttpTransfer::describe(code);
    return;
  }
  if (const long status = transfer.status(); status >= 400) {
    TextBuffer<128> text;
    text.format("The server refused the message (HTTP status %ld)", status);
    error = Text(text.span());
  }
}

// An empty log, or one that cannot be compressed, is sent as one empty field.
bool FeedbackSender::Worker::addLog(CurlPP::Form& form) const {
  if (data.attachLog) {
    OwnedBuffer log = Logger::fullLog();
    // A buffer without data would make the compressor read a file of the log's name from the current folder.
    if (log.data && log.size) {
      const char* shortName = ProgramInfo::instance().shortName();
      TextBuffer<1024> name;
      name.format("%s-%d.log", *shortName ? shortName : "zun", int(getpid()));
      TextBuffer<1024> fileName;
      fileName.format("%s.gz", name.c_str());
      FileCompressor compressor(name.c_str(), std::move(log));
      if (compressor.compress())
        return form.addFile("log", fileName.c_str(), compressor.data(), compressor.size()) &&
               form.addField("log", name.span());
    }
  }
  return form.addField("log", Span(""));
}

Text FeedbackSender::infoText() {
  ProgramInfoInstance const& program = ProgramInfo::instance();
  TextBuffer<0> text;
  text.format("OS: %s\nProgram: %s\nVersion: %s - %s", SystemInformation::getOSVersionString().c_str(),
              program.displayName(), program.displayVersion(), SystemInformation::bitness());
  return Text(text.span());
}

void FeedbackSender::logUnshown(bool sent, const char* error) {
  if (sent)
    Log::print("LOG", "Feedback sent after its window was closed\n");
  else
    Log::print("WARN", "Feedback not sent after its window was closed: %s\n", error ? error : "");
}

void FeedbackSender::Impl::giveUp() {
  if (!worker) return;
  {
    std::lock_guard lock(worker->mutex);
    worker->cancelled = true;
  }
  worker.reset();
}

FeedbackSender::FeedbackSender(const char* address) : impl(std::make_unique<Impl>()) {
  impl->address = address;
}

FeedbackSender::~FeedbackSender() {
  impl->giveUp();
}

void FeedbackSender::send(Listener& listener, FeedbackData&& data, bool threaded) {
  impl->giveUp();
  impl->worker = std::make_shared<Worker>(listener, std::move(data), impl->address);
  if (!threaded) {
    impl->worker->run();
    return;
  }
  auto* shared = new std::shared_ptr<Worker>(impl->worker);
  auto* runner = new Thread::Runner<void (*)(void*)>(&Worker::threadEntry, shared);
  Thread runnerThread;
  if (!Thread::launch(runnerThread, runner)) {
    delete shared;
    std::lock_guard lock(impl->worker->mutex);
    impl->worker->complete = true;
    listener.onError("Unable to start a thread for sending");
  }
}
