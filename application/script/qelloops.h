// string.rep, table.concat, table.sort, table.insert, table.remove and table.move for scripts: the
// library's loops in C run as many times as a number the script gives (string.rep("", 2^53),
// table.move(t, 1, 2^53, 2), or a __len that answers 2^53) or as the data is long (a sort of twenty million
// numbers), where the kill hook never comes. These check for a kill as they go and otherwise answer as the
// library's.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the six functions in the string and table tables.
void openStoppableLoops(lua_State* L);

} // namespace qelLua
