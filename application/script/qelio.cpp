// A kill interrupts a system call that blocks the script's thread (see qelthreaddata): a read or open then
// fails with EINTR, and the check after the call raises "Script Killed". A wait for a child is different:
// the C library retries it, so os.execute and io.popen wait themselves and end the child's whole process
// group once killed. A popen stream is io's own stream record with the child's process id behind it.
#include "script/qelio.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <linux/magic.h>
#include <spawn.h>
#include <sys/statfs.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

using qelLua::checkKill;

// Calls the function at upvalue 1, checking for a kill before and after; functions it returns (the
// iterators of lines) are checked the same way.
int checkedCall(lua_State* L) {
  checkKill(L);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
  checkKill(L);
  const int results = lua_gettop(L);
  for (int i = 1; i <= results; ++i) {
    if (!lua_tocfunction(L, i)) continue;
    lua_pushvalue(L, i);
    lua_pushcclosure(L, checkedCall, 1);
    lua_replace(L, i);
  }
  return results;
}

// Wraps every function of the table at index whose name does not start with "__".
void checkEveryFunction(lua_State* L, int index) {
  index = lua_absindex(L, index);
  for (lua_pushnil(L); lua_next(L, index); lua_pop(L, 1)) {
    if (lua_type(L, -2) != LUA_TSTRING || !lua_isfunction(L, -1)) continue;
    if (lua_tostring(L, -2)[0] == '_' && lua_tostring(L, -2)[1] == '_') continue;
    lua_pushvalue(L, -2);
    lua_pushvalue(L, -2);
    lua_pushcclosure(L, checkedCall, 1);
    lua_rawset(L, index); // an existing key: allowed while traversing
  }
}

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

// Waits for the child and returns its wait status (-1 on error); once the run is killed, first ends the
// child's process group.
int waitForChild(lua_State* L, pid_t pid) {
  bool ended = false;
  for (;;) {
    if (!ended && qelLua::killRequested(L)) {
      ::kill(-pid, SIGKILL);
      ended = true;
    }
    int status = 0;
    const pid_t waited = waitpid(pid, &status, 0);
    if (waited == pid) return status;
    if (waited < 0 && errno != EINTR) return -1;
  }
}

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

struct PipeStream {
  luaL_Stream stream; // first, so that io takes the record for its own
  pid_t pid;
};

int closePipe(lua_State* L) {
  auto* pipe = static_cast<PipeStream*>(luaL_checkudata(L, 1, LUA_FILEHANDLE));
  fclose(pipe->stream.f);
  return luaL_execresult(L, waitForChild(L, pipe->pid));
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
    if (pid >= 0) {
      ::kill(-pid, SIGKILL);
      waitForChild(L, pid);
    }
    errno = error;
    return luaL_fileresult(L, 0, command);
  }
  pipe->stream.f = file;
  pipe->pid = pid;
  pipe->stream.closef = closePipe;
  return 1;
}

// Files that a script opens for writing: none on /proc, where the program's own memory is a file
// (/proc/self/mem) that a write changes, code included; and nothing that has no name of its own (a pipe, a
// socket, an event descriptor), which a path reaches only through a descriptor link of a process
// (/proc/<pid>/fd/N, /dev/fd/N): one byte into the program's signal pipe would end it. Both are told by
// the file system of what the path leads to, so no spelling, link or working folder dodges them. A
// descriptor is refused before it is opened (a socket would not open at all) and once more when open, in
// case the path changed in between: opening a pipe writes nothing, so no byte has reached it by then.

enum class Reach { file, proc, descriptor };

Reach reachOf(int fd) {
  struct statfs filesystem {};
  if (fstatfs(fd, &filesystem) != 0) return Reach::file;
  switch (filesystem.f_type) {
  case PROC_SUPER_MAGIC:
    return Reach::proc;
  case PIPEFS_MAGIC:
  case SOCKFS_MAGIC:
  case ANON_INODE_FS_MAGIC:
    return Reach::descriptor;
  default:
    return Reach::file;
  }
}

