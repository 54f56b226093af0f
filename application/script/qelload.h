// load, loadfile, dofile, package.searchpath and the searcher of Lua modules for scripts: chunks load as
// text only (a binary chunk can crash the virtual machine), and the parser, which no hook reaches, gets its
// chunk a piece at a time with a kill check before each piece. A chunk of a thousand million bytes, or a
// short one that makes the parser's work grow with every token (a chain of a hundred thousand 'and's takes
// it seconds), is stopped by a kill; so is a search along a long path. A load stopped by the kill, also one
// whose reader function was killed, hands the kill on rather than answering nil and a message.
#pragma once

struct lua_State;

namespace qelLua {

// Replaces load, loadfile, dofile, package.searchpath and the second of package.searchers.
void openStoppableLoading(lua_State* L);

} // namespace qelLua
