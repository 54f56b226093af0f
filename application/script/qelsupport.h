// Helpers shared by the qel bindings.
#pragma once

#include "utils/exception.h"

#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <new>

namespace qelLua {

class QelState;

// The text of the value at index through the global tostring, left on the stack; null when tostring gives
// no string.
const char* toText(lua_State* L, int index, size_t& length);
// The program data registered as "qel.qelState"; a Lua error when there is none.
QelState& qelState(lua_State* L);

// Charges bytes held by a new host object of the script to its memory bound (LuaState::charge) and to the
// collector's pace, as if Lua had allocated them; raises "not enough memory" when they do not fit, and then
// nothing is charged. May run finalizers of the script's.
void chargeMemory(lua_State* L, uint64_t bytes);

// Hides the metatable at index from scripts: getmetatable gives a table of its entries without __gc (when
// the metatable was its own __index, the table is its own and the metatable's __index), so no script can
// call a finalizer on a live object or give a type a finalizer of its own, which the collector would run
// beyond the reach of kill.
void protectMetatable(lua_State* L, int index);
// luaL_newmetatable with entries, __index and protectMetatable; pushes the metatable and returns true when
// it was made now.
bool newMetatable(lua_State* L, const char* name, luaL_Reg const* entries);

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
