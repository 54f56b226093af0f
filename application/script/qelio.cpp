// The io library's functions and file methods, re-made so that each checks for a kill before and after a
// call that may block (a read or open that the kill interrupted returns at once), opens paths as qelopen
// allows, and closes files through their own close function; errors name the function and the script's
// line as the library's do. read, lines and write are qelfiles', execute and popen qelcommands'.
#include "script/qelio.h"

#include "script/qelcommands.h"
#include "script/qelopen.h"
#include "script/qelstream.h"
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

using qelLua::checkKill;
using qelLua::IO_INPUT;
using qelLua::IO_OUTPUT;

int ioOpen(lua_State* L) {
  const char* path = luaL_checkstring(L, 1);
  const char* mode = luaL_optstring(L, 2, "r");
  luaL_argcheck(L, qelLua::validOpenMode(mode), 2, "invalid mode");
  return qelLua::openNewStream(L, path, mode) ? 1 : luaL_fileresult(L, 0, path);
}

// io.input and io.output: with a name, opens it as the new default file; with a file, makes it the default;
// returns the default file.
int setDefaultFile(lua_State* L, const char* which, const char* mode) {
  if (!lua_isnoneornil(L, 1)) {
    if (const char* path = lua_tostring(L, 1)) {
      if (!qelLua::openNewStream(L, path, mode))
        luaL_error(L, "cannot open file '%s' (%s)", path, std::strerror(errno));
    } else {
      qelLua::toFile(L);
      lua_pushvalue(L, 1);
    }
    lua_setfield(L, LUA_REGISTRYINDEX, which);
  }
  lua_getfield(L, LUA_REGISTRYINDEX, which);
  return 1;
}

int ioInput(lua_State* L) {
  return setDefaultFile(L, IO_INPUT, "r");
}

int ioOutput(lua_State* L) {
  return setDefaultFile(L, IO_OUTPUT, "w");
}

// Closing flushes what is buffered, which a full pipe may hold up.
int fileClose(lua_State* L) {
  qelLua::toFile(L);
  checkKill(L);
  const int results = qelLua::closeStream(L);
  checkKill(L);
  return results;
}

int ioClose(lua_State* L) {
  if (lua_isnone(L, 1)) lua_getfield(L, LUA_REGISTRYINDEX, IO_OUTPUT);
  return fileClose(L);
}

int flushed(lua_State* L, FILE* file) {
  checkKill(L);
  const bool done = std::fflush(file) == 0;
  const int error = errno;
  checkKill(L);
  errno = error;
  return luaL_fileresult(L, done, nullptr);
}

int ioFlush(lua_State* L) {
  return flushed(L, qelLua::defaultFile(L, IO_OUTPUT));
}

int fileFlush(lua_State* L) {
  return flushed(L, qelLua::toFile(L));
}

int ioTmpfile(lua_State* L) {
  luaL_Stream* stream = qelLua::newStream(L, qelLua::closeOpened);
  stream->f = std::tmpfile();
  return stream->f ? 1 : luaL_fileresult(L, 0, nullptr);
}

int ioType(lua_State* L) {
  luaL_checkany(L, 1);
  auto* stream = static_cast<luaL_Stream*>(luaL_testudata(L, 1, LUA_FILEHANDLE));
  if (!stream)
    lua_pushnil(L);
  else if (!stream->closef)
    lua_pushliteral(L, "closed file");
  else
    lua_pushliteral(L, "file");
  return 1;
}

// A seek first writes what is buffered.
int fileSeek(lua_State* L) {
  static const int whence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  static const char* const names[] = {"set", "cur", "end", nullptr};
  FILE* file = qelLua::toFile(L);
  const int option = luaL_checkoption(L, 2, "cur", names);
  const lua_Integer offset = luaL_optinteger(L, 3, 0);
  luaL_argcheck(L, off_t(offset) == offset, 3, "not an integer in proper range");
  checkKill(L);
  const bool failed = fseeko(file, off_t(offset), whence[option]) != 0;
  const int error = errno;
  checkKill(L);
  errno = error;
  if (failed) return luaL_fileresult(L, 0, nullptr);
  lua_pushinteger(L, lua_Integer(ftello(file)));
  return 1;
}

int fileSetvbuf(lua_State* L) {
  static const int modes[] = {_IONBF, _IOFBF, _IOLBF};
  static const char* const names[] = {"no", "full", "line", nullptr};
  FILE* file = qelLua::toFile(L);
  const int option = luaL_checkoption(L, 2, nullptr, names);
  const lua_Integer size = luaL_optinteger(L, 3, LUAL_BUFFERSIZE);
  return luaL_fileresult(L, std::setvbuf(file, nullptr, modes[option], size_t(size)) == 0, nullptr);
}

} // namespace

namespace qelLua {

void openStoppableIo(lua_State* L) {
  static const luaL_Reg io[] = {{"close", ioClose},     {"flush", ioFlush},   {"input", ioInput},
                                {"open", ioOpen},       {"output", ioOutput}, {"popen", popen},
                                {"tmpfile", ioTmpfile}, {"type", ioType},     {nullptr, nullptr}};
  static const luaL_Reg methods[] = {{"close", fileClose},
                                     {"flush", fileFlush},
                                     {"seek", fileSeek},
                                     {"setvbuf", fileSetvbuf},
                                     {nullptr, nullptr}};
  lua_getglobal(L, "os");
  lua_pushcfunction(L, execute);
  lua_setfield(L, -2, "execute");
  lua_getglobal(L, "io");
  luaL_setfuncs(L, io, 0);
  luaL_getmetatable(L, LUA_FILEHANDLE);
  luaL_setfuncs(L, methods, 0);
  lua_pop(L, 3);
}

} // namespace qelLua
