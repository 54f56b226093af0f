// The export dialog: the markup around a document export on its first page; the filter, sort order, rows,
// header, columns and the mark-as-known choice of a word-list export on its second. It edits a copy of the
// caller's ExportDialogData (held by its ExportAdapter) and hands it over only through one
// ExportDialogDelegate::onExport call when Export is pressed (for a file, once the injected chooser has
// given a path). Cancel and closing the window export and store nothing.
#pragma once

#include "views/exportdestination.h"
#include "views/exportdialogdata.h"

#include <QDialog>

#include <array>
#include <functional>
#include <memory>

class DocumentStatistics;
class ExportAdapter;
class ExportDialogDelegate;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class WordHash;
class WordListManager;

class ExportDialog : public QDialog {
public:
  // Asks for the file to save to; an empty answer is a cancel.
  using SaveFileChooser = std::function<QString(QWidget* parent)>;

  // Everything but parent and chooser must outlive the dialog; data is copied.
  ExportDialog(QWidget* parent, WordListManager& lists, DocumentStatistics const& statistics,
               WordHash const& lookedUp, ExportDialogData const& data, SaveFileChooser chooser);
  ~ExportDialog() override;

  // begin(), then runs modally; afterwards hides, detaches the adapter and raises the parent. Returns the
  // result code (1 exported, 0 cancelled).
  int run(ExportDialogDelegate& delegate, ExportDestination::Type destination);
  // Makes the adapter for this destination and fills the controls from the data.
  void begin(ExportDialogDelegate& delegate, ExportDestination::Type destination);

  // A chooser that shows Qt's save dialog.
  static SaveFileChooser fileDialogChooser();

private:
  QWidget* buildDocumentPage();
  QWidget* buildWordListPage();
  QWidget* buildFieldTables();
  void fillControls();
  void refreshRows();
  void rowChoiceChanged();
  void refillTables(int selectedRow, int availableRow);
  void updateButtons();
  void readBack();
  void onExport();

  WordListManager& m_lists;
  DocumentStatistics const& m_statistics;
  WordHash const& m_lookedUp;
  ExportDialogData m_data;
  SaveFileChooser m_chooser;
  std::unique_ptr<ExportAdapter> m_adapter; // while begun

  // Named after themselves (objectName), so tests find them; also "cancelButton".
  QTabWidget* pageTab;
  QPushButton* exportButton;
  // documentPre, documentPost, paragraphPre, paragraphPost, wordPre, wordPost, characterPre, characterPost
  std::array<QLineEdit*, 8> markupFields;
  QComboBox* wordListPopup;
  QComboBox* sortByPopup;
  QRadioButton* allRadio;
  QRadioButton* firstRadio;
  QSpinBox* firstTextField;
  QComboBox* orderByPopup;
  QCheckBox* useHeaderCheckbox;
  QLineEdit* headerTextField;
  QListWidget* availableFieldsTable;
  QListWidget* selectedFieldsTable;
  QPushButton* upButton;
  QPushButton* downButton;
  QPushButton* moveRightButton;
  QPushButton* moveLeftButton;
  QPushButton* clearButton;
  QCheckBox* markExportedAsKnownCheckbox;
};
