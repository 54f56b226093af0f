#include "script/qelsupport.h"

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

} // namespace qelLua
