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

// What a table function does with its table; a value that is no table must have a metamethod for each.
namespace TableAccess {
constexpr unsigned READ = 1;   // __index
constexpr unsigned WRITE = 2;  // __newindex
constexpr unsigned LENGTH = 4; // __len
} // namespace TableAccess

// As the library: raises "table expected" unless the value at arg is a table or has the metamethods of
// access.
void checkTable(lua_State* L, int arg, unsigned access);

} // namespace qelLua
