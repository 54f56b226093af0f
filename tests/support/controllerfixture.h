// The application controller over a FakeGUI and the real engine, in a user folder of its own (a temporary
// XDG data home): message boxes recorded and answered from a script, links recorded and accepted (or not),
// the in-process clipboard, and helpers to open documents and wait for their processing.
#pragma once

#include "control/applicationcontroller.h"
#include "support/fakegui.h"
#include "support/logcapture.h"
#include "support/tempdir.h"
#include "views/messagebox.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Document;
class MainWindowDelegate;

namespace qmtest {

class ControllerFixture : public ::testing::Test, public MessageBox::Presenter {
public:
  // Writes a file (its folders made) and returns its path.
  static std::string write(std::filesystem::path const& path, std::string const& content);

protected:
  ControllerFixture();
  ~ControllerFixture() override;

  // Records "message|information"; a question takes the next scripted answer (No when none is left).
  int present(MessageBox const& box) override;

  // Builds the controller and starts it; init's exceptions reach the caller.
  void start(const char* dictionary = nullptr);
  // Destroys the controller (it saves what it loaded).
  void stop();
  MainWindowDelegate& window();

  // A path in the user's folder of the program.
  std::filesystem::path user(std::string const& sub = "") const;
  // A text file in the documents folder, opened through the window and processed, its figures shown.
  Document* open(std::string const& name, std::string const& content);
  // Waits until the document's processing has ended, then runs what the main thread has queued.
  static void waitProcessed(Document* document);
  // Runs queued main-thread calls until none comes for a moment.
  static void drain();
  // Every regular file below folder with its content.
  static std::map<std::string, std::string> snapshot(std::filesystem::path const& folder);

  std::vector<std::string> takeBoxes();
  static std::vector<std::string>& links();
  static bool& linksAccepted();

  LogCapture log;
  TempDir home;
  ScopedEnv dataHome{"XDG_DATA_HOME", (home / "data-home").string()};
  std::filesystem::path docs = home / "docs";
  FakeGUI gui;
  std::unique_ptr<ApplicationController> controller;
  std::vector<std::string> boxes;
  std::deque<int> answers;
};

} // namespace qmtest
