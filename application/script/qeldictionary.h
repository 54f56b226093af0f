// qel.Dictionary: the program's dictionary as scripts see it, one definition table per entry of a word.
#pragma once

struct lua_State;

namespace qelLua {

// The module function qel.dictionary: a qel.Dictionary over the program's dictionary (not owned).
int dictionary(lua_State* L);

} // namespace qelLua
