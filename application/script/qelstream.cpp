#include "script/qelstream.h"

namespace qelLua {

luaL_Stream* toStream(lua_State* L) {
  return static_cast<luaL_Stream*>(luaL_checkudata(L, 1, LUA_FILEHANDLE));
}

FILE* toFile(lua_State* L) {
  luaL_Stream* stream = toStream(L);
  if (!stream->closef) luaL_error(L, "attempt to use a closed file");
  return stream->f;
}

FILE* defaultFile(lua_State* L, const char* which) {
  lua_getfield(L, LUA_REGISTRYINDEX, which);
  auto* stream = static_cast<luaL_Stream*>(lua_touserdata(L, -1));
  if (!stream->closef) luaL_error(L, "standard %s file is closed", which + 4);
  return stream->f;
}

luaL_Stream* newStream(lua_State* L, lua_CFunction close) {
  auto* stream = static_cast<luaL_Stream*>(lua_newuserdata(L, sizeof(luaL_Stream)));
  stream->f = nullptr;
  stream->closef = nullptr;
  luaL_setmetatable(L, LUA_FILEHANDLE);
  stream->closef = close;
  return stream;
}

int closeOpened(lua_State* L) {
  luaL_Stream* stream = toStream(L);
  return luaL_fileresult(L, std::fclose(stream->f) == 0, nullptr);
}

int closeStream(lua_State* L) {
  luaL_Stream* stream = toStream(L);
  const lua_CFunction close = stream->closef;
  stream->closef = nullptr;
  return close(L);
}

} // namespace qelLua
