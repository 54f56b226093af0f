// The export dialog's model: a copy of the settings that the dialog edits, the rows that the chosen filter
// leaves, the two column lists (chosen and available) with their moves, which buttons may act, and the one
// hand-over of the settings to the ExportDialogDelegate. The Qt dialog only shows what this says.
// Main thread only; the word lists, statistics, looked-up words and delegate must outlive it.
#pragma once

#include "views/exportdestination.h"
#include "views/exportdialogdata.h"

#include <memory>
#include <vector>

class DocumentStatistics;
class ExportDialogDelegate;
class WordHash;
class WordListManager;

class ExportAdapter {
public:
  // The word-list pop-up's tags: the three filters, and the looked-up words.
  static constexpr int LOOKED_UP_TAG = 13;

  // Which buttons may act, given the tab page and the chosen row of each table (-1: none).
  struct Buttons {
    bool moveLeft, moveRight, up, down, exportButton, clear;
  };

  ExportAdapter(ExportDialogData const& data, WordListManager& lists, DocumentStatistics const& statistics,
                WordHash const& lookedUp, ExportDialogDelegate& delegate,
                ExportDestination::Type destination);
  ~ExportAdapter();
  ExportAdapter(ExportAdapter const&) = delete;
  ExportAdapter& operator=(ExportAdapter const&) = delete;

  ExportDialogData& data();
  ExportDestination::Type destination() const;

  // The pop-up tag the settings choose: LOOKED_UP_TAG, or the filter.
  int filterTag() const;
  // Counts the rows for a pop-up tag against the current word list; returns the count.
  size_t refreshWordList(int tag);
  size_t rowCount() const;
  // What the row-limit field shows: the row count for every row, else the smaller of number and count.
  static long shownRowLimit(bool allRows, long number, size_t rows);

  // ExportField numbers, in table order.
  std::vector<int32_t> const& selectedFields() const;
  std::vector<int32_t> const& availableFields() const;
  // Each move answers the row to choose afterwards in the table the field left (-1 when it is empty), or
  // for up and down the field's new row; a row out of range moves nothing and gives -1.
  int moveRight(int availableRow);
  int moveLeft(int selectedRow);
  int moveUp(int selectedRow);
  int moveDown(int selectedRow);
  void clearFields();
  Buttons buttons(int page, int selectedRow, int availableRow) const;

  // Sets the settings from the pop-up tags and the row controls (firstRow 0; lastRow the number when the
  // first rows are chosen and it is above 0, else -1); the texts are cut to what the settings file keeps.
  void readBack(int filterTag, int sortTag, int orderTag, bool firstRows, long number);
  // Hands the settings to the delegate, once: later calls do nothing and answer false. path: the chosen
  // file for the file destination, else null.
  bool exportTo(const char* path);
  bool exported() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
