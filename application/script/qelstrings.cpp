// A kill check at least every PIECE bytes of input and every CHECK_EVERY conversions. The conversions are the
// C library's (snprintf, strftime) in the program's locale, item by item, as in the library.
#include "script/qelstrings.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <cctype>
#include <cfloat>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

using qelLua::checkKill;
using qelLua::KillCheck;

constexpr size_t PIECE = 1 << 16;

inline int uchar(char c) {
  return static_cast<unsigned char>(c);
}

// reverse, lower, upper: the result is as long as the string, made a piece at a time.
template <typename Change> int remake(lua_State* L, Change change) {
  size_t length = 0;
  const char* s = luaL_checklstring(L, 1, &length);
  luaL_Buffer b;
  char* out = luaL_buffinitsize(L, &b, length);
  for (size_t done = 0; done < length; done += PIECE) {
    checkKill(L);
    change(s, out, done, std::min(length, done + PIECE), length);
  }
  luaL_pushresultsize(&b, length);
  return 1;
}

int reverse(lua_State* L) {
  return remake(L, [](const char* s, char* out, size_t from, size_t to, size_t length) {
    for (size_t i = from; i < to; ++i)
      out[i] = s[length - 1 - i];
  });
}

// Each byte through a table of the C library's for the current locale, read once: tolower and toupper
// would be a call a byte.
int mapped(lua_State* L, const int32_t* table) {
  return remake(L, [table](const char* s, char* out, size_t from, size_t to, size_t) {
    for (size_t i = from; i < to; ++i)
      out[i] = char(table[uchar(s[i])]);
  });
}

int lower(lua_State* L) {
  return mapped(L, *__ctype_tolower_loc());
}

int upper(lua_State* L) {
  return mapped(L, *__ctype_toupper_loc());
}

// string.format. --------------------------------------------------------------------------------------------

constexpr size_t MAX_ITEM = 120 + DBL_MAX_10_EXP; // the longest item: format('%99.99f', -DBL_MAX)
constexpr size_t MAX_FORMAT = 32;                 // the longest directive, such as "%-099.99lld"
const char* const FLAGS = "-+ #0";

// A string as a Lua literal: quotes, backslashes and line ends escaped, other control characters as
// decimal escapes (three digits before a digit).
void addQuoted(lua_State* L, luaL_Buffer& b, const char* s, size_t length) {
  KillCheck killCheck(L, PIECE);
  luaL_addchar(&b, '"');
  for (const char* end = s + length; s < end; ++s) {
    killCheck();
    if (*s == '"' || *s == '\\' || *s == '\n') {
      luaL_addchar(&b, '\\');
      luaL_addchar(&b, *s);
    } else if (std::iscntrl(uchar(*s))) {
      char escape[10];
      std::snprintf(escape, sizeof escape, std::isdigit(uchar(s[1])) ? "\\%03d" : "\\%d", uchar(*s));
      luaL_addstring(&b, escape);
    } else {
      luaL_addchar(&b, *s);
    }
  }
  luaL_addchar(&b, '"');
}

// %q: the value at arg as a literal that reads back as the same value.
void addLiteral(lua_State* L, luaL_Buffer& b, int arg) {
  switch (lua_type(L, arg)) {
  case LUA_TSTRING: {
    size_t length = 0;
    const char* s = lua_tolstring(L, arg, &length);
    addQuoted(L, b, s, length);
    break;
  }
  case LUA_TNUMBER: {
    char* out = luaL_prepbuffsize(&b, MAX_ITEM);
    int n = 0;
    if (!lua_isinteger(L, arg)) {
      n = std::snprintf(out, MAX_ITEM, "%a", double(lua_tonumber(L, arg)));
      // A locale's decimal point becomes a dot, which Lua reads in every locale.
      const char point = std::localeconv()->decimal_point[0];
      char* p =
          std::memchr(out, '.', size_t(n)) ? nullptr : static_cast<char*>(std::memchr(out, point, size_t(n)));
      if (p) *p = '.';
    } else {
      const lua_Integer i = lua_tointeger(L, arg);
      n = std::snprintf(out, MAX_ITEM, i == LUA_MININTEGER ? "0x%llx" : "%lld", static_cast<long long>(i));
    }
    luaL_addsize(&b, size_t(n));
    break;
  }
  case LUA_TNIL:
  case LUA_TBOOLEAN:
    luaL_tolstring(L, arg, nullptr);
    luaL_addvalue(&b);
    break;
  default:
    luaL_argerror(L, arg, "value has no literal form");
  }
}

