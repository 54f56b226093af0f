// A modal message with an Ok button, or a question with Yes and No. The core builds and shows boxes without
// knowing how they are drawn: the desktop installs a Presenter that runs a QMessageBox, and tests install one
// that answers. Main thread only.
#pragma once

#include "utils/textbuffer.h"

#include <memory>

class MessageBox {
public:
  enum Type { Ok = 0, Question = 2 };
  // What show() returns. Only Yes counts as consent: No, Escape and closing the box give No.
  enum Answer { OkPressed = 1, No = 2, Yes = 3 };

  class Presenter {
  public:
    virtual ~Presenter() = default;
    // Shows box modally and returns its Answer.
    virtual int present(MessageBox const& box) = 0;
  };
  // The presenter every box is shown by; not owned. Without one a box is only logged, and answers Ok for an
  // Ok box and No for a question, so that nothing is done without consent.
  static void setPresenter(Presenter* presenter);
  static Presenter* presenter();

  // kind (0, 1 or 2, as callers pass it) is kept for the presenter; it does not change the buttons.
  MessageBox(int kind, Type type);
  ~MessageBox();

  // printf-style. The message holds at most 256 bytes and each call appends to it; the information is
  // replaced by each call and holds at most 1,024 bytes. Texts are cut at a character boundary. User text
  // goes in as an argument ("%s"), never as the format.
  void setMessage(const char* format, ...) QM_PRINTF(2, 3);
  void setInformation(const char* format, ...) QM_PRINTF(2, 3);

  int kind() const;
  Type type() const;
  const char* message() const;
  const char* information() const;

  // Runs the box through the presenter; handle (the parent window) is unused on this platform.
  int show(void* handle = nullptr);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
