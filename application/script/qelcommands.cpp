// A wait for a child is not ended by the kill's signal as a read is (the C library retries it), so these
// wait themselves, and look at the kill each time the signal interrupts them.
#include "script/qelcommands.h"

#include "script/qelstream.h"
#include "script/qelthreaddata.h"
#include "utils/thread.h"

#include <lua.hpp>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace {

using qelLua::checkKill;

constexpr auto KILLED_CHILD_WAIT = std::chrono::milliseconds(500);

// Starts "/bin/sh -c command" as the leader of a new process group; with fd >= 0, as the child's target fd.
// Returns -1 with errno set when it cannot start.
pid_t spawnShell(const char* command, int fd, int target) {
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (fd >= 0) posix_spawn_file_actions_adddup2(&actions, fd, target);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  posix_spawnattr_setpgroup(&attributes, 0);
  sigset_t signals;
  sigemptyset(&signals);
  posix_spawnattr_setsigmask(&attributes, &signals);
  sigaddset(&signals, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &signals);
  char sh[] = "sh", c[] = "-c";
  char* argv[] = {sh, c, const_cast<char*>(command), nullptr};
  pid_t pid = -1;
  const int rc = posix_spawn(&pid, "/bin/sh", &actions, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) {
    errno = rc;
    return -1;
  }
  return pid;
}

void reap(void* child) {
  const auto pid = pid_t(reinterpret_cast<intptr_t>(child));
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

// Ends the child and its group, and returns its wait status, or -1 when it is not gone within
// KILLED_CHILD_WAIT: a thread of its own then waits for it.
int endChild(pid_t pid) {
  ::kill(-pid, SIGKILL);
  ::kill(pid, SIGKILL); // in case it left its group
  const auto deadline = std::chrono::steady_clock::now() + KILLED_CHILD_WAIT;
  do {
    int status = 0;
    const pid_t waited = waitpid(pid, &status, WNOHANG);
    if (waited == pid) return status;
    if (waited < 0 && errno != EINTR) return -1;
    const timespec pause{0, 5'000'000};
    nanosleep(&pause, nullptr);
  } while (std::chrono::steady_clock::now() < deadline);
  Thread reaper; // detached: it ends with the child
  Thread::launch(reaper, new Thread::Runner<void (*)(void*)>(reap, reinterpret_cast<void*>(intptr_t(pid))));
  return -1;
}

// Waits for the child and returns its wait status (-1 on error); once the run is killed, ends it first.
int waitForChild(lua_State* L, pid_t pid) {
  for (;;) {
    if (qelLua::killRequested(L)) return endChild(pid);
    int status = 0;
    const pid_t waited = waitpid(pid, &status, 0);
    if (waited == pid) return status;
    if (waited < 0 && errno != EINTR) return -1;
  }
}

struct PipeStream {
  luaL_Stream stream; // first, so that io takes the record for its own
  pid_t pid;
};

int closePipe(lua_State* L) {
  auto* pipe = static_cast<PipeStream*>(luaL_checkudata(L, 1, LUA_FILEHANDLE));
  fclose(pipe->stream.f);
  return luaL_execresult(L, waitForChild(L, pipe->pid));
}

} // namespace

namespace qelLua {

int execute(lua_State* L) {
  const char* command = luaL_optstring(L, 1, nullptr);
  if (!command) {
    lua_pushboolean(L, access("/bin/sh", X_OK) == 0);
    return 1;
  }
  checkKill(L);
  const pid_t pid = spawnShell(command, -1, -1);
  const int status = pid < 0 ? -1 : waitForChild(L, pid);
  checkKill(L);
  return luaL_execresult(L, status);
}

int popen(lua_State* L) {
  const char* command = luaL_checkstring(L, 1);
  const char* mode = luaL_optstring(L, 2, "r");
  auto* pipe = static_cast<PipeStream*>(lua_newuserdata(L, sizeof(PipeStream)));
  *pipe = PipeStream{{nullptr, nullptr}, -1}; // closed until it is open
  luaL_setmetatable(L, LUA_FILEHANDLE);
  luaL_argcheck(L, (mode[0] == 'r' || mode[0] == 'w') && mode[1] == '\0', 2, "invalid mode");
  checkKill(L);
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) return luaL_fileresult(L, 0, command);
  const bool reading = mode[0] == 'r';
  const int theirs = reading ? fds[1] : fds[0];
  const int ours = reading ? fds[0] : fds[1];
  const pid_t pid = spawnShell(command, theirs, reading ? STDOUT_FILENO : STDIN_FILENO);
  const int spawnError = errno;
  close(theirs);
  FILE* file = pid < 0 ? nullptr : fdopen(ours, mode);
  if (!file) {
    const int error = pid < 0 ? spawnError : errno;
    close(ours);
    if (pid >= 0) endChild(pid);
    errno = error;
    return luaL_fileresult(L, 0, command);
  }
  pipe->stream.f = file;
  pipe->pid = pid;
  pipe->stream.closef = closePipe;
  return 1;
}

} // namespace qelLua