// Copies the directive after '%' at s into form (as "%..."): flags, two digits of width and of
// precision at most; returns its conversion character.
const char* scanDirective(lua_State* L, const char* s, char* form) {
  const char* p = s;
  while (*p != '\0' && std::strchr(FLAGS, *p))
    ++p;
  if (size_t(p - s) >= std::strlen(FLAGS) + 1) luaL_error(L, "invalid format (repeated flags)");
  for (int i = 0; i < 2 && std::isdigit(uchar(*p)); ++i)
    ++p;
  if (*p == '.') {
    ++p;
    for (int i = 0; i < 2 && std::isdigit(uchar(*p)); ++i)
      ++p;
  }
  if (std::isdigit(uchar(*p))) luaL_error(L, "invalid format (width or precision too long)");
  *form++ = '%';
  std::memcpy(form, s, size_t(p - s) + 1);
  form[p - s + 1] = '\0';
  return p;
}

// Inserts a length modifier before the conversion character at the end of form.
void addLength(char* form, const char* modifier) {
  const size_t length = std::strlen(form);
  const char conversion = form[length - 1];
  std::strcpy(form + length - 1, modifier);
  const size_t end = std::strlen(form);
  form[end] = conversion;
  form[end + 1] = '\0';
}

// %s: the whole string when there is no modifier, or no precision and a hundred bytes or more; otherwise
// formatted (and then it may hold no zero).
int addString(lua_State* L, luaL_Buffer& b, int arg, char* out, const char* form) {
  size_t length = 0;
  const char* s = luaL_tolstring(L, arg, &length);
  if (form[2] == '\0') {
    luaL_addvalue(&b);
    return 0;
  }
  luaL_argcheck(L, length == std::strlen(s), arg, "string contains zeros");
  if (!std::strchr(form, '.') && length >= 100) {
    luaL_addvalue(&b);
    return 0;
  }
  const int n = std::snprintf(out, MAX_ITEM, form, s);
  lua_pop(L, 1);
  return n;
}

// One item, for the argument at arg of the last one at top; s is its directive after '%'. Returns what
// follows it.
const char* addItem(lua_State* L, luaL_Buffer& b, const char* s, int arg, int top) {
  char form[MAX_FORMAT];
  char* out = luaL_prepbuffsize(&b, MAX_ITEM);
  if (arg > top) luaL_argerror(L, arg, "no value");
  s = scanDirective(L, s, form);
  int n = 0;
  switch (*s++) {
  case 'c':
    n = std::snprintf(out, MAX_ITEM, form, int(luaL_checkinteger(L, arg)));
    break;
  case 'd':
  case 'i':
  case 'o':
  case 'u':
  case 'x':
  case 'X': {
    const lua_Integer i = luaL_checkinteger(L, arg);
    addLength(form, LUA_INTEGER_FRMLEN);
    n = std::snprintf(out, MAX_ITEM, form, static_cast<LUAI_UACINT>(i));
    break;
  }
  case 'a':
  case 'A':
  case 'e':
  case 'E':
  case 'f':
  case 'g':
  case 'G': {
    const lua_Number x = luaL_checknumber(L, arg);
    addLength(form, LUA_NUMBER_FRMLEN);
    n = std::snprintf(out, MAX_ITEM, form, static_cast<LUAI_UACNUMBER>(x));
    break;
  }
  case 'q':
    addLiteral(L, b, arg);
    break;
  case 's':
    n = addString(L, b, arg, out, form);
    break;
  default:
    luaL_error(L, "invalid option '%%%c' to 'format'", *(s - 1));
  }
  luaL_addsize(&b, size_t(n));
  return s;
}

// The text from s up to the next '%', at most a piece of it, so that a kill check comes between pieces.
const char* addText(luaL_Buffer& b, const char* s, const char* end) {
  const size_t n = std::min(size_t(end - s), PIECE);
  const char* escape = static_cast<const char*>(std::memchr(s, '%', n));
  const char* run = escape ? escape : s + n;
  luaL_addlstring(&b, s, size_t(run - s));
  return run;
}

