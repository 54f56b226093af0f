// The top object of the program's core: verifies the program information, starts the controller over the
// desktop's GUI, starts the version check, and takes everything down in order. The desktop shell makes one
// over its GUI, calls init() once, forwards the desktop's requests, and at the end calls
// applicationWillTerminate(), then shutdown(), then destroys it. Main thread only.
#pragma once

#include "views/colourscheme.h"
#include "views/splashscreendelegate.h"

#include <memory>

class GUI;

class Application : public SplashScreenDelegate {
public:
  static constexpr int SPLASH_MILLISECONDS = 2000;
  static constexpr const char* PROGRAM_INFO = "data/program.properties";

  // The program's display name, which every message box carries as its title: the program information's
  // once a file has loaded, else "Quillmere" (a box can come before, or instead of, a loaded file).
  static const char* displayName();

  // gui must outlive the application.
  explicit Application(GUI& gui);
  // Cancels the version check and waits for it, stops the scripts still running, then destroys the
  // controller, which saves the user's state. A script that does not stop within QelLua::DESTROY_WAIT may
  // still use the controller's data: the user's state is then saved and the process ends here, status 0.
  ~Application() override;
  Application(Application const&) = delete;
  Application& operator=(Application const&) = delete;

  // Starts the program: programInfoFile (relative to the resources, then the base folder) verified against
  // the key built into the program, the converted copies and the temporary files of saves that ended runs
  // left in the user's folder removed, the splash shown, the controller and its settings, the dictionary and
  // the word lists, then the version check. False when start-up failed: the problem is logged under "ERR" and
  // named in an Ok box, nothing of the user's has been written, and the shell should end (still calling
  // shutdown()). A second call does nothing and answers as the first did.
  bool init(const char* programInfoFile = PROGRAM_INFO);

  // The splash has closed: the controller restores and shows the main window (only logged before start-up).
  void splashScreenClosed(SplashScreen& splash) override;
  void systemColourSchemeChanged(ColourScheme::Mode mode);
  // The desktop asked to open a file; false when it could not be opened (or before start-up).
  bool openFile(const char* path);
  void applicationWillTerminate();
  // Cancels the version check, ends libcurl (once no transfer is left) and deletes the converted copies of
  // this run's documents.
  void shutdown();

private:
  struct Impl;
  GUI& gui;
  std::unique_ptr<Impl> impl;
  bool attempted = false; // init ran; it is effective once
  bool started = false;   // and succeeded
  bool curlStarted = false;
};
