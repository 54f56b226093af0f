#include "script/luastate.h"

#include <lua.hpp>

namespace {

int openLibraries(lua_State* L) {
  luaL_openlibs(L);
  return 0;
}

} // namespace

struct LuaState::Impl {
  lua_State* L = nullptr;
};

LuaState::LuaState() : impl(std::make_unique<Impl>()) {
  impl->L = luaL_newstate();
  if (!impl->L) ZUN_THROW(LuaState::no_memory);
  // Opened under a protected call: out of memory there would otherwise end the process through the
  // panic function.
  lua_pushcfunction(impl->L, openLibraries);
  if (lua_pcall(impl->L, 0, 0, 0) != LUA_OK) {
    lua_close(impl->L);
    ZUN_THROW(LuaState::no_memory);
  }
}

LuaState::~LuaState() {
  lua_close(impl->L);
}

lua_State* LuaState::state() const {
  return impl->L;
}
