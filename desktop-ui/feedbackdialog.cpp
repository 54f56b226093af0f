// The send's outcome arrives through MessageCenter and is only recorded; the animation timer shows it, as it
// shows the progress, so that every change of the window happens in one place.
#include "desktop-ui/feedbackdialog.h"

#include "control/feedbacksender.h"
#include "desktop-ui/feedbacklistener.h"
#include "desktop-ui/named.h"
#include "desktop-ui/slotguard.h"
#include "views/messagebox.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace {
enum SendStatus { Sent = 0, Failed = 1, Sending = 2 };
const char* const ERROR_STYLE = "color: #c00000;";
} // namespace

struct FeedbackDialog::Impl {
  Impl(FeedbackDialog* dialog, const char* address)
      : listener(dialog,
                 [this](bool sent, QString const& error) {
                   sendStatus = sent ? Sent : Failed;
                   sendError = error;
                 }),
        sender(address) {}

  // The listener outlives the sender, which gives its send up when it goes.
  FeedbackListener listener;
  FeedbackSender sender;
  int sendStatus = Sent;
  QString sendError;
  int wait = 0; // the animation's step
  QTimer timer;
  QLineEdit* name = nullptr;
  QLineEdit* email = nullptr;
  QPlainTextEdit* message = nullptr;
  QCheckBox* attachLog = nullptr;
  QLabel* error = nullptr;
  QLabel* status = nullptr;
  QPushButton* sendButton = nullptr;
};

FeedbackDialog::FeedbackDialog(QWidget* parent, const char* address, const char* name, const char* email)
    : QDialog(parent), impl(std::make_unique<Impl>(this, address)) {
  setWindowTitle(tr("Send Feedback"));
  setObjectName("feedbackDialog");
  auto* column = new QVBoxLayout(this);
  column->addWidget(
      new QLabel(tr("Tell us what you think, what went wrong, or what you would like to see."), this));
  auto* form = new QFormLayout;
  impl->name = new QLineEdit(QString::fromUtf8(name ? name : ""), this);
  impl->name->setObjectName("nameField");
  impl->email = new QLineEdit(QString::fromUtf8(email ? email : ""), this);
  impl->email->setObjectName("emailField");
  form->addRow(tr("Name:"), impl->name);
  form->addRow(tr("E-mail:"), impl->email);
  column->addLayout(form);
  column->addWidget(new QLabel(tr("Message:"), this));
  impl->message = new QPlainTextEdit(this);
  impl->message->setObjectName("messageField");
  QFont font = impl->message->font();
  font.setPointSize(14);
  impl->message->setFont(font);
  column->addWidget(impl->message, 1);
  impl->attachLog = new QCheckBox(tr("Attach the log file"), this);
  impl->attachLog->setObjectName("attachLogCheckbox");
  column->addWidget(impl->attachLog);
  impl->error = new QLabel(this);
  impl->error->setObjectName("errorMessageField");
  impl->error->setStyleSheet(ERROR_STYLE);
  column->addWidget(impl->error);

  auto* buttons = new QHBoxLayout;
  impl->status = new QLabel(this);
  impl->status->setObjectName("sendStatusField");
  impl->status->setWordWrap(true);
  buttons->addWidget(impl->status, 1);
  auto* cancel = namedButton(tr("Cancel"), "cancelButton", this);
  impl->sendButton = namedButton(tr("Send"), "sendButton", this);
  buttons->addWidget(cancel);
  buttons->addWidget(impl->sendButton);
  column->addLayout(buttons);
  resize(520, 420);

  connect(impl->sendButton, &QPushButton::clicked, this,
          [this] { slotGuard("Error sending feedback: ", [this] { send(); }); });
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(&impl->timer, &QTimer::timeout, this,
          [this] { slotGuard("Error sending feedback: ", [this] { animate(); }); });
  // Cancel and the close box: the send under way is left to finish on its own, and shows nothing.
  connect(this, &QDialog::rejected, &impl->timer, &QTimer::stop);

  if (impl->name->text().isEmpty())
    impl->name->setFocus();
  else if (impl->email->text().isEmpty())
    impl->email->setFocus();
  else
    impl->message->setFocus();
}

FeedbackDialog::~FeedbackDialog() = default;

bool FeedbackDialog::run() {
  const bool sent = exec() == QDialog::Accepted;
  if (sent) {
    MessageBox box(0, MessageBox::Ok);
    box.setMessage("Thanks!");
    box.setInformation("Your feedback has been sent.");
    box.show();
  }
  hide();
  if (QWidget* parent = parentWidget()) {
    parent->raise();
    parent->activateWindow();
  }
  return sent;
}

void FeedbackDialog::send() {
  FeedbackData data;
  data.name = impl->name->text().toUtf8().constData();
  data.email = impl->email->text().toUtf8().constData();
  data.message = impl->message->toPlainText().toUtf8().constData();
  data.attachLog = impl->attachLog->isChecked();
  if (data.message.empty()) {
    impl->error->setText(tr("Please enter a message"));
    impl->message->setFocus();
    return;
  }
  impl->error->clear();
  impl->sendStatus = Sending;
  impl->sendError = tr("Sent");
  impl->sender.send(impl->listener, std::move(data), true);
  impl->wait = 0;
  impl->status->setStyleSheet(QString());
  impl->status->setText(tr("Sending ."));
  setEditing(false);
  impl->timer.start(ANIMATION_MS);
}

void FeedbackDialog::animate() {
  switch (impl->sendStatus) {
  case Sending:
    impl->wait = (impl->wait + 1) % 3;
    impl->status->setText(tr("Sending ") + QString(impl->wait + 1, QChar('.')));
    break;
  case Failed:
    impl->timer.stop();
    setEditing(true);
    impl->status->setStyleSheet(ERROR_STYLE);
    impl->status->setText(impl->sendError);
    break;
  default:
    impl->timer.stop();
    impl->status->clear();
    done(QDialog::Accepted);
  }
}

void FeedbackDialog::setEditing(bool editing) {
  impl->name->setEnabled(editing);
  impl->email->setEnabled(editing);
  impl->attachLog->setEnabled(editing);
  impl->sendButton->setEnabled(editing);
  impl->message->setReadOnly(!editing);
}
