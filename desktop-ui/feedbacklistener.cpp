#include "desktop-ui/feedbacklistener.h"

#include "desktop-ui/slotguard.h"
#include "utils/messagecenter.h"

#include <QString>

#include <string>

// Touched on the GUI thread only; other threads only copy the shared pointer to it.
struct FeedbackListener::Mailbox {
  QPointer<QObject> receiver;
  Outcome outcome;
};

FeedbackListener::FeedbackListener(QObject* receiver, Outcome outcome)
    : mailbox(std::make_shared<Mailbox>(Mailbox{receiver, std::move(outcome)})) {}

FeedbackListener::~FeedbackListener() = default;

void FeedbackListener::onSuccess() {
  post(true, "");
}

void FeedbackListener::onError(const char* text) {
  post(false, text ? text : "");
}

void FeedbackListener::post(bool sent, const char* error) {
  struct Delivery {
    std::shared_ptr<Mailbox> mailbox;
    bool sent;
    std::string error;
  };
  auto delivery = std::make_unique<Delivery>(Delivery{mailbox, sent, error});
  MessageCenter::instance().addMessage(delivery.get(), [](void* data) {
    const std::unique_ptr<Delivery> d(static_cast<Delivery*>(data));
    Mailbox& box = *d->mailbox;
    if (!box.receiver) return FeedbackSender::logUnshown(d->sent, d->error.c_str());
    slotGuard("Error showing the feedback result: ",
              [&] { box.outcome(d->sent, QString::fromUtf8(d->error.data(), qsizetype(d->error.size()))); });
  });
  delivery.release();
}
