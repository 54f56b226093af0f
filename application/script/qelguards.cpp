// The collector runs a finalizer, and Lua runs a message handler for an error raised in a hook, with hooks
// off: a loop there would never see the kill. So a table's finalizer is never given to the collector; a
// sentinel userdata of ours, kept beside the table in a weak-keyed registry table, is finalized in its
// place and calls the table's current __gc in a coroutine of its own, which the kill hook reaches.
#include "script/qelguards.h"

#include "script/qelload.h"
#include "script/qelsupport.h"
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <clocale>
#include <cstring>
#include <iterator>
#include <langinfo.h>

namespace {

const char* const FINALIZERS = "qel.Finalizers"; // table -> its sentinel, keys weak
const char* const SENTINEL = "qel.FinalizerSentinel";

int refuseExit(lua_State* L) {
  return luaL_error(L, "os.exit() is not available to scripts; return from the script to end it");
}

// Native code: a C library that a script loads (package.loadlib, or require along package.cpath) brings back
// what the runner took away (a fresh debug library, os.exit) or crashes the program. Lua modules, lfs and
// qel stay.
void noNativeCode(lua_State* L) {
  lua_getglobal(L, "package");
  lua_pushnil(L);
  lua_setfield(L, -2, "loadlib");
  lua_getfield(L, -1, "searchers");
  for (lua_Integer n = luaL_len(L, -1); n > 2; --n) { // 3 and 4: the searchers of C libraries
    lua_pushnil(L);
    lua_rawseti(L, -2, n);
  }
  lua_pop(L, 2);
}

// The name of a category of the locale of the calling thread, as setlocale names the program's: for LC_ALL
// one name when every category has it, else each category's, in the C library's order and form.
void pushLocaleName(lua_State* L, locale_t locale, int category) {
  if (category != LC_ALL) {
    lua_pushstring(L, nl_langinfo_l(_NL_LOCALE_NAME(category), locale));
    return;
  }
  static const struct {
    int category;
    const char* name;
  } categories[] = {{LC_CTYPE, "LC_CTYPE"},
                    {LC_NUMERIC, "LC_NUMERIC"},
                    {LC_TIME, "LC_TIME"},
                    {LC_COLLATE, "LC_COLLATE"},
                    {LC_MONETARY, "LC_MONETARY"},
                    {LC_MESSAGES, "LC_MESSAGES"},
                    {LC_PAPER, "LC_PAPER"},
                    {LC_NAME, "LC_NAME"},
                    {LC_ADDRESS, "LC_ADDRESS"},
                    {LC_TELEPHONE, "LC_TELEPHONE"},
                    {LC_MEASUREMENT, "LC_MEASUREMENT"},
                    {LC_IDENTIFICATION, "LC_IDENTIFICATION"}};
  const char* first = nl_langinfo_l(_NL_LOCALE_NAME(LC_CTYPE), locale);
  const bool one = std::all_of(std::begin(categories), std::end(categories), [&](auto const& c) {
    return std::strcmp(nl_langinfo_l(_NL_LOCALE_NAME(c.category), locale), first) == 0;
  });
  if (one) {
    lua_pushstring(L, first);
    return;
  }
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (auto const& c : categories) {
    if (&c != categories) luaL_addchar(&b, ';');
    luaL_addstring(&b, c.name);
    luaL_addchar(&b, '=');
    luaL_addstring(&b, nl_langinfo_l(_NL_LOCALE_NAME(c.category), locale));
  }
  luaL_pushresult(&b);
}

// The locale is the program's, and its saved files need "C" numbers: a script may ask what it is, but not
// change it. It is told the locale of its own thread, which the runner made to collate in byte order. A
// change is answered with nil, Lua's answer for a locale it cannot set, unless it asks for the locale already
// set. Upvalue 1: the library's os.setlocale, which tells the program's locale, for a thread that has none
// of its own.
int setlocale(lua_State* L) {
  static const char* const names[] = {"all", "collate", "ctype", "monetary", "numeric", "time", nullptr};
  static const int categories[] = {LC_ALL, LC_COLLATE, LC_CTYPE, LC_MONETARY, LC_NUMERIC, LC_TIME};
  const char* wanted = luaL_optstring(L, 1, nullptr);
  const int category = categories[luaL_checkoption(L, 2, "all", names)];
  const locale_t locale = uselocale(locale_t(0));
  if (locale == LC_GLOBAL_LOCALE) {
    lua_settop(L, 2);
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_pushnil(L);
    lua_pushvalue(L, 2);
    lua_call(L, 2, 1);
  } else {
    pushLocaleName(L, locale, category);
  }
  if (wanted && (lua_type(L, -1) != LUA_TSTRING || std::strcmp(wanted, lua_tostring(L, -1)) != 0))
    lua_pushnil(L);
  return 1;
}

// pcall and xpcall: a kill is not caught. Once the run is killed they hand on whatever ended the call (the
// kill, or a step that the starved state refused) as the kill, and the message handler of xpcall is not
// called, so that nothing of the script runs after the kill. ------------------------------------------------

int messageHandler(lua_State* L) {
  if (qelLua::killRequested(L)) return 1; // the error as it is
  lua_pushvalue(L, lua_upvalueindex(1));
  lua_insert(L, 1);
  lua_call(L, lua_gettop(L) - 1, 1);
  return 1;
}

// As the library's: true and the results, or false and the error object.
int afterPcall(lua_State* L, int status, lua_KContext extra) {
  qelLua::checkKill(L);
  if (status != LUA_OK && status != LUA_YIELD) {
    lua_pushboolean(L, 0);
    lua_pushvalue(L, -2);
    return 2;
  }
  return lua_gettop(L) - int(extra);
}

int pcall(lua_State* L) {
  luaL_checkany(L, 1);
  qelLua::checkKill(L);
  lua_pushboolean(L, 1);
  lua_insert(L, 1);
  const int status = lua_pcallk(L, lua_gettop(L) - 2, LUA_MULTRET, 0, 0, afterPcall);
  return afterPcall(L, status, 0);
}

int xpcall(lua_State* L) {
  const int n = lua_gettop(L);
  luaL_checktype(L, 2, LUA_TFUNCTION);
  qelLua::checkKill(L);
  lua_pushvalue(L, 2);
  lua_pushcclosure(L, messageHandler, 1);
  lua_replace(L, 2);
  lua_pushboolean(L, 1);
  lua_pushvalue(L, 1);
  lua_rotate(L, 3, 2);
  const int status = lua_pcallk(L, n - 2, LUA_MULTRET, 2, 2, afterPcall);
  return afterPcall(L, status, 2);
}

// collectgarbage: one full collection of a large heap takes seconds, in one call.
// -------------------------------

constexpr int LARGE_HEAP_KB = 128 << 10; // below it, a full collection takes a few tens of milliseconds
constexpr int STEP_KB = 4 << 10;         // work between kill checks
constexpr lua_Integer STEP_LIMIT_KB = 1 << 30;

// Upvalue 1: the library's collectgarbage, which a small heap and every other option go to. Over a large heap
// "collect" ends the cycle under way and then runs a whole one, and "step" does its work, a piece at a time
// with kill checks between them: the same work and results, since "collect" answers 0 and "step" whether a
// cycle ended.
int collectgarbage(lua_State* L) {
  static const char* const options[] = {"stop",     "restart",    "collect",   "count", "step",
                                        "setpause", "setstepmul", "isrunning", nullptr};
  const int option = luaL_checkoption(L, 1, "collect", options);
  const bool collect = option == 2, step = option == 4;
  const lua_Integer work = luaL_optinteger(L, 2, 0);
  if ((!collect && !step) || lua_gc(L, LUA_GCCOUNT, 0) < LARGE_HEAP_KB || (step && work <= STEP_KB)) {
    lua_pushvalue(L, lua_upvalueindex(1));
    lua_insert(L, 1);
    lua_call(L, lua_gettop(L) - 1, LUA_MULTRET);
    return lua_gettop(L);
  }
  if (collect) {
    for (int cycles = 0; cycles < 2;) {
      qelLua::checkKill(L);
      if (lua_gc(L, LUA_GCSTEP, STEP_KB)) ++cycles;
    }
    lua_pushinteger(L, 0);
    return 1;
  }
  bool ended = false;
  for (lua_Integer left = std::min(work, STEP_LIMIT_KB); left > 0 && !ended; left -= STEP_KB) {
    qelLua::checkKill(L);
    ended = lua_gc(L, LUA_GCSTEP, int(std::min<lua_Integer>(left, STEP_KB)));
  }
  lua_pushboolean(L, ended);
  return 1;
}

void stoppableCollector(lua_State* L) {
  lua_getglobal(L, "collectgarbage");
  lua_pushcclosure(L, collectgarbage, 1);
  lua_setglobal(L, "collectgarbage");
}

// Coroutines: the runner hooks the coroutine that runs when the kill comes, so each resume records it; a
// coroutine that the kill ended hands the kill on to its resumer.
// ---------------------------------------------

// As the library's: the results of the resume (or the error object) moved to L; -1 for an error.
int resumeCoroutine(lua_State* L, lua_State* co, int arguments) {
  qelLua::checkKill(L);
  if (!lua_checkstack(co, arguments)) {
    lua_pushliteral(L, "too many arguments to resume");
    return -1;
  }
  if (lua_status(co) == LUA_OK && lua_gettop(co) == 0) {
    lua_pushliteral(L, "cannot resume dead coroutine");
    return -1;
  }
  lua_xmove(L, co, arguments);
  const int status = qelLua::resume(co, L, arguments);
  qelLua::checkKill(L);
  if (status != LUA_OK && status != LUA_YIELD) {
    lua_xmove(co, L, 1);
    return -1;
  }
  const int results = lua_gettop(co);
  if (!lua_checkstack(L, results + 1)) {
    lua_pop(co, results);
    lua_pushliteral(L, "too many results to resume");
    return -1;
  }
  lua_xmove(co, L, results);
  return results;
}

lua_State* checkCoroutine(lua_State* L, int index) {
  lua_State* co = lua_tothread(L, index);
  luaL_argcheck(L, co, index, "thread expected");
  return co;
}

int resume(lua_State* L) {
  lua_State* co = checkCoroutine(L, 1);
  const int results = resumeCoroutine(L, co, lua_gettop(L) - 1);
  if (results < 0) {
    lua_pushboolean(L, 0);
    lua_insert(L, -2);
    return 2;
  }
  lua_pushboolean(L, 1);
  lua_insert(L, -(results + 1));
  return results + 1;
}

int resumeWrapped(lua_State* L) {
  lua_State* co = lua_tothread(L, lua_upvalueindex(1));
  const int results = resumeCoroutine(L, co, lua_gettop(L));
  if (results >= 0) return results;
  if (lua_type(L, -1) == LUA_TSTRING) { // where the error came from, as the library says it
    luaL_where(L, 1);
    lua_insert(L, -2);
    lua_concat(L, 2);
  }
  return lua_error(L);
}

int wrap(lua_State* L) {
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_State* co = lua_newthread(L);
  lua_pushvalue(L, 1);
  lua_xmove(L, co, 1);
  lua_pushcclosure(L, resumeWrapped, 1);
  return 1;
}

void recordResumes(lua_State* L) {
  lua_getglobal(L, "coroutine");
  lua_pushcfunction(L, resume);
  lua_setfield(L, -2, "resume");
  lua_pushcfunction(L, wrap);
  lua_setfield(L, -2, "wrap");
  lua_pop(L, 1);
}

// Finalizers of tables. -------------------------------------------------------------------------------------

// The sentinel's __gc: calls the table's __gc unless the run is killed or a later setmetatable replaced it.
int runFinalizer(lua_State* L) {
  lua_settop(L, 1);
  lua_getuservalue(L, 1);                         // 2: the table
  lua_getfield(L, LUA_REGISTRYINDEX, FINALIZERS); // 3
  lua_pushvalue(L, 2);
  lua_rawget(L, 3); // 4: the table's sentinel
  if (!lua_rawequal(L, 4, 1) || qelLua::killRequested(L) || !lua_getmetatable(L, 2)) return 0;
  lua_pushliteral(L, "__gc");
  if (lua_rawget(L, 5) != LUA_TFUNCTION) return 0; // 6
  lua_State* co = lua_newthread(L);                // inherits the kill hook, with hooks on
  lua_pushvalue(L, 6);
  lua_pushvalue(L, 2);
  lua_xmove(L, co, 2);
  const int status = qelLua::resume(co, L, 1);
  if (status == LUA_OK || status == LUA_YIELD || qelLua::killRequested(L)) return 0;
  lua_xmove(co, L, 1);
  return lua_error(L); // the collector reports it as an error in a __gc metamethod
}

// The library's setmetatable, except that a __gc of the metatable is hidden while the metatable is set, so
// the collector does not mark the table for finalization; a sentinel takes its place.
int setmetatable(lua_State* L) {
  const int type = lua_type(L, 2);
  luaL_checktype(L, 1, LUA_TTABLE);
  luaL_argcheck(L, type == LUA_TNIL || type == LUA_TTABLE, 2, "nil or table expected");
  if (luaL_getmetafield(L, 1, "__metatable") != LUA_TNIL)
    return luaL_error(L, "cannot change a protected metatable");
  lua_settop(L, 2);
  lua_pushliteral(L, "__gc"); // 3
  lua_pushvalue(L, 3);
  if (type != LUA_TTABLE || lua_rawget(L, 2) == LUA_TNIL) { // 4: the finalizer
    lua_settop(L, 2);
    lua_setmetatable(L, 1);
    return 1;
  }
  // Nothing below allocates until __gc is back: a collection step could run a finalizer that sees it gone.
  lua_pushvalue(L, 3);
  lua_pushnil(L);
  lua_rawset(L, 2);
  lua_pushvalue(L, 2);
  lua_setmetatable(L, 1);
  lua_pushvalue(L, 3);
  lua_pushvalue(L, 4);
  lua_rawset(L, 2);
  lua_settop(L, 1);
  lua_newuserdata(L, 0);
  lua_pushvalue(L, 1);
  lua_setuservalue(L, -2);
  luaL_setmetatable(L, SENTINEL);
  lua_getfield(L, LUA_REGISTRYINDEX, FINALIZERS);
  lua_pushvalue(L, 1);
  lua_pushvalue(L, -3);
  lua_rawset(L, -3);
  lua_settop(L, 1);
  return 1;
}

void replaceSetmetatable(lua_State* L) {
  lua_newtable(L);
  lua_createtable(L, 0, 1);
  lua_pushliteral(L, "k");
  lua_setfield(L, -2, "__mode");
  lua_setmetatable(L, -2);
  lua_setfield(L, LUA_REGISTRYINDEX, FINALIZERS);
  luaL_newmetatable(L, SENTINEL);
  lua_pushcfunction(L, runFinalizer);
  lua_setfield(L, -2, "__gc");
  lua_pop(L, 1);
  lua_pushcfunction(L, setmetatable);
  lua_setglobal(L, "setmetatable");
}

// Hides every metatable that the libraries registered by name (io's files, lfs's folders and locks).
void protectLibraryMetatables(lua_State* L) {
  for (lua_pushnil(L); lua_next(L, LUA_REGISTRYINDEX); lua_pop(L, 1)) {
    if (lua_type(L, -2) != LUA_TSTRING || !lua_istable(L, -1)) continue;
    const bool named = lua_getfield(L, -1, "__name") == LUA_TSTRING && lua_rawequal(L, -1, -3);
    lua_pop(L, 1);
    if (named) qelLua::protectMetatable(L, -1);
  }
}

} // namespace

namespace qelLua {

void guardEnvironment(lua_State* L) {
  lua_pushnil(L);
  lua_setglobal(L, "debug");
  // Also out of package.loaded: it can overwrite the registry and confuse types, which crashes the host.
  luaL_getsubtable(L, LUA_REGISTRYINDEX, LUA_LOADED_TABLE);
  lua_pushnil(L);
  lua_setfield(L, -2, "debug");
  lua_pop(L, 1);
  // os.exit would end the whole program, not just the script.
  lua_getglobal(L, "os");
  lua_pushcfunction(L, refuseExit);
  lua_setfield(L, -2, "exit");
  lua_getfield(L, -1, "setlocale");
  lua_pushcclosure(L, setlocale, 1);
  lua_setfield(L, -2, "setlocale");
  lua_pop(L, 1);
  noNativeCode(L);
  qelLua::openStoppableLoading(L);
  lua_pushcfunction(L, pcall);
  lua_setglobal(L, "pcall");
  lua_pushcfunction(L, xpcall);
  lua_setglobal(L, "xpcall");
  replaceSetmetatable(L);
  recordResumes(L);
  stoppableCollector(L);
  protectLibraryMetatables(L);
}

} // namespace qelLua
