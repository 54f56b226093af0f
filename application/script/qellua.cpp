// The runner makes one Lua state per run. Everything the script may reach is set up once, under a protected
// call, before the script is loaded; the run closes the state on the script's own thread, where only a kill
// can stop a finalizer that loops. The only state shared between threads is the ThreadData record, always
// under its mutex, and the output stream, which a runner letting its script go detaches.
#include "script/qellua.h"

#include "script/luastate.h"
#include "script/qelfilerequest.h"
#include "script/qelfiles.h"
#include "script/qelguards.h"
#include "script/qelio.h"
#include "script/qelloops.h"
#include "script/qelmodule.h"
#include "script/qelnumbers.h"
#include "script/qelpack.h"
#include "script/qelpatterns.h"
#include "script/qelstate.h"
#include "script/qelstrings.h"
#include "script/qelthreaddata.h"
#include "script/qelutf8.h"
#include "utils/filesystem.h"
#include "utils/log.h"
#include "utils/outputstream.h"
#include "utils/textbuffer.h"
#include "utils/thread.h"

#include <lua.hpp>
extern "C" {
#include <lfs.h>
}

#include <clocale>
#include <csignal>
#include <fcntl.h>
#include <new>
#include <sched.h>
#include <unistd.h>

namespace {

constexpr int KILL_CHECK_INSTRUCTIONS = 10000;
const char* const KILLED = "Script Killed";

// What print and write reach: the owner's stream, or nothing once the runner has let its script go.
class ScriptOutput : public OutputStream {
public:
  void setTarget(OutputStream* stream) {
    std::lock_guard lock(mutex);
    target = stream;
  }
  size_t write(const void* data, size_t size) override {
    std::lock_guard lock(mutex);
    return target ? target->write(data, size) : size;
  }

private:
  std::mutex mutex;
  OutputStream* target = nullptr;
};

// A write to a pipe whose reader has gone (a child of io.popen that ended) raises SIGPIPE, which would end
// the program: while the script runs, its thread holds that signal back, so such a write fails with EPIPE.
class PipeSignalHeld {
public:
  PipeSignalHeld() {
    sigemptyset(&pipe);
    sigaddset(&pipe, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipe, &before);
  }
  ~PipeSignalHeld() {
    if (sigismember(&before, SIGPIPE)) return;
    const timespec now{};
    while (sigtimedwait(&pipe, nullptr, &now) == SIGPIPE) {
      // the signals held back are dropped, not delivered once the thread takes them again
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
  }
  PipeSignalHeld(PipeSignalHeld const&) = delete;
  PipeSignalHeld& operator=(PipeSignalHeld const&) = delete;

private:
  sigset_t pipe;
  sigset_t before;
};

// lfs.chdir changes the working folder of every thread that shares it (in an inline run, the whole
// process's): a run puts it back as it ends, however it ends, so that the next script's relative paths land
// where they did. The folder is held open, so that its being renamed meanwhile does not matter.
class WorkingFolderKept {
public:
  WorkingFolderKept() : folder(::open(".", O_PATH | O_DIRECTORY | O_CLOEXEC)) {}
  ~WorkingFolderKept() { restore(); }
  void restore() {
    if (folder < 0) return;
    if (fchdir(folder) != 0) Log::print("WARN", "Unable to return to the working folder after a script\n");
    close(folder);
    folder = -1;
  }
  WorkingFolderKept(WorkingFolderKept const&) = delete;
  WorkingFolderKept& operator=(WorkingFolderKept const&) = delete;

private:
  int folder;
};

// Lua compares strings with strcoll, and one comparison of long strings in the reader's collation takes
// seconds, where no kill check can come. So a script's thread collates as the stock interpreter does, in
// byte order ("C"), while the rest of its locale, and the program's, stay as they are; the thread's own is
// put back when the run ends (a run inline borrows its caller's thread).
class ScriptLocale {
public:
  ScriptLocale() {
    const locale_t copy = duplocale(uselocale(locale_t(0)));
    if (copy != locale_t(0)) locale = newlocale(LC_COLLATE_MASK, "C", copy);
    if (locale == locale_t(0)) {
      if (copy != locale_t(0)) freelocale(copy);
      Log::print("WARN", "Unable to make the script's locale; it compares strings in the program's\n");
      return;
    }
    before = uselocale(locale);
  }
  ~ScriptLocale() {
    if (locale == locale_t(0)) return;
    uselocale(before);
    freelocale(locale);
  }
  ScriptLocale(ScriptLocale const&) = delete;
  ScriptLocale& operator=(ScriptLocale const&) = delete;

private:
  locale_t locale = locale_t(0);
  locale_t before = locale_t(0);
};

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

// Runs under lua_pcall with the program data, the run-state record and the output as light userdata.
int setUpEnvironment(lua_State* L) {
  lua_settop(L, 3);
  lua_setfield(L, LUA_REGISTRYINDEX, "qel.outputStream");
  lua_setfield(L, LUA_REGISTRYINDEX, "qel.ThreadData");
  lua_setfield(L, LUA_REGISTRYINDEX, "qel.qelState");
  luaL_requiref(L, "qel", qelLua::luaopen_qel, 0);
  luaL_requiref(L, "lfs", luaopen_lfs, 0);
  lua_settop(L, 0);
  appendPackagePath(L);
  qelLua::openStoppableIo(L);
  qelLua::openStoppableFiles(L);
  qelLua::openStoppablePatterns(L);
  qelLua::openStoppableLoops(L);
  qelLua::openStoppableStrings(L);
  qelLua::openStoppablePack(L);
  qelLua::openStoppableUtf8(L);
  qelLua::openStoppableNumbers(L);
  qelLua::guardEnvironment(L);
  qelLua::keepKilledMessage(L);
  lua_settop(L, 0);
  lua_sethook(L, qelLua::killHook, LUA_MASKCOUNT, KILL_CHECK_INSTRUCTIONS);
  return 0;
}

// Under a protected call, with the error object as its argument: its text through tostring, or nothing
// when it is neither a string nor a number and has no __tostring.
int errorObjectText(lua_State* L) {
  if (lua_type(L, 1) != LUA_TNUMBER && luaL_getmetafield(L, 1, "__tostring") == LUA_TNIL) return 0;
  luaL_tolstring(L, 1, nullptr);
  return 1;
}

// The text of the error object on top of the stack, which stays there. Anything that allocates runs
// protected: a script may have ended at its memory bound, holding all it may.
Text describeError(lua_State* L, int status) {
  if (status != LUA_OK && status != LUA_YIELD && status < LUA_ERRRUN)
    return Text("The script host failed with an unexpected error");
  if (lua_type(L, -1) == LUA_TSTRING) return Text(lua_tostring(L, -1));
  TextBuffer<128> text;
  text.format("(error object is a %s value)", luaL_typename(L, -1));
  if (!lua_checkstack(L, 2)) return Text(text.span());
  lua_pushcfunction(L, errorObjectText);
  lua_pushvalue(L, -2);
  Text described(text.span());
  if (lua_pcall(L, 1, 1, 0) == LUA_OK && lua_type(L, -1) == LUA_TSTRING)
    described = Text(lua_tostring(L, -1));
  lua_pop(L, 1);
  return described;
}

} // namespace

struct QelLua::Impl {
  explicit Impl(std::shared_ptr<qelLua::QelState> state);
  // Makes a fresh Lua state with its environment; false when the environment could not be set up.
  bool makeState();
  static void threadEntry(void* owner);
  void threadMain();
  void end(int status, Text text);
  void fail(int status, Text message);

