// The runner keeps one Lua state per run. Everything the script may reach is set up once, under a
// protected call, before the script is loaded; the only state shared between threads is the ThreadData
// record, always under its mutex.
#include "script/qellua.h"

#include "script/luastate.h"
#include "script/qelfilerequest.h"
#include "script/qelmodule.h"
#include "script/qelstate.h"
#include "script/qelthreaddata.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/outputstream.h"
#include "utils/textbuffer.h"
#include "utils/thread.h"

#include <lua.hpp>
extern "C" {
#include <lfs.h>
}

#include <new>

namespace {

constexpr int KILL_CHECK_INSTRUCTIONS = 10000;
const char* const KILLED = "Script Killed";

void killHook(lua_State* L, lua_Debug*) {
  qelLua::ThreadData& t = qelLua::threadData(L);
  {
    std::lock_guard lock(t.mutex);
    if (!t.kill) return;
  }
  // From now on every new line (and every jump back) raises again, so a script that catches the error
  // with pcall is stopped at its next line.
  lua_sethook(L, killHook, LUA_MASKLINE, 0);
  lua_pushstring(L, KILLED);
  lua_error(L);
}

int refuseExit(lua_State* L) {
  return luaL_error(L, "os.exit() is not available to scripts; return from the script to end it");
}

// Scripts may require the modules shipped in the resources' lua folder.
void appendPackagePath(lua_State* L) {
  const Text modules = FileSystem::path(CommonDirectory::Resources, "lua/?.lua");
  if (modules.empty()) return;
  lua_getglobal(L, "package");
  if (lua_istable(L, -1) && lua_getfield(L, -1, "path") == LUA_TSTRING) {
    lua_pushfstring(L, "%s;%s", lua_tostring(L, -1), modules.c_str());
    lua_setfield(L, -3, "path");
  }
  lua_settop(L, 0);
}

// Runs under lua_pcall with the runner's records as light userdata arguments.
int setUpEnvironment(lua_State* L) {
  lua_settop(L, 2);
  lua_setfield(L, LUA_REGISTRYINDEX, "qel.ThreadData");
  lua_setfield(L, LUA_REGISTRYINDEX, "qel.qelState");
  luaL_requiref(L, "qel", qelLua::luaopen_qel, 0);
  luaL_requiref(L, "lfs", luaopen_lfs, 0);
  lua_settop(L, 0);
  appendPackagePath(L);
  lua_pushnil(L);
  lua_setglobal(L, "debug");
  // os.exit would end the whole program, not just the script.
  lua_getglobal(L, "os");
  lua_pushcfunction(L, refuseExit);
  lua_setfield(L, -2, "exit");
  lua_settop(L, 0);
  lua_sethook(L, killHook, LUA_MASKCOUNT, KILL_CHECK_INSTRUCTIONS);
  return 0;
}

int errorObjectText(lua_State* L) {
  luaL_tolstring(L, 1, nullptr);
  return 1;
}

// The text of the error object on top of the stack, which stays there.
Text describeError(lua_State* L, int status) {
  if (status != LUA_OK && status != LUA_YIELD && status < LUA_ERRRUN)
    return Text("The script host failed with an unexpected error");
  if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) return Text(lua_tostring(L, -1));
  TextBuffer<128> text;
  if (luaL_getmetafield(L, -1, "__tostring") != LUA_TNIL) {
    lua_pop(L, 1);
    lua_pushcfunction(L, errorObjectText);
    lua_pushvalue(L, -2);
    if (lua_pcall(L, 1, 1, 0) == LUA_OK && lua_type(L, -1) == LUA_TSTRING) {
      Text described(lua_tostring(L, -1));
      lua_pop(L, 1);
      return described;
    }
    lua_pop(L, 1);
  }
  text.format("(error object is a %s value)", luaL_typename(L, -1));
  return Text(text.span());
}

} // namespace

struct QelLua::Impl {
  explicit Impl(qelLua::QelState& state);
  static void threadEntry(void* impl) { static_cast<Impl*>(impl)->threadMain(); }
  void threadMain();
  void fail(int status, Text message);

  qelLua::QelState* qelState;   // program data the script may read; outlives the runner
  LuaState lua;                 // the script's own state
  qelLua::ThreadData thread;    // the run-state record, whose address the registry holds
  NullOutputStream nullOutput;  // print's sink until the owner gives one
  Text message;                 // the error of the last load or run, under thread.mutex
  bool ready = false;           // the environment was set up
  int loadStatus = LUA_ERRFILE; // run() needs a loaded chunk on the stack
  Thread worker;                // joinable: joined before the next run and by the destructor
};

