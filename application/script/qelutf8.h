// utf8.len, utf8.offset and utf8.codes for scripts: the library's walks over a string run in C for as long as
// the string is (a thousand million characters take utf8.len seconds, and one step of a codes loop walks a
// whole run of continuation bytes), where the kill hook never comes. These check for a kill as they walk and
// otherwise answer as the library's. utf8.char and utf8.codepoint are bounded by the stack (a million
// values).
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the three functions in the utf8 table.
void openStoppableUtf8(lua_State* L);

} // namespace qelLua
