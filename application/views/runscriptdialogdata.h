// What the run-script dialog keeps between its openings: the recent scripts and whether a finished run's
// output goes to the clipboard. Stored in a folder of the user's folder ("data/script-config"): the recent
// scripts in "recent-scripts.txt" and the choice in "config" (group "Dialog", key "saveToClipboard").
#pragma once

#include "documents/recentfiles.h"
#include "utils/saveguard.h"

class RunScriptDialogData {
public:
  // folder is relative to the user's folder. Without the folder, or without a readable "recent-scripts.txt",
  // the recent scripts are the example scripts of the resources' (then the base folder's) "scripts" folder
  // and its sub-folders, in name order, at most ten. Read errors are logged under "WARN" and leave the
  // defaults.
  void load(const char* folder);
  // Creates the folder when missing; "config" and "recent-scripts.txt" are each replaced in one step, so a
  // failed save (logged under "ERR") leaves the old file whole. A file that exists but could not be read at
  // the last load is not saved over (logged under "WARN"). False when either file was not saved.
  bool save(const char* folder) const;

  RecentFiles recentScripts; // most recent first
  bool saveToClipboard = true;

private:
  SaveGuard m_recentFile, m_configFile;
};
