// The one way a script's path becomes an open file (io.open, io.input, io.output, io.lines). A path is
// resolved once: what it leads to is opened with O_PATH, which opens no pipe, socket or device, that
// descriptor is checked, and the file is opened in the script's mode through it, so no folder change, link
// turned or finalizer between the check and the open can change which file opens.
//
// Refused for writing: every file on /proc, where the program's own memory is a file (/proc/self/mem) that
// a write changes, code included; and whatever has no name of its own (a pipe, a socket, an event
// descriptor), which a path reaches only through a descriptor link of a process (/proc/<pid>/fd/N,
// /dev/fd/N): one byte into the program's signal pipe would end it. Neither is ever opened in a mode
// that writes.
#pragma once

#include <cstdio>

struct lua_State;

namespace qelLua {

// Whether mode is one that io.open takes ("r", "w", "a", each with an optional "+", then any "b"s).
bool validOpenMode(const char* mode);

// Opens path in mode (valid). Null with errno set when it cannot, EACCES for a file on /proc opened to
// write; a Lua error, with nothing opened, for a pipe, socket or event descriptor opened to write.
FILE* openForScript(lua_State* L, const char* path, const char* mode);

// Pushes a new file record and opens path in mode (valid) into it, with a kill check before and after (an
// open that the kill's signal interrupted returns at once); false, with errno set, when it did not open.
// The record is made before the path is looked at: a finalizer that its allocation runs cannot move the
// folder a relative path is resolved in.
bool openNewStream(lua_State* L, const char* path, const char* mode);

} // namespace qelLua
