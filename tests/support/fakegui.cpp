#include "support/fakegui.h"

#include "views/exportadapter.h"
#include "views/runscriptdialogdata.h"
#include "views/runscriptdialogdelegate.h"

namespace qmtest {

void FakeGUI::showFindDialog(const char* searchText, FindDialogDelegate& delegate) {
  calls.push_back(std::string("showFindDialog ") + (searchText ? searchText : ""));
  findBar.setSearchText(searchText);
  findBar.show(&delegate);
}

void FakeGUI::setLastSearch(const char* text) {
  calls.push_back(std::string("setLastSearch ") + (text ? text : ""));
}

std::optional<std::vector<std::string>> FakeGUI::runImportDialog() {
  calls.push_back("import");
  return importDialog ? importDialog() : std::nullopt;
}

void FakeGUI::runExportDialog(WordListManager& lists, DocumentStatistics const& documentStatistics,
                              WordHash const& lookedUp, ExportDialogData const& data,
                              ExportDialogDelegate& delegate, ExportDestination::Type destination) {
  calls.push_back("export " + std::to_string(int(destination)));
  ExportAdapter adapter(data, lists, documentStatistics, lookedUp, delegate, destination);
  if (exportDialog) exportDialog(adapter);
}

void FakeGUI::runManageWordListsDialog(ManageWordListsDelegate& controller) {
  calls.push_back("manage");
  if (manageDialog) manageDialog(controller);
}

bool FakeGUI::runRunScriptDialog(RunScriptDialogDelegate& controller) {
  calls.push_back("runScript");
  return runScriptDialog ? runScriptDialog(controller) : controller.data().saveToClipboard;
}

void FakeGUI::runFeedbackDialog(const char* address) {
  calls.push_back(std::string("feedback ") + (address ? address : ""));
}

void FakeGUI::runWelcomeDialog(std::function<void(std::vector<Span> const&)> const& importWords) {
  calls.push_back("welcome");
  if (welcomeDialog) welcomeDialog(importWords);
}

bool FakeGUI::chooseFont(Text& name, double& size) {
  calls.push_back("chooseFont");
  return fontChooser && fontChooser(name, size);
}

} // namespace qmtest