// What path leads to, looked at without opening it: O_PATH opens no pipe and no socket.
Reach reachOf(const char* path) {
  const int fd = ::open(path, O_PATH | O_CLOEXEC);
  if (fd < 0) return Reach::file; // the open itself then answers
  const Reach reach = reachOf(fd);
  close(fd);
  return reach;
}

bool writes(const char* mode) {
  return std::strpbrk(mode, "wa+") != nullptr;
}

int refuseDescriptor(lua_State* L, const char* path) {
  return luaL_error(L, "cannot write to '%s': it leads to a pipe, socket or event descriptor of a process",
                    path);
}

// The file at index, if it is one on /proc, is closed and the open answered as refused, and if it is a
// descriptor, closed and refused with an error; false otherwise.
bool refused(lua_State* L, int index, const char* path) {
  auto* stream = static_cast<luaL_Stream*>(luaL_testudata(L, index, LUA_FILEHANDLE));
  if (!stream || !stream->f) return false;
  const Reach reach = reachOf(fileno(stream->f));
  if (reach == Reach::file) return false;
  lua_getfield(L, index, "close");
  lua_pushvalue(L, index);
  lua_call(L, 1, 0);
  if (reach == Reach::descriptor) refuseDescriptor(L, path);
  errno = EACCES;
  luaL_fileresult(L, 0, path);
  return true;
}

// Upvalue 1: the library's io.open. The arguments stay on the stack, so that path and mode do too.
int open(lua_State* L) {
  const char* path = luaL_checkstring(L, 1);
  const char* mode = luaL_optstring(L, 2, "r");
  lua_settop(L, 2);
  const bool writing = writes(mode);
  if (writing && reachOf(path) == Reach::descriptor) return refuseDescriptor(L, path);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_pushvalue(L, 1);
  lua_pushvalue(L, 2);
  lua_call(L, 2, LUA_MULTRET);
  if (writing && refused(L, 3, path)) return 3;
  return lua_gettop(L) - 2;
}

// Upvalue 1: the library's io.output; upvalue 2: open above. A name is opened as a file to write first.
int output(lua_State* L) {
  if (lua_type(L, 1) == LUA_TSTRING || lua_type(L, 1) == LUA_TNUMBER) {
    const char* path = lua_tostring(L, 1);
    lua_pushvalue(L, lua_upvalueindex(2));
    lua_pushvalue(L, 1);
    lua_pushliteral(L, "w");
    lua_call(L, 2, 3);
    if (lua_isnil(L, -3))
      return luaL_error(L, "cannot open file '%s' (%s)", path, std::strerror(int(lua_tointeger(L, -1))));
    lua_pop(L, 2);
    lua_replace(L, 1);
  }
  lua_settop(L, 1);
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, 1);
  return 1;
}

// Replaces io.open and io.output in the table at index.
void openNothingOnProc(lua_State* L, int index) {
  index = lua_absindex(L, index);
  lua_getfield(L, index, "open");
  lua_pushcclosure(L, open, 1);
  lua_getfield(L, index, "output");
  lua_pushvalue(L, -2);
  lua_pushcclosure(L, output, 2);
  lua_setfield(L, index, "output");
  lua_setfield(L, index, "open");
}

} // namespace

namespace qelLua {

void openStoppableIo(lua_State* L) {
  lua_getglobal(L, "os");
  lua_pushcfunction(L, execute);
  lua_setfield(L, -2, "execute");
  lua_getglobal(L, "io");
  lua_pushcfunction(L, popen);
  lua_setfield(L, -2, "popen");
  openNothingOnProc(L, -1);
  checkEveryFunction(L, -1);
  luaL_getmetatable(L, LUA_FILEHANDLE);
  checkEveryFunction(L, -1);
  lua_pop(L, 3);
}

} // namespace qelLua