QelLua::Impl::Impl(qelLua::QelState& state) : qelState(&state) {
  lua_State* L = lua.state();
  lua_pushcfunction(L, setUpEnvironment);
  lua_pushlightuserdata(L, qelState);
  lua_pushlightuserdata(L, &thread);
  const int status = lua_pcall(L, 2, 0, 0);
  if (status != LUA_OK) {
    message = describeError(L, status);
    Log::print("ERR", "Unable to set up the script environment: %s\n", message.c_str());
    lua_settop(L, 0);
    return;
  }
  ready = true;
}

void QelLua::Impl::threadMain() {
  lua_State* L = lua.state();
  const int status = lua_pcallk(L, 0, LUA_MULTRET, 0, 0, nullptr);
  Text text;
  try {
    if (status != LUA_OK) text = describeError(L, status);
  } catch (std::bad_alloc const&) {
    // The run must still end, or its owner would wait for ever; the status tells what failed.
  }
  std::lock_guard lock(thread.mutex);
  thread.result = status;
  message = std::move(text);
  thread.running = false;
  thread.ended.notify_all();
}

void QelLua::Impl::fail(int status, Text text) {
  std::lock_guard lock(thread.mutex);
  thread.result = status;
  message = std::move(text);
  thread.running = false;
  thread.ended.notify_all();
}

QelLua::QelLua(qelLua::QelState& state) : impl(std::make_unique<Impl>(state)) {}

QelLua::~QelLua() {
  kill();
  impl->worker.join();
}

int QelLua::load(const char* path) {
  if (running()) return LUA_ERRRUN; // the stack belongs to the running script
  if (!impl->ready) {
    impl->fail(LUA_ERRMEM, Text("The script environment could not be set up"));
    return impl->loadStatus = LUA_ERRMEM;
  }
  lua_State* L = impl->lua.state();
  lua_settop(L, 0);
  const int status = luaL_loadfilex(L, path ? path : "", nullptr);
  impl->fail(status, status == LUA_OK ? Text() : describeError(L, status));
  return impl->loadStatus = status;
}

void QelLua::setOutputStream(OutputStream& out) {
  lua_pushlightuserdata(impl->lua.state(), &out);
  lua_setfield(impl->lua.state(), LUA_REGISTRYINDEX, "qel.outputStream");
}

void QelLua::setFileChooser(FileChooser* chooser) {
  std::lock_guard lock(impl->thread.chooser->mutex);
  impl->thread.chooser->chooser = chooser;
}

void QelLua::run(bool threaded) {
  if (running()) return;
  impl->worker.join(); // the previous run's thread, already ended
  lua_State* L = impl->lua.state();
  if (impl->loadStatus != LUA_OK || !lua_isfunction(L, -1)) {
    impl->fail(impl->loadStatus != LUA_OK ? impl->loadStatus : LUA_ERRRUN, Text("No script was loaded"));
    return;
  }
  if (lua_getfield(L, LUA_REGISTRYINDEX, "qel.outputStream") == LUA_TNIL) setOutputStream(impl->nullOutput);
  lua_pop(L, 1);
  impl->loadStatus = LUA_ERRRUN; // the chunk is used up by this run
  {
    // Set before the thread starts, so that a poller never takes a run that has not begun as finished.
    std::lock_guard lock(impl->thread.mutex);
    impl->thread.running = true;
    impl->thread.threaded = threaded;
    impl->message.clear();
  }
  if (!threaded) {
    impl->threadMain();
    return;
  }
  auto* runner = new Thread::Runner<void (*)(void*)>(&Impl::threadEntry, impl.get());
  if (!Thread::launch(impl->worker, runner, Thread::Mode::Joinable))
    impl->fail(LUA_ERRRUN, Text("Unable to start a thread for the script"));
}

void QelLua::kill() {
  std::shared_ptr<qelLua::FileRequest> pending;
  {
    std::lock_guard lock(impl->thread.mutex);
    impl->thread.kill = true;
    pending = impl->thread.pending;
  }
  if (pending) pending->cancel();
}

bool QelLua::waitUntilEnded(std::chrono::milliseconds limit) const {
  std::unique_lock lock(impl->thread.mutex);
  return impl->thread.ended.wait_for(lock, limit, [this] { return !impl->thread.running; });
}

bool QelLua::running() const {
  std::lock_guard lock(impl->thread.mutex);
  return impl->thread.running;
}

int QelLua::result() const {
  std::lock_guard lock(impl->thread.mutex);
  return impl->thread.result;
}

const char* QelLua::errorMessage() const {
  std::lock_guard lock(impl->thread.mutex);
  return impl->thread.running ? "" : impl->message.c_str();
}

namespace qelLua {

ThreadData& threadData(lua_State* L) {
  lua_getfield(L, LUA_REGISTRYINDEX, "qel.ThreadData");
  auto* data = static_cast<ThreadData*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  return *data;
}

} // namespace qelLua
