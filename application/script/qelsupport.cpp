#include "script/qelsupport.h"

#include "script/luastate.h"

#include <algorithm>
#include <cstring>

namespace qelLua {

const char* toText(lua_State* L, int index, size_t& length) {
  index = lua_absindex(L, index);
  lua_getglobal(L, "tostring");
  lua_pushvalue(L, index);
  lua_call(L, 1, 1);
  return lua_type(L, -1) == LUA_TSTRING ? lua_tolstring(L, -1, &length) : nullptr;
}

QelState& qelState(lua_State* L) {
  lua_getfield(L, LUA_REGISTRYINDEX, "qel.qelState");
  auto* state = static_cast<QelState*>(lua_touserdata(L, -1));
  lua_pop(L, 1);
  if (!state) luaL_error(L, "qel: the program's data is not available");
  return *state;
}

void chargeMemory(lua_State* L, uint64_t bytes) {
  // The collector paces itself by what Lua allocates: told of these bytes, it runs as if Lua had. First,
  // since a finalizer that fails raises its error here, and then nothing is charged.
  if (bytes >= 1024) lua_gc(L, LUA_GCSTEP, int(std::min<uint64_t>(bytes / 1024, 1 << 30)));
  if (!LuaState::charge(L, bytes)) luaL_error(L, "not enough memory");
}

void protectMetatable(lua_State* L, int index) {
  const int mt = lua_absindex(L, index);
  if (lua_getfield(L, mt, "__metatable") != LUA_TNIL) {
    lua_pop(L, 1);
    return;
  }
  lua_pop(L, 1);
  lua_getfield(L, mt, "__index");
  if (!lua_istable(L, -1) || lua_rawequal(L, -1, mt)) {
    const bool selfIndexed = lua_rawequal(L, -1, mt);
    lua_pop(L, 1);
    lua_newtable(L);
    for (lua_pushnil(L); lua_next(L, mt); lua_pop(L, 1)) {
      if (lua_type(L, -2) == LUA_TSTRING) {
        const char* key = lua_tostring(L, -2);
        if (std::strcmp(key, "__gc") == 0 || std::strcmp(key, "__index") == 0) continue;
      }
      lua_pushvalue(L, -2);
      lua_pushvalue(L, -2);
      lua_rawset(L, -5);
    }
    if (selfIndexed) { // the copy is its own __index, as the metatable was
      lua_pushvalue(L, -1);
      lua_setfield(L, -2, "__index");
      lua_pushvalue(L, -1);
      lua_setfield(L, mt, "__index");
    }
  }
  lua_setfield(L, mt, "__metatable");
}

bool newMetatable(lua_State* L, const char* name, luaL_Reg const* entries) {
  if (!luaL_newmetatable(L, name)) return false;
  luaL_setfuncs(L, entries, 0);
  lua_pushvalue(L, -1);
  lua_setfield(L, -2, "__index");
  protectMetatable(L, -1);
  return true;
}

} // namespace qelLua
