// Posts one feedback message as a multipart form to the feedback address on a worker thread, with the current
// log attached when asked, and reports the outcome to a listener. The form's parts, in order: "name",
// "email", "log" (with the log: a file part holding the gzipped log, named "<short name>-<pid>.log.gz", then
// a field holding "<short name>-<pid>.log"; otherwise one empty field), "info" (system and program) and
// "message".
//
// The worker is shared by its thread and the sender: a sender that goes (its window closed) gives the worker
// up, but the message is still sent: the thread carries the transfer to its end, logs the outcome in place of
// telling the listener, and frees the worker. Only libcurl's shutdown cuts a transfer short.
#pragma once

#include "control/feedbackdata.h"
#include "utils/text.h"

#include <memory>

class FeedbackSender {
public:
  class Listener {
  public:
    virtual ~Listener() = default;
    // On the worker's thread (or the caller's, when not threaded). The form was taken and answered with a
    // status below 400.
    virtual void onSuccess() = 0;
    // The transfer failed (libcurl's description) or the server answered with an error status.
    virtual void onError(const char* text) = 0;
  };

  static constexpr long TIMEOUT = 30; // seconds for the whole post

  // address: where the form is posted (the program's feedback link).
  explicit FeedbackSender(const char* address);
  // Gives up a send under way: it goes on, but its listener is not called any more from the moment this
  // returns; its outcome is logged.
  ~FeedbackSender();
  FeedbackSender(FeedbackSender const&) = delete;
  FeedbackSender& operator=(FeedbackSender const&) = delete;

  // Sends data; a send still under way is given up first (it goes on, as above). Threaded, returns at once;
  // otherwise returns after the listener was called. The listener must outlive the send or this sender.
  void send(Listener& listener, FeedbackData&& data, bool threaded);

  // "OS: <system>\nProgram: <name>\nVersion: <version> - <bitness>".
  static Text infoText();
  // Logs the outcome of a send whose window has gone, the only trace it leaves.
  static void logUnshown(bool sent, const char* error);

private:
  struct Worker;
  struct Impl;
  std::unique_ptr<Impl> impl;
};
