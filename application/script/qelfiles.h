// Reading and writing files for scripts: io.read, io.lines, io.write and the read, lines and write methods
// of files. The library reads a line or a whole file, and writes a string, in one call into the C library,
// which a line of a thousand million bytes, or a disk slow to take them, keeps busy for seconds where no
// kill reaches. These read and write a piece at a time with a kill check before each, and after a read that
// the kill's signal interrupted, and otherwise answer as the library's.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces the six functions; after qelio's functions are in place.
void openStoppableFiles(lua_State* L);

} // namespace qelLua
