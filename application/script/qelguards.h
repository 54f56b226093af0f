// What the runner changes in a script's standard environment so that no script can crash the host or escape
// kill, while the libraries keep their documented behaviour: the debug library is gone (also from
// package.loaded), no C library can be loaded, chunks load as text only and stoppably (qelload), pcall,
// xpcall and resumes hand a kill on instead of catching it, a message handler of xpcall and a table's __gc
// finalizer return at once once the run is killed and otherwise run where the kill hook reaches them, the
// metatables of finalized types are hidden, os.exit raises an error instead of ending the program,
// os.setlocale tells a script the locale of its thread and changes none, a collection of a large heap checks
// for kill as it goes, and every resume of a coroutine is recorded, so that a kill can hook the coroutine
// that runs.
#pragma once

struct lua_State;

namespace qelLua {

// Called while the environment is set up (under a protected call), after every library is open.
void guardEnvironment(lua_State* L);

} // namespace qelLua
