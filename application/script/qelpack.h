// string.pack, string.unpack and string.packsize for scripts: the library walks a format in C, one option
// after another, for as long as the format is (a thousand million options take it seconds, and an option
// such as "c2000000000" pads two thousand million bytes), where the kill hook never comes. These check for a
// kill as they walk and pad, and otherwise answer as the library's.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the three functions in the string table.
void openStoppablePack(lua_State* L);

} // namespace qelLua
