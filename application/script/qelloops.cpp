// Elements are read and written through lua_geti and lua_seti, so a table's __index and __newindex take part
// as in the library; a value that is no table must have the metamethods that the function uses.
#include "script/qelloops.h"

#include "script/qelsort.h"
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <climits>
#include <cstring>

namespace {

using qelLua::checkTable;
using qelLua::KillCheck;
namespace TableAccess = qelLua::TableAccess;

lua_Integer length(lua_State* L, unsigned access) {
  checkTable(L, 1, access | TableAccess::LENGTH);
  return luaL_len(L, 1);
}

// t[to] = t[from]
void copyElement(lua_State* L, int source, lua_Integer from, int target, lua_Integer to) {
  lua_geti(L, source, from);
  lua_seti(L, target, to);
}

// The library's string.rep with a kill check every so many pieces: one call may copy a one-byte piece two
// thousand million times.
int rep(lua_State* L) {
  size_t length = 0, separator = 0;
  const char* piece = luaL_checklstring(L, 1, &length);
  lua_Integer n = luaL_checkinteger(L, 2);
  const char* between = luaL_optlstring(L, 3, "", &separator);
  constexpr size_t MAX_SIZE = INT_MAX; // the library's bound on a result
  if (n <= 0 || (length == 0 && separator == 0)) {
    lua_pushliteral(L, "");
    return 1;
  }
  if (length + separator < length || length + separator > MAX_SIZE / size_t(n))
    return luaL_error(L, "resulting string too large");
  const size_t total = size_t(n) * length + size_t(n - 1) * separator;
  luaL_Buffer buffer;
  char* p = luaL_buffinitsize(L, &buffer, total);
  KillCheck killCheck(L, 1 << 16);
  while (n-- > 1) {
    killCheck();
    std::memcpy(p, piece, length);
    p += length;
    if (separator > 0) {
      std::memcpy(p, between, separator);
      p += separator;
    }
  }
  std::memcpy(p, piece, length);
  luaL_pushresultsize(&buffer, total);
  return 1;
}

void addField(lua_State* L, luaL_Buffer& buffer, lua_Integer i) {
  lua_geti(L, 1, i);
  if (!lua_isstring(L, -1))
    luaL_error(L, "invalid value (%s) at index %I in table for 'concat'", luaL_typename(L, -1),
               static_cast<LUAI_UACINT>(i));
  luaL_addvalue(&buffer);
}

// The library's table.concat with a kill check at every element: the range is the script's to choose.
int concat(lua_State* L) {
  lua_Integer last = length(L, TableAccess::READ);
  size_t separator = 0;
  const char* between = luaL_optlstring(L, 2, "", &separator);
  lua_Integer i = luaL_optinteger(L, 3, 1);
  last = luaL_optinteger(L, 4, last);
  luaL_Buffer buffer;
  luaL_buffinit(L, &buffer);
  KillCheck killCheck(L);
  for (; i < last; ++i) {
    killCheck();
    addField(L, buffer, i);
    luaL_addlstring(&buffer, between, separator);
  }
  if (i == last) addField(L, buffer, i);
  luaL_pushresult(&buffer);
  return 1;
}

int insert(lua_State* L) {
  const lua_Integer end = length(L, TableAccess::READ | TableAccess::WRITE) + 1; // the first free place
  lua_Integer at = end;
  switch (lua_gettop(L)) {
  case 2:
    break;
  case 3: {
    at = luaL_checkinteger(L, 2);
    luaL_argcheck(L, 1 <= at && at <= end, 2, "position out of bounds");
    KillCheck killCheck(L);
    for (lua_Integer i = end; i > at; --i) {
      killCheck();
      copyElement(L, 1, i - 1, 1, i);
    }
    break;
  }
  default:
    return luaL_error(L, "wrong number of arguments to 'insert'");
  }
  lua_seti(L, 1, at); // the value, on top
  return 0;
}

int remove(lua_State* L) {
  const lua_Integer size = length(L, TableAccess::READ | TableAccess::WRITE);
  lua_Integer at = luaL_optinteger(L, 2, size);
  if (at != size) luaL_argcheck(L, 1 <= at && at <= size + 1, 1, "position out of bounds");
  lua_geti(L, 1, at); // the result
  KillCheck killCheck(L);
  for (; at < size; ++at) {
    killCheck();
    copyElement(L, 1, at + 1, 1, at);
  }
  lua_pushnil(L);
  lua_seti(L, 1, at);
  return 1;
}

int move(lua_State* L) {
  const lua_Integer first = luaL_checkinteger(L, 2);
  const lua_Integer last = luaL_checkinteger(L, 3);
  const lua_Integer to = luaL_checkinteger(L, 4);
  const int target = lua_isnoneornil(L, 5) ? 1 : 5;
  checkTable(L, 1, TableAccess::READ);
  checkTable(L, target, TableAccess::WRITE);
  if (last >= first) {
    luaL_argcheck(L, first > 0 || last < LUA_MAXINTEGER + first, 3, "too many elements to move");
    const lua_Integer n = last - first + 1;
    luaL_argcheck(L, to <= LUA_MAXINTEGER - n + 1, 4, "destination wrap around");
    // Downwards when the ranges overlap with the destination above, so no element is read after it is
    // overwritten.
    const bool down = to > first && to <= last && (target == 1 || lua_compare(L, 1, target, LUA_OPEQ));
    KillCheck killCheck(L);
    for (lua_Integer i = 0; i < n; ++i) {
      killCheck();
      const lua_Integer k = down ? n - 1 - i : i;
      copyElement(L, 1, first + k, target, to + k);
    }
  }
  lua_pushvalue(L, target);
  return 1;
}

} // namespace

namespace qelLua {

void checkTable(lua_State* L, int arg, unsigned access) {
  if (lua_type(L, arg) == LUA_TTABLE) return;
  int pushed = 1;
  const auto has = [&](unsigned needed, const char* field) {
    if (!(access & needed)) return true;
    lua_pushstring(L, field);
    ++pushed;
    return lua_rawget(L, -pushed) != LUA_TNIL;
  };
  if (lua_getmetatable(L, arg) && has(TableAccess::READ, "__index") &&
      has(TableAccess::WRITE, "__newindex") && has(TableAccess::LENGTH, "__len")) {
    lua_pop(L, pushed);
    return;
  }
  luaL_checktype(L, arg, LUA_TTABLE);
}

void openStoppableLoops(lua_State* L) {
  lua_getglobal(L, "string");
  lua_pushcfunction(L, rep);
  lua_setfield(L, -2, "rep");
  static const luaL_Reg table[] = {{"insert", insert}, {"remove", remove},  {"move", move},
                                   {"concat", concat}, {"sort", sortTable}, {nullptr, nullptr}};
  lua_getglobal(L, "table");
  luaL_setfuncs(L, table, 0);
  lua_pop(L, 2);
}

} // namespace qelLua
