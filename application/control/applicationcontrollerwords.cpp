// The word commands of the views: marking words known or unknown in the current list, the rule that a word
// looked up in this run cannot be marked known, definitions and online lookups, copying words, custom words
// and importing. The current list changes in memory; the word-list manager stores it as a revision later.
#include "control/applicationcontrollerimpl.h"

#include "control/managewordlistscontroller.h"
#include "control/programlink.h"
#include "programinfo/programinfo.h"
#include "text/oldwordlistmanager.h"
#include "utils/utf8.h"
#include "views/clipboard.h"
#include "views/definitionview.h"
#include "views/messagebox.h"

#include <algorithm>

namespace {

constexpr size_t MAX_CUSTOM_WORD_BYTES = 256;
constexpr size_t MAX_CUSTOM_WORD_CHARACTERS = 20;

void showOk(const char* message, const char* informationFormat, const char* text) {
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("%s", message);
  box.setInformation(informationFormat, text);
  box.show();
}

// The bytes up to the last whole character.
Span withoutPartialTail(Span const& s) {
  const char* p = s.begin();
  while (p < s.end()) {
    const size_t n = utf8::sequence_length(p, s.end());
    if (n > size_t(s.end() - p)) break;
    p += n;
  }
  return Span(s.data, size_t(p - s.data));
}

bool allowedInCustomWord(uint32_t c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
         (c >= 0x4E00 && c <= 0x9FCF) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x20000 && c <= 0x2A6DF);
}

void customWordTooLong() {
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("Custom word too long");
  box.setInformation("Custom words cannot be longer than %zu characters.", MAX_CUSTOM_WORD_CHARACTERS);
  box.show();
}

} // namespace

bool ApplicationController::Impl::changeReadOnlyList(const char* question) const {
  if (!wordLists->currentListReadOnly()) return true;
  MessageBox box(2, MessageBox::Question);
  box.setMessage("Read only word list");
  box.setInformation("The current word list is read only.\n\nAre you sure you want to mark %s?", question);
  return box.show() == MessageBox::Yes;
}

void ApplicationController::Impl::recentLookUpWarning() const {
  showOk(
      "Recently looked up word.",
      "You cannot mark recently looked up words as known.\n\nTo mark this word as known you will need either "
      "to export this word and mark it as known, or restart %s.",
      ProgramInfo::instance().displayName());
}

void ApplicationController::Impl::markWordAsKnown(Span const& word) {
  if (word.empty() || !changeReadOnlyList("this word as known")) return;
  if (lookedUpWords.exists(word) == WordHash::Word) {
    recentLookUpWarning();
    return;
  }
  wordLists->current().add(word);
  refreshViews();
}

void ApplicationController::Impl::markWordAsUnknown(Span const& word) {
  if (word.empty() || !changeReadOnlyList("this word as unknown")) return;
  wordLists->current().remove(word);
  refreshViews();
}

void ApplicationController::Impl::markAllAsKnown(std::vector<WordStatistics*> const& words) {
  if (!changeReadOnlyList("these words as known")) return;
  std::vector<WordStatistics*> allowed;
  for (WordStatistics* w : words)
    if (lookedUpWords.exists(w->word) != WordHash::Word) allowed.push_back(w);
  wordLists->current().addList(allowed);
  if (allowed.size() < words.size()) recentLookUpWarning();
  refreshViews();
}

void ApplicationController::Impl::markAllAsUnknown(std::vector<WordStatistics*> const& words) {
  if (!changeReadOnlyList("these words as unknown")) return;
  wordLists->current().removeList(words);
  refreshViews();
}

// A looked-up word leaves the known words (unless the list is read-only) and stays unknown for this run.
void ApplicationController::Impl::markWordAsLookedUp(Span const& word) {
  if (!wordLists->currentListReadOnly()) wordLists->current().remove(word);
  lookedUpWords.add(word);
  refreshViews();
}

// The popup takes the settings and the dictionary at its first lookup.
void ApplicationController::Impl::showDefinitionAt(Span const& word, double x, double y) {
  DefinitionView& popup = gui.definitionView();
  if (!popup.dictionary()) {
    popup.setConfig(definitionConfig);
    popup.setDictionary(dictionary.get());
  }
  popup.setWord(word);
  popup.show(x, y);
  markWordAsLookedUp(word);
}

DocumentState ApplicationController::Impl::selection() const {
  DocumentState state;
  if (documents.currentDocument()) textView.selection(state);
  return state;
}

void ApplicationController::Impl::copySelection(bool append) {
  if (!documents.currentDocument()) return;
  const Text text = textView.selectedText();
  if (append)
    Clipboard().appendText(text);
  else
    Clipboard().setText(text);
}