int format(lua_State* L) {
  size_t length = 0;
  const char* s = luaL_checklstring(L, 1, &length);
  const char* end = s + length;
  int arg = 1;
  // Taken before the buffer, whose block joins the stack above the arguments once it outgrows its own.
  const int top = lua_gettop(L);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  KillCheck killCheck(L, 1 << 10);
  while (s < end) {
    killCheck();
    if (*s != '%') {
      s = addText(b, s, end);
    } else if (*++s == '%') {
      luaL_addchar(&b, *s++);
    } else {
      s = addItem(L, b, s, ++arg, top);
    }
  }
  luaL_pushresult(&b);
  return 1;
}

// os.date. --------------------------------------------------------------------------------------------------

// The conversions of C99 that strftime takes: of one character, then of two.
const char* const ONE_CHARACTER = "aAbBcCdDeFgGhHIjmMnprRStTuUVwWxXyYzZ%";
const char* const TWO_CHARACTERS = "EcECExEXEyEYOdOeOHOIOmOMOSOuOUOVOwOWOy";
constexpr size_t MAX_TIME_ITEM = 250;

// Copies the conversion at s (after '%', left bytes before the end) into conversion as "%..."; returns
// what follows it.
const char* checkConversion(lua_State* L, const char* s, size_t left, char* conversion) {
  conversion[0] = '%';
  if (left >= 1 && *s != '\0' && std::strchr(ONE_CHARACTER, *s)) {
    conversion[1] = *s;
    conversion[2] = '\0';
    return s + 1;
  }
  for (const char* option = TWO_CHARACTERS; left >= 2 && *option; option += 2) {
    if (std::memcmp(s, option, 2) == 0) {
      std::memcpy(conversion + 1, s, 2);
      conversion[3] = '\0';
      return s + 2;
    }
  }
  luaL_argerror(L, 1, lua_pushfstring(L, "invalid conversion specifier '%%%s'", s));
  return s;
}

void setField(lua_State* L, const char* key, lua_Integer value) {
  lua_pushinteger(L, value);
  lua_setfield(L, -2, key);
}

void setTimeFields(lua_State* L, std::tm const& tm) {
  lua_createtable(L, 0, 9);
  setField(L, "sec", tm.tm_sec);
  setField(L, "min", tm.tm_min);
  setField(L, "hour", tm.tm_hour);
  setField(L, "day", tm.tm_mday);
  setField(L, "month", tm.tm_mon + 1);
  setField(L, "year", lua_Integer(tm.tm_year) + 1900);
  setField(L, "wday", tm.tm_wday + 1);
  setField(L, "yday", tm.tm_yday + 1);
  if (tm.tm_isdst >= 0) {
    lua_pushboolean(L, tm.tm_isdst);
    lua_setfield(L, -2, "isdst");
  }
}

int date(lua_State* L) {
  size_t length = 0;
  const char* s = luaL_optlstring(L, 1, "%c", &length);
  const char* end = s + length;
  std::time_t t = std::time(nullptr);
  if (!lua_isnoneornil(L, 2)) {
    const lua_Integer given = luaL_checkinteger(L, 2);
    luaL_argcheck(L, std::time_t(given) == given, 2, "time out-of-bounds");
    t = std::time_t(given);
  }
  std::tm tm{};
  const bool utc = *s == '!';
  if (utc) ++s;
  if (!(utc ? gmtime_r(&t, &tm) : localtime_r(&t, &tm)))
    return luaL_error(L, "time result cannot be represented in this installation");
  if (std::strcmp(s, "*t") == 0) {
    setTimeFields(L, tm);
    return 1;
  }
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  KillCheck killCheck(L, 1 << 10);
  while (s < end) {
    killCheck();
    if (*s != '%') {
      s = addText(b, s, end);
      continue;
    }
    char* out = luaL_prepbuffsize(&b, MAX_TIME_ITEM);
    char conversion[4];
    s = checkConversion(L, s + 1, size_t(end - s - 1), conversion);
    luaL_addsize(&b, std::strftime(out, MAX_TIME_ITEM, conversion, &tm));
  }
  luaL_pushresult(&b);
  return 1;
}

} // namespace

namespace qelLua {

void openStoppableStrings(lua_State* L) {
  static const luaL_Reg strings[] = {
      {"reverse", reverse}, {"lower", lower}, {"upper", upper}, {"format", format}, {nullptr, nullptr}};
  lua_getglobal(L, "string");
  luaL_setfuncs(L, strings, 0);
  lua_getglobal(L, "os");
  lua_pushcfunction(L, date);
  lua_setfield(L, -2, "date");
  lua_pop(L, 2);
}

} // namespace qelLua
