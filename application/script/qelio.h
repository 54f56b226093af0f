// The io library made stoppable and safe: its functions and file methods check for a kill before and after a
// call that may block (a read, open or wait that the kill interrupted returns at once), open paths only as
// qelopen allows, and close files through their own close function, never a method a script can replace;
// os.execute and io.popen are qelcommands'. Otherwise they answer as the library's, errors included.
#pragma once

struct lua_State;

namespace qelLua {

// Called while the environment is set up (under a protected call), after the io and os libraries are open
// and before their metatables are hidden.
void openStoppableIo(lua_State* L);

} // namespace qelLua
