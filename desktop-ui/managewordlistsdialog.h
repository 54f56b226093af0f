// The window in which the reader chooses the current word list, sees its words, and starts the new, edit,
// clear and delete commands. It holds no list data: it asks its ManageWordListsDelegate (bound only while
// it runs) and is called back to refill itself. The pop-up's entries carry their list's index, so that a
// list without a name shifts no choice. The new and edit dialogs run as nested modal dialogs parented to
// this one.
#pragma once

#include "views/managewordlistsview.h"

#include <QDialog>

#include <functional>

class ManageWordListsDelegate;
class QComboBox;
class QGroupBox;
class QPushButton;
class WordPreviewModel;

class ManageWordListsDialog : public QDialog, public ManageWordListsView {
public:
  // Runs a nested dialog modally and answers its result code; QDialog::exec unless a test replaces it.
  using DialogRunner = std::function<int(QDialog& dialog)>;

  explicit ManageWordListsDialog(QWidget* parent);
  ~ManageWordListsDialog() override;

  // Binds the delegate, runs modally, unbinds; returns 0.
  int run(ManageWordListsDelegate* delegate);
  // Null unbinds; every action does nothing while none is bound. Binding fills the controls.
  void setDelegate(ManageWordListsDelegate* delegate);
  void setDialogRunner(DialogRunner runner);

  void populateWordLists() override;
  void updatePreview() override;
  bool runNewWordListDialog(NewWordListDialogData& data, std::vector<std::string> const& names) override;
  bool runEditWordListDialog(EditWordListDialogData& data) override;

private:
  // Runs action with the bound delegate, if any, catching what it throws.
  template <class F> void act(const char* what, F&& action);

  ManageWordListsDelegate* m_delegate = nullptr;
  DialogRunner m_runner;
  // Named after themselves (objectName), so tests find them; also "newButton", "editButton",
  // "clearButton", "closeButton".
  QComboBox* wordListPopup;
  QGroupBox* previewBox;
  QPushButton* deleteButton;
  WordPreviewModel* m_preview;
};
