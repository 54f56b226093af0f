// The main window as the controller drives it (desktop-ui's MainWindowWidget): the delegate that hears its
// menu commands, the load timer, full screen, the title, the gate of the document commands, the strip of
// open documents, and the window's placement kept in the "position" settings. Main thread only.
#pragma once

#include "views/positionconfig.h"

class MainWindowDelegate;
class TabHeader;

class MainWindow {
public:
  virtual ~MainWindow() = default;
  // Not owned; while it is null every command, drop and timer tick does nothing.
  virtual void setDelegate(MainWindowDelegate* delegate) = 0;
  virtual MainWindowDelegate* delegate() const = 0;
  // Lays the window out and brings it to the front, active.
  virtual void show() = 0;
  // Stops a running load timer, then starts one whose tick, every 0.1 seconds, calls the delegate's
  // onLoadProgress while a delegate is set.
  virtual void startLoadTimer() = 0;
  virtual void stopLoadTimer() = 0;
  // Changes the window only when the wanted state differs from the current one.
  virtual void setFullScreen(bool fullScreen) = 0;
  virtual bool isFullScreen() const = 0;
  // The title from the delegate's current document: none gives an empty title; a document read from a file
  // gives the file's name (the window represents the file); a pasted one its own title.
  virtual void setDocument() = 0;
  // Gates close, copy, append, select all and find (set when a document becomes current, cleared when none
  // is). Off at first.
  virtual void setDocumentActionsEnabled(bool enabled) = 0;
  // The end of the Quit command (the delegate's onFileExit calls it): closes the window, which asks the
  // delegate's canCloseApplication first.
  virtual void onExit() = 0;
  // After a find; nothing on this platform.
  virtual void onFind() = 0;
  // The native window for the clipboard; none is needed here (null).
  virtual void* handle() const = 0;

  // The strip of open documents across the top of the window, owned by the window.
  virtual TabHeader& openFileTabs() = 0;
  virtual void showTabs(bool show) = 0;
  // The placement: the frame and both dividers from config's data, textViewData and wordListData (what
  // cannot be read keeps the current layout), then fullScreen.
  virtual void restoreState(PositionConfig const& config) = 0;
  // Stores the frame, the dividers and the full-screen state into config; its other fields stay.
  virtual void saveState(PositionConfig& config) const = 0;
  // The desktop's appearance is dark (light when it cannot tell).
  virtual bool isDarkMode() const = 0;
};
