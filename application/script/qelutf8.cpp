// Positions are as the library's: 1-based in arguments and results, negative ones counted from the end.
#include "script/qelutf8.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

namespace {

using qelLua::KillCheck;

constexpr unsigned MAX_UNICODE = 0x10FFFF;
constexpr unsigned CHECK_EVERY = 1 << 16; // bytes or characters between kill checks

bool continuation(const char* p) {
  return (static_cast<unsigned char>(*p) & 0xC0) == 0x80;
}

lua_Integer relative(lua_Integer position, size_t length) {
  if (position >= 0) return position;
  if (0u - size_t(position) > length) return 0;
  return lua_Integer(length) + position + 1;
}

// The end of the UTF-8 sequence at s, with its code in *code; null when it is malformed or overlong. The
// string's terminating zero stops a sequence cut short at its end.
const char* decode(const char* s, unsigned* code) {
  static const unsigned LIMITS[] = {0xFF, 0x7F, 0x7FF, 0xFFFF}; // the largest code that needs fewer bytes
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  unsigned c = p[0];
  unsigned result = c;
  if (c >= 0x80) {
    result = 0;
    int count = 0;
    for (; c & 0x40; c <<= 1) {
      const unsigned next = p[++count];
      if ((next & 0xC0) != 0x80) return nullptr;
      result = (result << 6) | (next & 0x3F);
    }
    result |= (c & 0x7F) << (count * 5);
    if (count > 3 || result > MAX_UNICODE || result <= LIMITS[count]) return nullptr;
    p += count;
  }
  if (code) *code = result;
  return reinterpret_cast<const char*>(p) + 1;
}

// utf8.len(s [, i [, j]]): the characters that start in [i, j], or nil and the position of the first
// malformed one.
int len(lua_State* L) {
  size_t length = 0;
  const char* s = luaL_checklstring(L, 1, &length);
  lua_Integer at = relative(luaL_optinteger(L, 2, 1), length);
  lua_Integer last = relative(luaL_optinteger(L, 3, -1), length);
  luaL_argcheck(L, 1 <= at && --at <= lua_Integer(length), 2, "initial position out of string");
  luaL_argcheck(L, --last < lua_Integer(length), 3, "final position out of string");
  lua_Integer n = 0;
  KillCheck killCheck(L, CHECK_EVERY);
  while (at <= last) {
    killCheck();
    const char* next = decode(s + at, nullptr);
    if (!next) {
      lua_pushnil(L);
      lua_pushinteger(L, at + 1);
      return 2;
    }
    at = next - s;
    ++n;
  }
  lua_pushinteger(L, n);
  return 1;
}

// utf8.offset(s, n [, i]): where the n-th character counted from i starts (0: the one i is in), or nil.
int offset(lua_State* L) {
  size_t length = 0;
  const char* s = luaL_checklstring(L, 1, &length);
  lua_Integer n = luaL_checkinteger(L, 2);
  lua_Integer at = relative(luaL_optinteger(L, 3, n >= 0 ? 1 : lua_Integer(length) + 1), length);
  luaL_argcheck(L, 1 <= at && --at <= lua_Integer(length), 3, "position out of range");
  KillCheck killCheck(L, CHECK_EVERY);
  if (n == 0) {
    while (at > 0 && continuation(s + at)) {
      killCheck();
      --at;
    }
  } else if (continuation(s + at)) {
    return luaL_error(L, "initial position is a continuation byte");
  } else if (n < 0) {
    for (; n < 0 && at > 0; ++n) {
      do {
        killCheck();
        --at;
      } while (at > 0 && continuation(s + at));
    }
  } else {
    for (--n; n > 0 && at < lua_Integer(length); --n) {
      do {
        killCheck();
        ++at;
      } while (continuation(s + at)); // the terminating zero ends a run at the end
    }
  }
  if (n == 0)
    lua_pushinteger(L, at + 1);
  else
    lua_pushnil(L);
  return 1;
}

// The iterator of utf8.codes: after the character at position 2, the next one's position and code.
int nextCode(lua_State* L) {
  size_t length = 0;
  const char* s = luaL_checklstring(L, 1, &length);
  lua_Integer at = lua_tointeger(L, 2) - 1;
  if (at < 0) {
    at = 0;
  } else if (at < lua_Integer(length)) {
    KillCheck killCheck(L, CHECK_EVERY);
    do {
      killCheck();
      ++at;
    } while (continuation(s + at));
  }
  if (at >= lua_Integer(length)) return 0;
  unsigned code = 0;
  const char* next = decode(s + at, &code);
  if (!next || continuation(next)) return luaL_error(L, "invalid UTF-8 code");
  lua_pushinteger(L, at + 1);
  lua_pushinteger(L, code);
  return 2;
}

int codes(lua_State* L) {
  luaL_checkstring(L, 1);
  lua_pushcfunction(L, nextCode);
  lua_pushvalue(L, 1);
  lua_pushinteger(L, 0);
  return 3;
}

} // namespace

namespace qelLua {

void openStoppableUtf8(lua_State* L) {
  static const luaL_Reg functions[] = {
      {"len", len}, {"offset", offset}, {"codes", codes}, {nullptr, nullptr}};
  lua_getglobal(L, "utf8");
  luaL_setfuncs(L, functions, 0);
  lua_pop(L, 1);
}

} // namespace qelLua
