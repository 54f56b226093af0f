// The dialog that renames the current word list and sets or clears its read-only mark. It fills the caller's
// EditWordListDialogData only when it ends with Update, with the name as the list file keeps it
// (WordList::storableDisplayName); a blank name keeps it open with a notice. Cancel and closing the window
// leave the data as it was.
#pragma once

#include "desktop-ui/wordlistnamefield.h"
#include "views/editwordlistdialogdata.h"

#include <QDialog>

class QCheckBox;

class EditWordListDialog : public QDialog {
public:
  // data: shown at first, filled on Update; not owned.
  EditWordListDialog(QWidget* parent, EditWordListDialogData* data);

  // Runs modally; true when the dialog ended with Update.
  bool run();

  void accept() override;

private:
  // Named after themselves (objectName), so tests find them; also "updateButton", "cancelButton".
  EditWordListDialogData* m_data;
  WordListNameField m_name;
  QCheckBox* readOnlyCheck;
};
