// The dialog in which the reader names a new word list, marks it read-only or not, and chooses what it
// starts with: nothing, a copy of another list, HSK levels or TOCFL levels. It only fills the caller's
// NewWordListDialogData, and only when it ends with Create, with the name as the list file keeps it
// (WordList::storableDisplayName); a blank name keeps it open with a notice. Cancel and closing the window
// leave the data as it was.
#pragma once

#include "desktop-ui/wordlistnamefield.h"
#include "views/newwordlistdialogdata.h"

#include <QDialog>

#include <array>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QGridLayout;
class QGroupBox;
class QPushButton;
class QRadioButton;

class NewWordListDialog : public QDialog {
public:
  // data: the defaults, filled on Create; not owned. names: the lists that may be copied, in index order.
  NewWordListDialog(QWidget* parent, NewWordListDialogData* data, std::vector<std::string> const& names);

  // Runs modally; true when the dialog ended with Create.
  bool run();

  // Keeps the dialog open with the notice when the name is refused; else fills the data and ends with 1.
  void accept() override;

private:
  QWidget* buildChoices(std::vector<std::string> const& names);
  template <size_t N>
  void addLevelChecks(QGridLayout* grid, int row, const char* kind, std::array<QCheckBox*, N>& checks,
                      std::array<bool, N> const& ticked, QRadioButton* radio);

  // Named after themselves (objectName), so tests find them.
  NewWordListDialogData* m_data;
  WordListNameField m_name;
  QCheckBox* readOnlyCheck;
  QRadioButton* emptyRadio;
  QRadioButton* existingRadio;
  QComboBox* existingPopup;
  QRadioButton* hskRadio;
  std::array<QCheckBox*, 6> hskChecks;
  QRadioButton* tocflRadio;
  std::array<QCheckBox*, 5> tocflChecks;
  QGroupBox* createFromBox;
  QPushButton* createButton;
  QPushButton* cancelButton;
};
