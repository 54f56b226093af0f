// The welcome window of a first run: a few words on what the program does and an offer to import the words
// the reader already knows. Import runs the import dialog over it and hands the words to the caller; the
// welcome stays until Close or its window's close button, and then the main window comes to the front.
#pragma once

#include "desktop-ui/importdialog.h"
#include "utils/span.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class WelcomeDialog : public QDialog {
public:
  // Runs a nested dialog modally and answers its result code; QDialog::exec unless a test replaces it.
  using DialogRunner = std::function<int(QDialog& dialog)>;
  // Takes the words of an import that ended with Import; they are valid during the call.
  using ImportWords = std::function<void(std::vector<Span> const& words)>;

  WelcomeDialog(QWidget* mainWindow, ImportDialog::OpenFileChooser chooser, ImportWords importWords);
  ~WelcomeDialog() override;

  // Runs modally; always 0.
  int run();
  void setDialogRunner(DialogRunner runner);

  // Ends the dialog (Close, or the window closed) and brings the main window to the front.
  void done(int result) override;

private:
  void import();

  struct Impl;
  std::unique_ptr<Impl> impl;
};
