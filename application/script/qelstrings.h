// string.reverse, lower, upper and format, and os.date, for scripts: each builds its result in C a byte or a
// conversion at a time, for as long as its string or format is (a thousand million bytes take them seconds),
// where the kill hook never comes. These check for a kill as they go and otherwise answer as the library's.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the four functions in the string table and date in the os table.
void openStoppableStrings(lua_State* L);

} // namespace qelLua
