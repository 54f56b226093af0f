// The export dialog's result, sent to the application controller. Main thread only.
#pragma once

#include "views/exportdestination.h"

struct ExportDialogData;

class ExportDialogDelegate {
public:
  virtual ~ExportDialogDelegate() = default;
  // path: the chosen file (UTF-8) for ExportDestination::File, null otherwise.
  virtual void onExport(ExportDialogData const& data, ExportDestination::Type type, const char* path) = 0;
};
