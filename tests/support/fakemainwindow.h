// A recording MainWindow for menu and controller tests: every operation but the queries appends one line to
// calls ("setFullScreen 1"); the queries answer from the public fields, which the operations keep as a
// window would (setFullScreen sets fullScreen, restoreState takes config's fullScreen, saveState stores it).
#pragma once

#include "views/mainwindow.h"
#include "views/tabheader.h"

#include <string>
#include <vector>

namespace qmtest {

class FakeMainWindow : public MainWindow {
public:
  mutable std::vector<std::string> calls;
  MainWindowDelegate* windowDelegate = nullptr;
  bool fullScreen = false;
  bool documentActions = false;
  bool tabsShown = false;
  bool dark = false;
  TabHeader tabs;

  void setDelegate(MainWindowDelegate* d) override { windowDelegate = d; }
  MainWindowDelegate* delegate() const override { return windowDelegate; }
  void show() override { calls.push_back("show"); }
  void startLoadTimer() override { calls.push_back("startLoadTimer"); }
  void stopLoadTimer() override { calls.push_back("stopLoadTimer"); }
  void setFullScreen(bool on) override {
    calls.push_back(std::string("setFullScreen ") + (on ? "1" : "0"));
    fullScreen = on;
  }
  bool isFullScreen() const override { return fullScreen; }
  void setDocument() override { calls.push_back("setDocument"); }
  void setDocumentActionsEnabled(bool on) override {
    calls.push_back(std::string("setDocumentActionsEnabled ") + (on ? "1" : "0"));
    documentActions = on;
  }
  void onExit() override { calls.push_back("onExit"); }
  void onFind() override { calls.push_back("onFind"); }
  void* handle() const override { return nullptr; }
  TabHeader& openFileTabs() override { return tabs; }
  void showTabs(bool on) override {
    calls.push_back(std::string("showTabs ") + (on ? "1" : "0"));
    tabsShown = on;
  }
  void restoreState(PositionConfig const& config) override {
    calls.push_back("restoreState");
    fullScreen = config.fullScreen;
  }
  void saveState(PositionConfig& config) const override {
    calls.push_back("saveState");
    config.fullScreen = fullScreen;
  }
  bool isDarkMode() const override { return dark; }
};

} // namespace qmtest