// The selected text as a word of the segmentation: ASCII letters and digits and CJK ideographs only, at most
// twenty characters. Every open document is segmented again with it.
void ApplicationController::Impl::addCustomWord(Span const& selected, uint64_t selectedBytes) {
  if (selectedBytes == 0) return;
  if (selectedBytes >= MAX_CUSTOM_WORD_BYTES) return customWordTooLong();
  const std::string text(withoutPartialTail(selected).view());
  WordHash& master = OldWordListManager::instance().privateMasterList();
  if (master.exists(Span(text)) == WordHash::Word)
    return showOk("Word exists", "The word '%s' already exists.", text.c_str());
  size_t characters = 0;
  for (const char *p = text.data(), *end = p + text.size(); p < end;) {
    size_t n = 0;
    const uint32_t c = utf8::decode(p, end, n);
    if (++characters > MAX_CUSTOM_WORD_CHARACTERS) return customWordTooLong();
    if (!allowedInCustomWord(c))
      return showOk("Invalid characters",
                    "'%s' contains invalid characters.\n\nCustom words cannot contain punctuation, spaces or "
                    "other symbols.",
                    text.c_str());
    p += n;
  }
  documents.cancelDocumentProcessing();
  const bool added = OldWordListManager::instance().privateAddCustomWord(Span(text));
  documents.reloadOpenDocuments();
  if (!added) showOk("Error adding word", "Error adding '%s' to custom word file.", text.c_str());
}

// Empty words are skipped; every other word given counts, known ones too: the reader asked for all of them to
// be in the list.
void ApplicationController::Impl::importWordList(std::vector<Span> const& words) {
  WordHash& list = wordLists->current();
  unsigned long long given = 0;
  for (Span const& word : words) {
    if (word.empty()) continue;
    ++given;
    list.add(word);
  }
  if (given > 0) {
    MessageBox box(2, MessageBox::Ok);
    box.setMessage("Import Complete");
    box.setInformation("Successfully imported %llu words.", given);
    box.show();
    wordLists->saveVersion();
  }
  refreshViews();
}

void ApplicationController::Impl::runImport() {
  const auto words = gui.runImportDialog();
  if (!words) return;
  std::vector<Span> spans;
  spans.reserve(words->size());
  for (std::string const& word : *words)
    spans.emplace_back(word);
  importWordList(spans);
}

void ApplicationController::Impl::markAsKnown(Span const& word) {
  guarded("Marking a word known", [&] { markWordAsKnown(word); });
}
void ApplicationController::Impl::markAsUnknown(Span const& word) {
  guarded("Marking a word unknown", [&] { markWordAsUnknown(word); });
}
void ApplicationController::Impl::toggleKnown(Span const& word) {
  guarded("Toggling a word", [&] {
    if (wordLists->current().exists(word) == WordHash::Word)
      markWordAsUnknown(word);
    else
      markWordAsKnown(word);
  });
}
void ApplicationController::Impl::markAsKnown(std::vector<WordStatistics*> const& words) {
  guarded("Marking words known", [&] { markAllAsKnown(words); });
}
void ApplicationController::Impl::markAsUnknown(std::vector<WordStatistics*> const& words) {
  guarded("Marking words unknown", [&] { markAllAsUnknown(words); });
}
void ApplicationController::Impl::showDefinition(Span const& word) {
  guarded("Showing a definition", [&] {
    double x = 0, y = 0;
    gui.mouseLocation(x, y);
    showDefinitionAt(word, x, y);
  });
}
void ApplicationController::Impl::showDefinition(Span const& word, double x, double y) {
  guarded("Showing a definition", [&] { showDefinitionAt(word, x, y); });
}
void ApplicationController::Impl::onlineLookup(Span const& word, unsigned long option) {
  guarded("Looking a word up online", [&] {
    auto const& options = onlineSearchOptions.options();
    if (option < options.size()) ProgramLink::openOrTell(options[option].linkForWord(word).c_str());
    markWordAsLookedUp(word);
  });
}
void ApplicationController::Impl::copyToClipboard(std::vector<WordStatistics*> const& words, bool append) {
  guarded("Copying words", [&] { WordListViewController::copyToClipboard(words, append); });
}
void ApplicationController::Impl::findWord(Span const& term) {
  guarded("Finding a word", [&] { find(term); });
}
void ApplicationController::Impl::findFromOffset(unsigned long offset, Span const& term) {
  guarded("Finding a word", [&] {
    search->setCurrentOffset(offset);
    find(term);
  });
}
void ApplicationController::Impl::copySelectedText() {
  guarded("Copying the selection", [&] { copySelection(false); });
}
void ApplicationController::Impl::paste(bool) {
  guarded("Pasting", [&] { pasteFromClipboard(); });
}
void ApplicationController::Impl::addCustomWordFromSelection() {
  guarded("Adding a custom word", [&] {
    const DocumentState selected = selection();
    const uint64_t bytes = selected.selectionEnd - selected.selectionStart;
    addCustomWord(textView.selectedText(std::min<uint64_t>(bytes, MAX_CUSTOM_WORD_BYTES)), bytes);
  });
}
void ApplicationController::Impl::manageWordLists() {
  guarded("Managing word lists", [&] {
    ManageWordListsController controller(*this, *wordLists);
    gui.runManageWordListsDialog(controller);
    refreshViews();
  });
}
void ApplicationController::Impl::wordListChanged() {
  guarded("Changing the word list", [&] { refreshViews(); });
}
