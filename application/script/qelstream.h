// io's stream record (luaL_Stream) as the host's io functions share it: a file is closed when its close
// function is null, and closing it calls that function, never a method a script can replace.
#pragma once

#include <lua.hpp>

#include <cstdio>

namespace qelLua {

// io's registry keys of the default files.
inline const char* const IO_INPUT = "_IO_input";
inline const char* const IO_OUTPUT = "_IO_output";

// Argument 1 as a file, open or closed; a Lua error when it is none.
luaL_Stream* toStream(lua_State* L);
// Argument 1 as an open file.
FILE* toFile(lua_State* L);
// Pushes the default file (IO_INPUT or IO_OUTPUT), which must be open.
FILE* defaultFile(lua_State* L, const char* which);
// Pushes a new file record with no stream yet, to be closed by close once it has one (as the library
// does, before anything is opened: what opens is then never left without an owner).
luaL_Stream* newStream(lua_State* L, lua_CFunction close);
// The close function of a file opened by name: fclose.
int closeOpened(lua_State* L);
// Closes the open file at index 1 through its own close function and returns its results.
int closeStream(lua_State* L);

} // namespace qelLua
