// Help > Send Feedback: the reader types a name, an e-mail address and a message, chooses whether to attach
// the log, and sends it. The send runs in the background (FeedbackSender) while the window shows "Sending";
// on success the window closes and a "Thanks!" notice follows, on failure the window stays with the error and
// every control usable again. Closing the window during a send leaves the message to go on its own: its
// outcome is logged, and nothing is shown later.
// GUI thread only.
#pragma once

#include <QDialog>

#include <memory>

class FeedbackDialog : public QDialog {
public:
  static constexpr int ANIMATION_MS = 500;

  // address: where the form is posted (the program's feedback link); name and email fill their fields.
  FeedbackDialog(QWidget* parent, const char* address, const char* name = "", const char* email = "");
  ~FeedbackDialog() override;

  // Runs the window modally; after a send, shows "Thanks!" and brings the parent window back to the front.
  // Returns whether the feedback was sent.
  bool run();

private:
  void send();
  void animate();
  void setEditing(bool editing);

  struct Impl;
  std::unique_ptr<Impl> impl;
};
