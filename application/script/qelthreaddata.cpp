// The interrupt is a real-time signal whose handler does nothing and is installed without SA_RESTART: its
// only effect is that a read, open or wait that blocks the script's thread fails with EINTR. The kill flag,
// not the signal, tells the script to stop.
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <csignal>
#include <mutex>

namespace {

const char* const KILLED = "Script Killed";

int interruptSignal() {
  return SIGRTMIN + 5;
}

void ignoreInterrupt(int) {}

void installInterruptHandler() {
  static std::once_flag once;
  std::call_once(once, [] {
    struct sigaction action {};
    action.sa_handler = ignoreInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0; // no SA_RESTART: blocking calls return EINTR
    sigaction(interruptSignal(), &action, nullptr);
  });
}

} // namespace

namespace qelLua {

void attachThreadData(lua_State* L, ThreadData* thread) {
  *static_cast<ThreadData**>(lua_getextraspace(L)) = thread;
}

ThreadData& threadData(lua_State* L) {
  return **static_cast<ThreadData**>(lua_getextraspace(L));
}

void killHook(lua_State* L, lua_Debug*) {
  if (killRequested(L)) raiseKilled(L);
}

void raiseKilled(lua_State* L) {
  // From now on every instruction of this coroutine raises again: a script that catches the error where
  // the catch cannot hand it on (a load's reader, a finalizer) runs not one more instruction.
  lua_sethook(L, killHook, LUA_MASKCOUNT, 1);
  lua_pushstring(L, KILLED);
  lua_error(L);
  __builtin_unreachable();
}

void hastenKill(ThreadData& thread) {
  if (!thread.kill || !thread.current) return;
  thread.starve = true;
  lua_sethook(thread.current, killHook, LUA_MASKCOUNT, 1);
}

void keepKilledMessage(lua_State* L) {
  lua_pushstring(L, KILLED);
  lua_setfield(L, LUA_REGISTRYINDEX, "qel.killed");
}

int resume(lua_State* co, lua_State* from, int arguments) {
  ThreadData* thread = *static_cast<ThreadData**>(lua_getextraspace(from));
  if (!thread) return lua_resume(co, from, arguments);
  // The coroutine cannot be collected while it runs: its resumer holds it.
  class Running {
  public:
    Running(ThreadData& thread, lua_State* co) : thread(thread), resumer(set(co)) {}
    ~Running() { set(resumer); }

  private:
    lua_State* set(lua_State* co) {
      std::lock_guard lock(thread.mutex);
      lua_State* before = thread.current;
      thread.current = co;
      hastenKill(thread);
      return before;
    }
    ThreadData& thread;
    lua_State* resumer;
  } running(*thread, co);
  return lua_resume(co, from, arguments);
}

void interruptScript(ThreadData& thread) {
  if (!thread.kill || !thread.interruptible) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - thread.interrupted < std::chrono::milliseconds(20)) return;
  thread.interrupted = now;
  installInterruptHandler();
  pthread_kill(thread.script, interruptSignal());
}

} // namespace qelLua
