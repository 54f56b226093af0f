// table.sort for scripts: the library's quicksort, with the same comparisons in the same order, the same
// errors and the same choice of pivots, and a kill check as it partitions. A sort of twenty million numbers
// is one call, which the kill hook never reaches.
#pragma once

struct lua_State;

namespace qelLua {

// table.sort(list [, comp]).
int sortTable(lua_State* L);

} // namespace qelLua
