// tonumber for scripts: the library converts a string in C for as long as the string is (the spaces or
// digits of a thousand million bytes take it seconds), where the kill hook never comes. This one reads a
// long string itself, with kill checks, into a short numeral of the same value that the library then
// converts; short strings go to the library as they are. The answers are the library's.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the global tonumber.
void openStoppableNumbers(lua_State* L);

} // namespace qelLua
