#include "script/luastate.h"

#include <gtest/gtest.h>

#include <lua.hpp>

#include <string>

namespace {

struct Sentinel {
  bool* destroyed;
  ~Sentinel() { *destroyed = true; }
};

// Host code with a live C++ object on its frame when a Lua error passes through it.
int raiseWithObjectOnFrame(lua_State* L) {
  Sentinel sentinel{static_cast<bool*>(lua_touserdata(L, lua_upvalueindex(1)))};
  return luaL_error(L, "raised from host code");
}

} // namespace

TEST(LuaStateTest, LuaErrorUnwindsHostDestructors) {
  LuaState lua;
  lua_State* L = lua.state();
  bool destroyed = false;
  lua_pushlightuserdata(L, &destroyed);
  lua_pushcclosure(L, raiseWithObjectOnFrame, 1);
  lua_setglobal(L, "raise");
  // Through a Lua function too, so the error crosses the interpreter's own frames.
  ASSERT_EQ(luaL_loadstring(L, "local function f() raise() end f()"), LUA_OK);
  EXPECT_EQ(lua_pcall(L, 0, 0, 0), LUA_ERRRUN);
  EXPECT_TRUE(destroyed);
  EXPECT_NE(std::string(lua_tostring(L, -1)).find("raised from host code"), std::string::npos);
}
