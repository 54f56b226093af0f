// A recording ExportDialogDelegate: every export appends "onExport <type> <path or (null)>" to calls and
// keeps the data's address, for tests that check which record was passed.
#pragma once

#include "views/exportdialogdelegate.h"

#include <string>
#include <vector>

namespace qmtest {

class FakeExportDialogDelegate : public ExportDialogDelegate {
public:
  std::vector<std::string> calls;
  ExportDialogData const* lastData = nullptr;

  void onExport(ExportDialogData const& data, ExportDestination::Type type, const char* path) override {
    lastData = &data;
    calls.push_back("onExport " + std::to_string(int(type)) + " " + (path ? path : "(null)"));
  }
};

} // namespace qmtest
