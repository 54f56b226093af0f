// The dialog that gathers words to import: from a word-list file that the reader types or browses to, or
// from the HSK or TOCFL lists up to a chosen level. The words are read on a worker thread (a UTF-16,
// GB18030 or Big5 file is converted first) and shown in a preview as they come; Import stays disabled until
// the latest choice has been read whole. The dialog only collects the words: the caller adds them to a
// word list.
#pragma once

#include "utils/span.h"
#include "views/importadapter.h"

#include <QDialog>

#include <functional>
#include <memory>
#include <vector>

class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class WordPreviewModel;

class ImportDialog : public QDialog, private ImportAdapter::Listener {
public:
  // Asks for one existing file; an empty answer is a cancel.
  using OpenFileChooser = std::function<QString(QWidget* parent)>;

  ImportDialog(QWidget* parent, OpenFileChooser chooser);
  // Cancels a pending conversion and stops the import; queued updates are dropped.
  ~ImportDialog() override;

  // Runs modally; true when the dialog ended with Import.
  bool run();
  // The words of the latest choice; the spans stay valid while the dialog lives and no other choice is made.
  std::vector<Span> const& words() const;

  // Ends with 1 only when the latest choice has been read whole and has words.
  void accept() override;

  // A chooser that shows Qt's file dialog.
  static OpenFileChooser fileDialogChooser();

protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

private:
  void previewChanged() override;
  void fileLocationChanged();
  void levelChosen(ImportAdapter::LevelType type);
  void browse();
  QComboBox* levelCombo(ImportAdapter::LevelType type, const char* name);

  OpenFileChooser m_chooser;
  std::unique_ptr<ImportAdapter> m_adapter;
  // Named after themselves (objectName), so tests find them.
  QRadioButton* fromFileRadio;
  QRadioButton* hskLevelRadio;
  QRadioButton* tocflLevelRadio;
  QLineEdit* fileLocation;
  QPushButton* browseButton;
  QComboBox* hskLevelCombo;
  QComboBox* tocflLevelCombo;
  QGroupBox* previewBox;
  QPushButton* importButton;
  QPushButton* cancelButton;
  WordPreviewModel* m_preview;
};
