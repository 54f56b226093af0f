// Where an export goes; travels with the export dialog's data to ExportDialogDelegate::onExport.
#pragma once

struct ExportDestination {
  enum Type : int { File = 0, Clipboard = 1, Email = 2 };
};
