// os.execute and io.popen: the shell runs in a process group of its own, which a kill ends while the script
// waits for it. A command that has left that group is ended by its own process id too; one still there
// half a second after the kill is left to a thread of its own to be reaped, so the run ends on time and no
// zombie stays. A popen stream is io's own stream record with the child's process id behind it.
#pragma once

struct lua_State;

namespace qelLua {

int execute(lua_State* L);
int popen(lua_State* L);

} // namespace qelLua