  std::shared_ptr<qelLua::QelState> qelState; // program data the script may read
  size_t memoryLimit = defaultMemoryLimit();  // of each Lua state made
  qelLua::ThreadData thread;                  // the run-state record, whose address the registry holds
  ScriptOutput output;                        // print's sink, whose address the registry holds
  std::unique_ptr<LuaState> lua;              // the script's own state; closed by the run
  Text message;                               // the error of the last load or run, under thread.mutex
  bool ready = false;                         // the environment was set up
  int loadStatus = LUA_ERRFILE;               // run() needs a loaded chunk on the stack
  Thread worker;                              // joinable: joined before the next run and by the destructor
};

QelLua::Impl::Impl(std::shared_ptr<qelLua::QelState> state) : qelState(std::move(state)) {
  ready = makeState();
}

bool QelLua::Impl::makeState() {
  lua = std::make_unique<LuaState>(memoryLimit);
  lua->starveWhen(thread.starve);
  lua_State* L = lua->state();
  qelLua::attachThreadData(L, &thread);
  lua_pushcfunction(L, setUpEnvironment);
  lua_pushlightuserdata(L, qelState.get());
  lua_pushlightuserdata(L, &thread);
  lua_pushlightuserdata(L, static_cast<OutputStream*>(&output));
  const int status = lua_pcall(L, 3, 0, 0);
  if (status == LUA_OK) return true;
  message = describeError(L, status);
  Log::print("ERR", "Unable to set up the script environment: %s\n", message.c_str());
  lua_settop(L, 0);
  return false;
}

void QelLua::Impl::threadEntry(void* owner) {
  // The thread's share of the runner: a runner that lets its script go leaves the rest to it.
  std::unique_ptr<std::shared_ptr<Impl>> self(static_cast<std::shared_ptr<Impl>*>(owner));
  {
    std::lock_guard lock((*self)->thread.mutex);
    (*self)->thread.script = pthread_self();
    (*self)->thread.interruptible = true;
  }
  // A working folder of the thread's own: lfs.chdir then moves no other thread while the script runs, nor
  // a later run's, should this one outlive its runner.
  unshare(CLONE_FS);
  (*self)->threadMain();
}

void QelLua::Impl::threadMain() {
  const PipeSignalHeld pipeSignal;
  const ScriptLocale locale;
  WorkingFolderKept workingFolder;
  lua_State* L = lua->state();
  {
    std::lock_guard lock(thread.mutex);
    thread.current = L;
    qelLua::hastenKill(thread);
  }
  const int status = lua_pcallk(L, 0, LUA_MULTRET, 0, 0, nullptr);
  bool killed = false;
  {
    // Closing the state calls the finalizers of host objects, which may need a little memory.
    std::lock_guard lock(thread.mutex);
    killed = thread.kill;
    thread.current = nullptr;
    thread.starve = false;
  }
  Text text;
  try {
    // A killed script's error object is not asked for its text: that would run the script again.
    if (!killed && status != LUA_OK) text = describeError(L, status);
  } catch (std::bad_alloc const&) {
    // The run must still end, or its owner would wait for ever; the status tells what failed.
  }
  lua.reset();             // finalizers may change folder too
  workingFolder.restore(); // before the run is seen to end
  end(status, std::move(text));
}

void QelLua::Impl::end(int status, Text text) {
  std::lock_guard lock(thread.mutex);
  if (thread.kill) {
    // A killed run ends as killed, whatever the script made of the kill.
    status = LUA_ERRRUN;
    text = Text(KILLED);
  }
  thread.interruptible = false;
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

QelLua::QelLua(std::shared_ptr<qelLua::QelState> state) : impl(std::make_shared<Impl>(std::move(state))) {}

QelLua::QelLua(qelLua::QelState& state)
    : QelLua(std::shared_ptr<qelLua::QelState>(std::shared_ptr<void>(), &state)) {}

QelLua::~QelLua() {
  kill();
  if (waitUntilEnded(DESTROY_WAIT)) {
    impl->worker.join();
    return;
  }
  impl->output.setTarget(nullptr);
  {
    std::lock_guard lock(impl->thread.chooser->mutex);
    impl->thread.chooser->chooser = nullptr;
  }
  impl->worker.detach();
  Log::print("WARN", "A script did not stop within %lld ms of being killed; it is left to end by itself\n",
             static_cast<long long>(DESTROY_WAIT.count()));
}

int QelLua::load(const char* path) {
  if (running()) return LUA_ERRRUN; // the stack belongs to the running script
  impl->worker.join();              // the previous run's thread, already ended
  if (!impl->lua) {
    try {
      impl->ready = impl->makeState();
    } catch (LuaState::no_memory const&) {
      impl->ready = false;
    }
  }
  if (!impl->ready) {
    impl->fail(LUA_ERRMEM, Text("The script environment could not be set up"));
    return impl->loadStatus = LUA_ERRMEM;
  }
  lua_State* L = impl->lua->state();
  lua_settop(L, 0);
  // Text only: a precompiled chunk can crash the virtual machine.
  const int status = luaL_loadfilex(L, path ? path : "", "t");
  impl->fail(status, status == LUA_OK ? Text() : describeError(L, status));
  return impl->loadStatus = status;
}

void QelLua::setOutputStream(OutputStream& out) {
  impl->output.setTarget(&out);
}

void QelLua::setMemoryLimit(size_t bytes) {
  impl->memoryLimit = bytes;
  if (impl->lua && !running()) impl->lua->setMemoryLimit(bytes);
}

size_t QelLua::defaultMemoryLimit() {
  const long pages = sysconf(_SC_PHYS_PAGES);
  const long pageSize = sysconf(_SC_PAGESIZE);
  if (pages <= 0 || pageSize <= 0) return 0;
  return size_t(pages) / 4 * size_t(pageSize);
}

void QelLua::setFileChooser(FileChooser* chooser) {
  std::lock_guard lock(impl->thread.chooser->mutex);
  impl->thread.chooser->chooser = chooser;
}

void QelLua::run(bool threaded) {
  if (running()) return;
  impl->worker.join(); // the previous run's thread, already ended
  if (impl->loadStatus != LUA_OK || !impl->lua || !lua_isfunction(impl->lua->state(), -1)) {
    impl->fail(impl->loadStatus != LUA_OK ? impl->loadStatus : LUA_ERRRUN, Text("No script was loaded"));
    return;
  }
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
  auto* share = new std::shared_ptr<Impl>(impl);
  auto* runner = new Thread::Runner<void (*)(void*)>(&Impl::threadEntry, share);
  if (!Thread::launch(impl->worker, runner, Thread::Mode::Joinable)) {
    delete share;
    impl->lua.reset(); // no script ran in it
    impl->fail(LUA_ERRRUN, Text("Unable to start a thread for the script"));
  }
}

void QelLua::kill() {
  std::shared_ptr<qelLua::FileRequest> pending;
  {
    std::lock_guard lock(impl->thread.mutex);
    impl->thread.kill = true;
    qelLua::hastenKill(impl->thread);
    pending = impl->thread.pending;
    qelLua::interruptScript(impl->thread);
  }
  if (pending) pending->cancel();
}

bool QelLua::waitUntilEnded(std::chrono::milliseconds limit) const {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  std::unique_lock lock(impl->thread.mutex);
  for (;;) {
    qelLua::interruptScript(impl->thread);
    const auto slice = std::min(deadline, std::chrono::steady_clock::now() + std::chrono::milliseconds(20));
    if (impl->thread.ended.wait_until(lock, slice, [this] { return !impl->thread.running; })) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
  }
}

bool QelLua::running() const {
  std::lock_guard lock(impl->thread.mutex);
  qelLua::interruptScript(impl->thread);
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
