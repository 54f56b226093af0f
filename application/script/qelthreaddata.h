// The run-state record of one script run, shared by the runner (owner's thread), the script's thread and
// the qel functions; the Lua registry holds its address under "qel.ThreadData", and so does the extra space
// of every Lua thread of the state, so that a kill check costs a load rather than a look-up. Also the ways a
// kill reaches a script: the hook between Lua instructions, checks in long loops of C, and a signal that
// makes a system call blocking the script's thread return early.
#pragma once

#include "script/qellua.h"

#include <lua.hpp>
#include <pthread.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>

namespace qelLua {

class FileRequest;

// A chooser link that a request queued for the main thread can hold after its runner is gone.
struct ChooserSlot {
  std::mutex mutex;
  QelLua::FileChooser* chooser = nullptr; // not owned; cleared by the owner before the chooser goes
};

struct ThreadData {
  std::mutex mutex; // guards every field below; kill is also read without it, by the checks
  std::condition_variable ended;
  std::atomic<bool> kill = false;
  bool running = false;
  int result = 0;
  bool threaded = false; // a chooser asked for by a script run inline on the main thread would wait forever
  std::shared_ptr<FileRequest> pending; // the chooser request the script waits for, so kill can wake it
  std::shared_ptr<ChooserSlot> chooser = std::make_shared<ChooserSlot>();
  bool interruptible = false; // script is the thread of a threaded run that has not yet ended
  pthread_t script{};
  std::chrono::steady_clock::time_point interrupted; // when the script's thread was last interrupted
  lua_State* current = nullptr;     // the coroutine the script runs in while a run is under way
  std::atomic<bool> starve = false; // the script's state refuses to grow large (LuaState::starveWhen)
};

// Makes thread the record of the new state L, before any coroutine of it exists (each copies it).
void attachThreadData(lua_State* L, ThreadData* thread);
// The record of the state L runs in.
ThreadData& threadData(lua_State* L);

// The count hook every state starts with; once killed it raises "Script Killed" at every instruction.
void killHook(lua_State* L, lua_Debug* ar);
// Whether the run of L has been asked to stop; a load of one flag, cheap enough for every item of a loop.
inline bool killRequested(lua_State* L) {
  ThreadData* thread = *static_cast<ThreadData**>(lua_getextraspace(L));
  return thread && thread->kill.load(std::memory_order_relaxed);
}
// Raises "Script Killed", and makes every following instruction of the same coroutine raise it again.
[[noreturn]] void raiseKilled(lua_State* L);
// Raises "Script Killed" when the run has been asked to stop.
inline void checkKill(lua_State* L) {
  if (killRequested(L)) raiseKilled(L);
}

// For long loops in C: at the first call, and then every `every` calls, raises "Script Killed" when the run
// has been asked to stop. Checking at the first call bounds a loop of many short calls too.
class KillCheck {
public:
  explicit KillCheck(lua_State* L, unsigned every = 256) : L(L), every(every) {}
  void operator()() {
    if (--left != 0) return;
    left = every;
    checkKill(L);
  }

private:
  lua_State* L;
  unsigned every;
  unsigned left = 1; // calls until the next check
};

// Once killed, while a run is under way: makes the kill hook of the coroutine that runs now fire at its
// next instruction, so that a long C call (a sort, a collection, a copy of a long string) is followed by no
// other, and starves the state, so that whatever builds something large fails at its next step. Call with
// thread.mutex held, on any thread: Lua lets a hook be set from outside the thread that runs the state.
void hastenKill(ThreadData& thread);
// Keeps the kill's message in the state, so that raising it allocates nothing in a starved state.
void keepKilledMessage(lua_State* L);
// Records co as the coroutine that runs (thread.current) while it runs, and resumes it.
int resume(lua_State* co, lua_State* from, int arguments);

// Makes a system call that blocks the script's thread of a killed run return (with EINTR), so that the
// script reaches its next kill check. Call with thread.mutex held; at most once per 20 ms.
void interruptScript(ThreadData& thread);

} // namespace qelLua
