// Shows the core's MessageBox as a QMessageBox: an information box with "Ok", or "Yes" then "No". Texts are
// plain (a message holding "<b>" shows it as it stands). Escape and closing the window answer No on a
// question and Ok on an Ok box. GUI thread only; installed by PlatformServices.
#pragma once

#include "views/messagebox.h"

#include <QMessageBox>

#include <memory>

class MessageBoxPresenter : public MessageBox::Presenter {
public:
  // The box for message, not yet shown. Tests open() it and answer it as a user would.
  static std::unique_ptr<QMessageBox> build(MessageBox const& message, QWidget* parent = nullptr);
  // What a finished box answered, as MessageBox::show returns it.
  static int answer(QMessageBox const& box);

  // Runs the box modally over the active window.
  int present(MessageBox const& message) override;
};
