// The example scripts are gathered in name order: a folder walk's own order differs between file systems,
// and the list is what a fresh user sees first.
#include "views/runscriptdialogdata.h"

#include "utils/atomicfilesaver.h"
#include "utils/directorywalker.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
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
  const Text dir = FileSystem::instance().userPath(folder);
  const std::string recentPath = inFolder(dir, RECENT_FILE), configPath = inFolder(dir, CONFIG_FILE);
  if (m_recentFile.load(recentPath.c_str(), "the recent scripts",
                        [&] { recentScripts.loadFromFile(recentPath.c_str()); }) != SaveGuard::Read) {
    recentScripts.clear();
    addExampleScripts(recentScripts);
  }
  m_configFile.load(configPath.c_str(), "the script settings", [&] {
    saveToClipboard = PropertyFile(configPath.c_str()).group(GROUP)->valueAsBool(KEY, true);
  });
}

bool RunScriptDialogData::save(const char* folder) const {
  FileSystem const& fileSystem = FileSystem::instance();
  const Text dir = fileSystem.userPath(folder);
  fileSystem.privateEnsurePath(inFolder(dir, "").c_str());
  bool configSaved = false, recentSaved = false;
  if (m_configFile.maySave()) {
    PropertyFile config;
    config.group(GROUP)->setValue(KEY, saveToClipboard);
    configSaved = config.writeToFile(inFolder(dir, CONFIG_FILE).c_str());
  }
  const std::string recentPath = inFolder(dir, RECENT_FILE);
  if (m_recentFile.maySave())
    recentSaved = AtomicFileSaver::save(recentPath.c_str(),
                                        [this](OutputStream& out) { recentScripts.saveToOutputStream(out); });
  return configSaved && recentSaved;
}
