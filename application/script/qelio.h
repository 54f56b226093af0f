// The blocking calls of the io and os libraries, made stoppable: every io function and file method checks
// for a kill before and after it runs (a read that the kill interrupted returns at once), and os.execute and
// io.popen run their shell in a process group of its own, which a kill ends while the script waits for it.
// Results are those of the libraries, except that no file on /proc opens for writing (the program's own
// memory is one), and a path that leads to a pipe, socket or event descriptor (through a process's
// descriptor links) raises an error when opened for writing: the program's own signal pipe is one.
#pragma once

struct lua_State;

namespace qelLua {

// Called while the environment is set up (under a protected call), after the io and os libraries are open.
void openStoppableIo(lua_State* L);

} // namespace qelLua
