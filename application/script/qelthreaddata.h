// The run-state record of one script run, shared by the runner (owner's thread), the script's thread and
// the qel functions; the Lua registry holds its address under "qel.ThreadData".
#pragma once

#include "script/qellua.h"

#include <condition_variable>
#include <memory>
#include <mutex>

struct lua_State;

namespace qelLua {

class FileRequest;

// A chooser link that a request queued for the main thread can hold after its runner is gone.
struct ChooserSlot {
  std::mutex mutex;
  QelLua::FileChooser* chooser = nullptr; // not owned; cleared by the owner before the chooser goes
};

struct ThreadData {
  std::mutex mutex; // guards every field below
  std::condition_variable ended;
  bool kill = false;
  bool running = false;
  int result = 0;
  bool threaded = false; // a chooser asked for by a script run inline on the main thread would wait forever
  std::shared_ptr<FileRequest> pending; // the chooser request the script waits for, so kill can wake it
  std::shared_ptr<ChooserSlot> chooser = std::make_shared<ChooserSlot>();
};

// The record of the state L runs in.
ThreadData& threadData(lua_State* L);

} // namespace qelLua
