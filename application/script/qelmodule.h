// The qel module: what a reader's script reaches of the program. The runner registers it in
// package.loaded as "qel"; opening it also makes the global print write to the script's output.
#pragma once

struct lua_State;

namespace qelLua {

int luaopen_qel(lua_State* L);

} // namespace qelLua
