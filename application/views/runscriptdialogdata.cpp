// The example scripts are gathered in name order: a folder walk's own order differs between file systems,
// and the list is what a fresh user sees first.
#include "views/runscriptdialogdata.h"

#include "utils/atomicfilesaver.h"
#include "utils/directorywalker.h"
#include "utils/exception.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/propertyfile.h"
#include "utils/propertygroup.h"

#include <algorithm>
#include <string>
#include <vector>

namespace {

const char* const RECENT_FILE = "recent-scripts.txt";
const char* const CONFIG_FILE = "config";
const char* const GROUP = "Dialog";
const char* const KEY = "saveToClipboard";

std::string inFolder(Text const& dir, const char* name) {
  return std::string(dir.view()) + "/" + name;
}

class ScriptCollector : public DirectoryWalker::Visitor {
public:
  bool file(const char* path, void*) override {
    const std::string_view p(path);
    if (p.size() > 4 && p.substr(p.size() - 4) == ".lua") paths.emplace_back(p);
    return true;
  }
  bool directory(const char*, void*) override { return true; }
  bool recurse() override { return true; }

  std::vector<std::string> paths;
};

void addExampleScripts(RecentFiles& recent) {
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  const char* folder = finder.find("scripts");
  if (!folder) return;
  ScriptCollector collector;
  DirectoryWalker(collector).process(folder, nullptr);
  std::sort(collector.paths.begin(), collector.paths.end());
  // Each goes to the front, so the last added is listed first: add in reverse to list in name order.
  for (auto it = collector.paths.rbegin(); it != collector.paths.rend(); ++it)
    recent.addFile(it->c_str(), 0);
}

} // namespace

void RunScriptDialogData::load(const char* folder) {
  FileSystem const& fileSystem = FileSystem::instance();
  const Text dir = fileSystem.userPath(folder);
  bool recentRead = false;
  if (fileSystem.privateIsDirectory(dir.c_str())) {
    const std::string recentPath = inFolder(dir, RECENT_FILE);
    if (fileSystem.privateFileExists(recentPath.c_str())) {
      try {
        recentScripts.loadFromFile(recentPath.c_str());
        recentRead = true;
      } catch (zun::exception const& e) {
        ZUN_LOG_CAUGHT("WARN", "Error reading recent scripts: ", e);
      }
    }
    const std::string configPath = inFolder(dir, CONFIG_FILE);
    if (fileSystem.privateFileExists(configPath.c_str())) {
      try {
        PropertyFile config(configPath.c_str());
        saveToClipboard = config.group(GROUP)->valueAsBool(KEY, true);
      } catch (zun::exception const& e) {
        ZUN_LOG_CAUGHT("WARN", "Error reading script settings: ", e);
      }
    }
  }
  if (!recentRead) {
    recentScripts.clear();
    addExampleScripts(recentScripts);
  }
}

bool RunScriptDialogData::save(const char* folder) const {
  FileSystem const& fileSystem = FileSystem::instance();
  const Text dir = fileSystem.userPath(folder);
  fileSystem.privateEnsurePath(inFolder(dir, "").c_str());
  PropertyFile config;
  config.group(GROUP)->setValue(KEY, saveToClipboard);
  const bool configSaved = config.writeToFile(inFolder(dir, CONFIG_FILE).c_str());
  const std::string recentPath = inFolder(dir, RECENT_FILE);
  const bool recentSaved = AtomicFileSaver::save(
      recentPath.c_str(), [this](OutputStream& out) { recentScripts.saveToOutputStream(out); });
  return configSaved && recentSaved;
}
