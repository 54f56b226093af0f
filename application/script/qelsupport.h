// Helpers shared by the qel bindings.
#pragma once

#include "utils/exception.h"

#include <lua.hpp>

#include <cstddef>
#include <new>

namespace qelLua {

class QelState;

// The text of the value at index through the global tostring, left on the stack; null when tostring gives
// no string.
const char* toText(lua_State* L, int index, size_t& length);
// The program data registered as "qel.qelState"; a Lua error when there is none.
QelState& qelState(lua_State* L);

// Runs fn, turning our errors and running out of memory into Lua errors: a C++ exception that crossed the
// interpreter would come back without its message. Lua's own errors pass through untouched.
template <typename Fn> auto guarded(lua_State* L, Fn&& fn) -> decltype(fn()) {
  try {
    return fn();
  } catch (std::bad_alloc const&) {
    luaL_error(L, "not enough memory");
  } catch (zun::exception const& e) {
    luaL_error(L, "%s", e.what());
  }
  __builtin_unreachable(); // luaL_error raises and never returns
}

} // namespace qelLua
