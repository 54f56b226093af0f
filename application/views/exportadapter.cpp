#include "views/exportadapter.h"

#include "documents/documentstatistics.h"
#include "export/exportfield.h"
#include "views/exportdialogdelegate.h"
#include "wordlists/wordlistmanager.h"

#include <algorithm>
#include <cstdint>

namespace {

WordStatisticsSort::Type sortFromTag(int tag) {
  return tag >= 0 && tag < WordStatisticsSort::TYPE_COUNT ? WordStatisticsSort::Type(tag)
                                                          : WordStatisticsSort::FrequencyDescending;
}

// The row to choose once a row has left a list of size rows: the same index, or the one before it when the
// index is now past the end.
int rowAfterRemoval(int row, size_t size) {
  return size == 0 ? -1 : std::min(row, int(size) - 1);
}

} // namespace

struct ExportAdapter::Impl {
  ExportDialogData data;                // the dialog's copy; the caller's stays as it was
  WordListManager& lists;               // the current list is the filter's
  DocumentStatistics const& statistics; // the document's words
  WordHash const& lookedUp;             // the looked-up pop-up entry's words
  ExportDialogDelegate& delegate;       // receives the one export
  ExportDestination::Type destination;  // chosen by the menu command
  std::vector<WordStatistics*> rows;    // counted for the chosen filter
  std::vector<int32_t> selected;        // the columns, in order
  std::vector<int32_t> available;       // the other fields
  bool exported = false;                // onExport has been called

  static bool valid(std::vector<int32_t> const& list, int row) {
    return row >= 0 && size_t(row) < list.size();
  }
};

ExportAdapter::ExportAdapter(ExportDialogData const& data, WordListManager& lists,
                             DocumentStatistics const& statistics, WordHash const& lookedUp,
                             ExportDialogDelegate& delegate, ExportDestination::Type destination)
    : impl(new Impl{data, lists, statistics, lookedUp, delegate, destination, {}, {}, {}, false}) {
  impl->selected = ExportDialogData::validFields(data.selectedFields);
  for (int32_t f = 0; f < ExportField::COUNT; ++f)
    if (std::find(impl->selected.begin(), impl->selected.end(), f) == impl->selected.end())
      impl->available.push_back(f);
}

ExportAdapter::~ExportAdapter() = default;

ExportDialogData& ExportAdapter::data() {
  return impl->data;
}
ExportDestination::Type ExportAdapter::destination() const {
  return impl->destination;
}

int ExportAdapter::filterTag() const {
  return impl->data.lookedUp ? LOOKED_UP_TAG : impl->data.filter;
}

size_t ExportAdapter::refreshWordList(int tag) {
  const bool lookedUp = tag == LOOKED_UP_TAG;
  WordHash const& list = lookedUp ? impl->lookedUp : impl->lists.current();
  const int filter = lookedUp ? DocumentStatistics::KnownWords : std::clamp(tag, 0, 2);
  impl->statistics.wordStatisticsList(impl->rows, WordStatisticsSort::FrequencyAscending,
                                      DocumentStatistics::FilterType(filter), &list);
  return impl->rows.size();
}

size_t ExportAdapter::rowCount() const {
  return impl->rows.size();
}

long ExportAdapter::shownRowLimit(bool allRows, long number, size_t rows) {
  return allRows ? long(rows) : std::min(number, long(rows));
}

std::vector<int32_t> const& ExportAdapter::selectedFields() const {
  return impl->selected;
}
std::vector<int32_t> const& ExportAdapter::availableFields() const {
  return impl->available;
}

int ExportAdapter::moveRight(int availableRow) {
  if (!Impl::valid(impl->available, availableRow)) return -1;
  impl->selected.push_back(impl->available[size_t(availableRow)]);
  impl->available.erase(impl->available.begin() + availableRow);
  return rowAfterRemoval(availableRow, impl->available.size());
}

int ExportAdapter::moveLeft(int selectedRow) {
  if (!Impl::valid(impl->selected, selectedRow)) return -1;
  impl->available.push_back(impl->selected[size_t(selectedRow)]);
  impl->selected.erase(impl->selected.begin() + selectedRow);
  return rowAfterRemoval(selectedRow, impl->selected.size());
}

int ExportAdapter::moveUp(int selectedRow) {
  if (!Impl::valid(impl->selected, selectedRow) || selectedRow == 0) return -1;
  std::swap(impl->selected[size_t(selectedRow)], impl->selected[size_t(selectedRow - 1)]);
  return selectedRow - 1;
}

int ExportAdapter::moveDown(int selectedRow) {
  if (!Impl::valid(impl->selected, selectedRow + 1) || selectedRow < 0) return -1;
  std::swap(impl->selected[size_t(selectedRow)], impl->selected[size_t(selectedRow + 1)]);
  return selectedRow + 1;
}

void ExportAdapter::clearFields() {
  impl->available.insert(impl->available.end(), impl->selected.begin(), impl->selected.end());
  std::sort(impl->available.begin(), impl->available.end());
  impl->selected.clear();
}

ExportAdapter::Buttons ExportAdapter::buttons(int page, int selectedRow, int availableRow) const {
  const bool chosen = Impl::valid(impl->selected, selectedRow);
  const bool any = !impl->selected.empty();
  return {chosen,
          Impl::valid(impl->available, availableRow),
          chosen && selectedRow > 0,
          chosen && size_t(selectedRow) + 1 < impl->selected.size(),
          page == ExportDialogData::Document || any,
          any};
}

void ExportAdapter::readBack(int filterTag, int sortTag, int orderTag, bool firstRows, long number) {
  ExportDialogData& d = impl->data;
  d.lookedUp = filterTag == LOOKED_UP_TAG;
  if (!d.lookedUp) d.filter = std::clamp(filterTag, 0, 2);
  d.sortBy = sortFromTag(sortTag);
  d.rowOrder = sortFromTag(orderTag);
  d.firstRow = 0;
  d.lastRow = firstRows && number > 0 ? int32_t(std::min<long>(number, INT32_MAX)) : -1;
  d.selectedFields = impl->selected;
  for (Text* t : {&d.preDocument, &d.postDocument, &d.preParagraph, &d.postParagraph, &d.preWord, &d.postWord,
                  &d.preCharacter, &d.postCharacter, &d.header})
    *t = ExportDialogData::limitText(*t);
}

bool ExportAdapter::exportTo(const char* path) {
  if (impl->exported) return false;
  impl->exported = true;
  impl->delegate.onExport(impl->data, impl->destination,
                          impl->destination == ExportDestination::File ? path : nullptr);
  return true;
}

bool ExportAdapter::exported() const {
  return impl->exported;
}
