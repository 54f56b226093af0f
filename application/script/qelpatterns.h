// string.find, string.match, string.gmatch and string.gsub for scripts: Lua 5.3's pattern matching, with a
// kill check every 65,536 units of work. A pattern that backtracks runs in C for as long as it likes (hours
// for ("a"):rep(1e5):find(".-.-.-b")), where the kill hook never comes; these stop when the script is killed.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the four functions in the string table (also reached as methods of strings).
void openStoppablePatterns(lua_State* L);

} // namespace qelLua
