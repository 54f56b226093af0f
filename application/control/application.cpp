// Start-up runs in the order of its dependencies: the program information first (its names place the user's
// folder), then the controller (the word lists may be held by another running copy), libcurl, the
// controller's settings and dictionary, and last the version check. Any failure ends start-up in order:
// logged, told, and nothing of the user's written, since the controller saves only after a complete start.
#include "control/application.h"

#include "control/applicationcontroller.h"
#include "control/newversionprompt.h"
#include "control/scriptreaper.h"
#include "control/versionchecker.h"
#include "curlpp/curlpp.h"
#include "dictionary/cedictionary.h"
#include "encoding/fileconverter.h"
#include "openssl/openssl.h"
#include "openssl/rsapublickey.h"
#include "programinfo/programinfo.h"
#include "programkey.h"
#include "utils/filefinder.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/messagecenter.h"
#include "utils/platform/posix/filehandle.h"
#include "utils/platform/posix/filelock.h"
#include "views/gui.h"
#include "views/messagebox.h"
#include "views/splashscreen.h"
#include "wordlists/wordlistmanager.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

struct StartUp {
  ZUN_ERROR(missing_property_file);
};

void loadProgramInfo(const char* name) {
  OpenSSL::init();
  const OpenSSL::RSAPublicKey key(ProgramKey::exponent, 3, ProgramKey::modulus, 256);
  FileFinder finder;
  finder.add(CommonDirectory::Resources);
  finder.add(CommonDirectory::Base);
  const char* path = finder.find(name);
  if (!path) ZUN_THROW(StartUp::missing_property_file);
  ProgramInfo::instance().loadFromFile(path, key);
  ProgramInfo::instance().log();
}

// A save killed half-way leaves its hidden temporary file in the folder it saved into: these are the
// folders of the program's saves.
void removeLeftoverTempFiles() {
  size_t removed = 0;
  for (const char* folder :
       {"data", "data/script-config", "colour-schemes", "wordlists", "wordlists/lists", "wordlists/cache"})
    removed += FileSystem::removeLeftoverTempFiles(FileSystem::instance().userPath(folder).c_str());
  if (removed) Log::print("LOG", "Removed %zu temporary files of interrupted saves\n", removed);
}

// A script that would not stop may still use what the controller owns (the dictionary, the documents, the
// segmentation) and the program's shared services, so none of it may be freed: the user's state is saved,
// then the process ends at once.
[[noreturn]] void endWhileAScriptRuns(ApplicationController* controller) {
  Log::print("WARN",
             "A script is still running as the program ends: the program saves and exits without it\n");
  if (controller) controller->save();
  std::fflush(nullptr);
  std::_Exit(0);
}

// Logs the failure and names it in a box; the program then ends.
void failed(zun::exception const& e, const char* problem) {
  ZUN_LOG_CAUGHT("ERR", "Start-up failed: ", e);
  MessageBox box(2, MessageBox::Ok);
  box.setMessage("%s", Application::displayName());
  box.setInformation("%s  This program will now exit.", problem);
  box.show();
}

} // namespace

struct Application::Impl {
  explicit Impl(GUI& gui) : controller(gui) {}
  // Members go bottom up: the version check first (cancelled and joined), then the controller with its saves.
  ApplicationController controller;
  NewVersionPrompt prompt{ProgramInfo::instance().displayVersion()};
  std::unique_ptr<VersionChecker> versionChecker;
};

const char* Application::displayName() {
  const char* name = ProgramInfo::instance().displayName();
  return *name ? name : "Quillmere";
}

Application::Application(GUI& gui) : gui(gui) {}

Application::~Application() {
  gui.splashScreen().setDelegate(nullptr);
  if (impl) impl->versionChecker.reset();
  if (!ScriptReaper::instance().finish()) endWhileAScriptRuns(impl ? &impl->controller : nullptr);
  impl.reset();
}

bool Application::init(const char* programInfoFile) {
  if (attempted) return started;
  attempted = true;
  try {
    loadProgramInfo(programInfoFile);
    FileSystem::instance().setFolderName(ProgramInfo::instance().folderName());
    FileConverter::sweepStale();
    removeLeftoverTempFiles();
    gui.splashScreen().setDelegate(this);
    gui.splashScreen().display();
    auto made = std::make_unique<Impl>(gui);
    CurlPP::init();
    curlStarted = true;
    made->controller.init(nullptr);
    if (!MessageCenter::instance().valid()) {
      MessageBox box(2, MessageBox::Ok);
      box.setMessage("%s", Application::displayName());
      box.setInformation("Error initialising message center.  Some program functionality might not work.");
      box.show();
    }
    const Text url = VersionChecker::versionUrl(ProgramInfo::instance().versionLink());
    made->versionChecker = std::make_unique<VersionChecker>(url.c_str(), made->prompt);
    impl = std::move(made);
    started = true;
  } catch (StartUp::missing_property_file const& e) {
    failed(e, "The program information file is missing.");
  } catch (FileHandle::open_error const& e) {
    failed(e, "The program information file cannot be read.");
  } catch (ProgramInfoInstance::invalid_signature const& e) {
    failed(e, "Invalid program info.");
  } catch (CEDictionary::missing_dictionary const& e) {
    failed(e, "The dictionary file 'data/cedict_ts.u8' is missing.");
  } catch (ApplicationController::missing_word_list const& e) {
    failed(e, "The word list 'data/words.u8' could not be read.");
  } catch (FileLock::already_exists const& e) {
    failed(e, "The word lists are in use by another running copy of the program.");
  } catch (WordListManager::not_a_file const& e) {
    const std::string problem = "'" + WordListManager::irregularFile(nullptr) +
                                "' is not a regular file, so it cannot hold a word list.  Move it out of the "
                                "word-list folder and start again.";
    failed(e, problem.c_str());
  } catch (zun::exception const& e) {
    failed(e, "The program could not be started.");
  } catch (std::exception const& e) {
    Log::print("ERR", "Start-up failed: %s\n", e.what());
    MessageBox box(2, MessageBox::Ok);
    box.setMessage("%s", Application::displayName());
    box.setInformation("The program could not be started (%s).", e.what());
    box.show();
  }
  return started;
}

void Application::splashScreenClosed(SplashScreen&) {
  if (!impl) {
    Log::print("LOG", "Splash screen closed before impl was created\n");
    return;
  }
  impl->controller.splashScreenClosed();
}

void Application::systemColourSchemeChanged(ColourScheme::Mode mode) {
  if (impl) impl->controller.systemColourSchemeChanged(mode);
}

bool Application::openFile(const char* path) {
  return impl && impl->controller.openFile(path);
}

void Application::applicationWillTerminate() {
  if (impl) impl->controller.applicationWillTerminate();
}

void Application::shutdown() {
  // No transfer may use libcurl after its global clean-up.
  if (impl) impl->versionChecker.reset();
  if (curlStarted) CurlPP::shutdown();
  curlStarted = false;
  FileConverter::cleanup();
}
