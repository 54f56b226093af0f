// The table is at index 1 and the comparison (or nil) at 2 throughout; values being compared sit on top of
// the stack, as in the library, so that a comparison that changes the table sees what the library's would.
#include "script/qelsort.h"

#include "script/qelloops.h"
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <climits>
#include <cstring>
#include <ctime>

namespace {

using Index = unsigned int;
constexpr Index RANDOM_LIMIT = 100; // smaller ranges take the middle element as their pivot

// The library's seed for pivots of large ranges, so that no fixed input makes every partition lopsided.
unsigned int randomizePivot() {
  const clock_t c = clock();
  const time_t t = time(nullptr);
  unsigned int words[(sizeof c + sizeof t) / sizeof(unsigned int)];
  std::memcpy(words, &c, sizeof c);
  std::memcpy(reinterpret_cast<char*>(words) + sizeof c, &t, sizeof t);
  unsigned int sum = 0;
  for (unsigned int word : words)
    sum += word;
  return sum;
}

struct Sort {
  lua_State* L;
  qelLua::KillCheck killCheck;

  // a[i] = top, a[j] = the value below it; both popped.
  void set2(Index i, Index j) {
    lua_seti(L, 1, i);
    lua_seti(L, 1, j);
  }

  // Whether the value at a is less than the one at b (negative indexes, before anything is pushed).
  bool less(int a, int b) {
    killCheck();
    if (lua_isnil(L, 2)) return lua_compare(L, a, b, LUA_OPLT);
    lua_pushvalue(L, 2);
    lua_pushvalue(L, a - 1);
    lua_pushvalue(L, b - 2);
    lua_call(L, 2, 1);
    const bool result = lua_toboolean(L, -1);
    lua_pop(L, 1);
    return result;
  }

  // With the pivot P on top and a[up - 1] == P.
  Index partition(Index lo, Index up) {
    Index i = lo;
    Index j = up - 1;
    for (;;) {
      while (lua_geti(L, 1, ++i), less(-1, -2)) {
        if (i == up - 1) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);
      }
      while (lua_geti(L, 1, --j), less(-3, -1)) {
        if (j < i) luaL_error(L, "invalid order function for sorting");
        lua_pop(L, 1);
      }
      if (j < i) {
        lua_pop(L, 1);
        set2(up - 1, i);
        return i;
      }
      set2(i, j);
    }
  }

  static Index choosePivot(Index lo, Index up, unsigned int random) {
    const Index quarter = (up - lo) / 4;
    return random % (quarter * 2) + (lo + quarter);
  }

  void sort(Index lo, Index up, unsigned int random) {
    while (lo < up) {
      lua_geti(L, 1, lo);
      lua_geti(L, 1, up);
      if (less(-1, -2))
        set2(lo, up);
      else
        lua_pop(L, 2);
      if (up - lo == 1) break;
      const Index middle =
          up - lo < RANDOM_LIMIT || random == 0 ? (lo + up) / 2 : choosePivot(lo, up, random);
      lua_geti(L, 1, middle);
      lua_geti(L, 1, lo);
      if (less(-2, -1)) {
        set2(middle, lo);
      } else {
        lua_pop(L, 1);
        lua_geti(L, 1, up);
        if (less(-1, -2))
          set2(middle, up);
        else
          lua_pop(L, 2);
      }
      if (up - lo == 2) break;
      lua_geti(L, 1, middle);
      lua_pushvalue(L, -1);
      lua_geti(L, 1, up - 1);
      set2(middle, up - 1);
      const Index p = partition(lo, up);
      Index smaller;
      // The smaller side by recursion, the larger by the loop, so the depth stays logarithmic.
      if (p - lo < up - p) {
        sort(lo, p - 1, random);
        smaller = p - lo;
        lo = p + 1;
      } else {
        sort(p + 1, up, random);
        smaller = up - p;
        up = p - 1;
      }
      if ((up - lo) / 128 > smaller) random = randomizePivot();
    }
  }
};

} // namespace

namespace qelLua {

int sortTable(lua_State* L) {
  checkTable(L, 1, TableAccess::READ | TableAccess::WRITE | TableAccess::LENGTH);
  const lua_Integer n = luaL_len(L, 1);
  if (n > 1) {
    luaL_argcheck(L, n < INT_MAX, 1, "array too big");
    if (!lua_isnoneornil(L, 2)) luaL_checktype(L, 2, LUA_TFUNCTION);
    lua_settop(L, 2);
    Sort{L, KillCheck(L)}.sort(1, Index(n), 0);
  }
  return 0;
}

} // namespace qelLua
