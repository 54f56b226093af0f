// The feedback window's listener: the sender calls it on its worker thread, and it only queues the outcome
// for the GUI thread (MessageCenter), where it reaches the window if the window still exists, and is logged
// otherwise.
#pragma once

#include "control/feedbacksender.h"

#include <QPointer>

#include <functional>
#include <memory>

class QObject;

class FeedbackListener : public FeedbackSender::Listener {
public:
  // On the GUI thread: error is empty on success.
  using Outcome = std::function<void(bool sent, QString const& error)>;

  // outcome runs only while receiver exists. Build on the GUI thread.
  FeedbackListener(QObject* receiver, Outcome outcome);
  ~FeedbackListener() override;

  void onSuccess() override;
  void onError(const char* text) override;

private:
  void post(bool sent, const char* error);

  struct Mailbox;
  std::shared_ptr<Mailbox> mailbox; // copied by queued outcomes, read on the GUI thread only
};
