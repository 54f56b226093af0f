// Loading and saving the settings files of the user's folder. Every file is written through a hidden file
// beside it that replaces it only once complete, and a file that exists but could not be read at start-up is
// not overwritten with defaults at the end.
#include "control/applicationcontrollerimpl.h"

#include "utils/atomicfilesaver.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/outputstream.h"
#include "utils/propertygroup.h"
#include "utils/saveguard.h"
#include "views/styleid.h"

#include <thread>

namespace {

const char* const CONFIG = "data/config";
const char* const SCRIPT_CONFIG = "data/script-config";
const char* const COLOUR_SCHEME = "colour-schemes/default.colours";
const char* const SEARCH_HISTORY = "data/search-history.txt";

Text userPath(const char* name) {
  return FileSystem::instance().userPath(name);
}

} // namespace

void ApplicationController::Impl::loadConfig() {
  config.clear();
  const Text user = userPath(CONFIG);
  // The shipped copies first, then the user's, which alone is written back.
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  for (const char* path = finder.find(CONFIG); path; path = finder.next())
    if (user != path) SaveGuard::read(path, "the settings", [&] { config.readFromFile(path); });
  configFile.load(user.c_str(), "the settings", [&] { config.readFromFile(user.c_str()); });
  scriptSettings.load(SCRIPT_CONFIG);
  *config.group("export-dialog") >> exportSettings;
  *config.group("general") >> general;
  *config.group("position") >> position;
  *config.group("definition") >> definitionConfig;
  *config.group("appearance") >> appearance;
}

void ApplicationController::Impl::saveConfig() {
  scriptSettings.save(SCRIPT_CONFIG);
  if (!configFile.maySave()) return;
  config.group(nullptr)->setValue(".version", 2);
  *config.group("general") << general;
  *config.group("position") << position;
  *config.group("export-dialog") << exportSettings;
  *config.group("definition") << definitionConfig;
  *config.group("appearance") << appearance;
  config.writeToFile(userPath(CONFIG).c_str());
}

// The file is read before an upgrade of older settings writes it, so that the upgrade never writes over a
// file that could not be read.
void ApplicationController::Impl::loadColourScheme() {
  const Text path = userPath(COLOUR_SCHEME);
  if (colourSchemeFile.load(path.c_str(), "the colour scheme", [&] { colourScheme.load(path.c_str()); }) !=
      SaveGuard::Read)
    colourScheme = ColourScheme();
  if (appearance.needsColourSchemeUpdate()) upgradeToUseColourSchemes();
}

bool ApplicationController::Impl::saveColourScheme() {
  return colourSchemeFile.maySave() && colourScheme.saveToFile(userPath(COLOUR_SCHEME).c_str());
}

// The colours of settings from before colour schemes move from the "appearance" group to the colour file; the
// mode is Dark when their text background is dark.
void ApplicationController::Impl::upgradeToUseColourSchemes() {
  PropertyGroup& group = *config.group("appearance");
  const ColourScheme::Colours colours = ColourScheme::upgrade(group);
  const auto mode =
      colours.background(StyleId::Normal).brightness() < 0.5f ? ColourScheme::Dark : ColourScheme::Light;
  colourScheme.setColours(mode, colours);
  appearance.colourSchemeMode = mode;
  // The old keys go only once the colours are safe in their new file.
  if (!saveColourScheme()) return;
  group.clear();
  group << appearance;
}

void ApplicationController::Impl::loadOnlineSearchOptions() {
  onlineSearchOptions.load();
}

void ApplicationController::Impl::saveOnlineSearchOptions() {
  onlineSearchOptions.save();
}

void ApplicationController::Impl::loadSearchHistory() {
  const Text path = userPath(SEARCH_HISTORY);
  searchHistoryFile.load(path.c_str(), "the search history",
                         [&] { searchHistory.loadFromFile(path.c_str()); });
}

void ApplicationController::Impl::saveSearchHistory() {
  const Text path = userPath(SEARCH_HISTORY);
  if (!searchHistoryFile.maySave()) return;
  FileSystem::instance().privateEnsurePath(path.c_str());
  if (!AtomicFileSaver::save(path.c_str(), [&](OutputStream& out) { searchHistory.saveToOutputStream(out); }))
    Log::print("ERR", "Error saving search history to file '%s'\n", path.c_str());
}

void ApplicationController::Impl::createDictionary(const char* dictionaryPath) {
  const char* name = dictionaryPath ? dictionaryPath : DEFAULT_DICTIONARY;
  bool customOnly = definitionConfig.customDefinitionsOnly;
  if (customOnly && !FileSystem::instance().privateFileExists(userPath(name).c_str())) {
    Log::print("WARN",
               "Custom definitions only, but there is no '%s' in the user's folder: using the shipped "
               "dictionary\n",
               name);
    customOnly = false;
  }
  dictionary = std::make_unique<CEDictionary>(name, customOnly);
}

// Another running copy may hold a list's lock for a moment; its changes are worth a few seconds' wait.
bool ApplicationController::Impl::saveWordLists() {
  const auto deadline = std::chrono::steady_clock::now() + LIST_LOCK_WAIT;
  while (!wordLists->saveVersion()) {
    if (std::chrono::steady_clock::now() >= deadline) {
      Log::print("ERR", "The word lists' changes could not be saved\n");
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  return true;
}

// Each file on its own, so that one that fails does not keep the others from being written; the word lists
// first, since their changes are the reader's work.
void ApplicationController::Impl::saveAll() {
  if (saved) return;
  saved = true;
  if (!initialised) {
    Log::print("LOG", "Start-up did not finish: no settings are saved\n");
    documents.setDelegate(nullptr);
    return;
  }
  general.showWelcome = false;
  guarded("Saving the word lists", [&] { saveWordLists(); });
  guarded("Saving the colour scheme", [&] { saveColourScheme(); });
  guarded("Saving the settings", [&] { saveConfig(); });
  guarded("Saving the online search options", [&] { saveOnlineSearchOptions(); });
  guarded("Saving the recent files", [&] {
    documents.updateFilePositions();
    documents.saveRecentFiles();
  });
  guarded("Saving the search history", [&] { saveSearchHistory(); });
  documents.setDelegate(nullptr);
}
