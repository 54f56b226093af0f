// A numeral's value depends on few of its digits: its leading significant digits (800 decimal or 32
// hexadecimal ones are more than any correctly rounded conversion to a double looks at, provided whether a
// nonzero digit follows them is kept), how many digits there are, and its exponent. A hexadecimal integer
// wraps around, so its last 16 digits are all of its value.
#include "script/qelnumbers.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>

namespace {

using qelLua::KillCheck;

constexpr size_t SHORT = 4 << 10;             // strings of this length or less go to the library as they are
constexpr size_t DECIMAL_DIGITS = 800;        // significant digits kept of a decimal float
constexpr size_t HEX_DIGITS = 32;             // of a hexadecimal one
constexpr size_t HEX_INTEGER_DIGITS = 16;     // of a hexadecimal integer
constexpr size_t DECIMAL_INTEGER_DIGITS = 20; // more cannot be an integer
constexpr int64_t POWER_LIMIT = 1'000'000'000'000'000; // an exponent past it is as good as infinite
constexpr unsigned CHECK_EVERY = 1 << 16;

inline int uchar(char c) {
  return static_cast<unsigned char>(c);
}

// Lua's own classes of characters, which do not depend on the locale.
bool space(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
bool decimal(char c) {
  return c >= '0' && c <= '9';
}
bool hexadecimal(char c) {
  return decimal(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A long numeral read a piece at a time.
class Reader {
public:
  Reader(lua_State* L, const char* s, const char* end) : p(s), end(end), killCheck(L, CHECK_EVERY) {}

  // The short numeral of the same value, or "" when the text is none.
  std::string numeral();

private:
  bool next(char c) { return p < end && *p == c; }
  bool nextOf(char a, char b) { return p < end && (*p == a || *p == b); }
  // Reads a run of digits of the mantissa; returns how many.
  int64_t mantissa(bool hex);
  // Reads the digits of an exponent and its sign, saturated; false when there are none.
  bool exponent();
  std::string floatNumeral(bool hex) const;

  const char* p;
  const char* end;
  KillCheck killCheck;
  std::string sign;    // "-" or ""
  std::string digits;  // the significant digits kept, leading zeros skipped
  int64_t dropped = 0; // significant digits read past those kept
  bool sticky = false; // one of them was not zero
  int64_t power = 0;   // the exponent's value
};

int64_t Reader::mantissa(bool hex) {
  const size_t keep = hex ? HEX_DIGITS : DECIMAL_DIGITS;
  int64_t count = 0;
  for (; p < end && (hex ? hexadecimal(*p) : decimal(*p)); ++p, ++count) {
    killCheck();
    if (digits.empty() && *p == '0') continue;
    if (digits.size() < keep) {
      digits += *p;
    } else {
      ++dropped;
      sticky = sticky || *p != '0';
    }
  }
  return count;
}

bool Reader::exponent() {
  const bool negative = next('-');
  if (negative || next('+')) ++p;
  if (!(p < end && decimal(*p))) return false;
  for (; p < end && decimal(*p); ++p) {
    killCheck();
    if (power < POWER_LIMIT) power = power * 10 + (*p - '0');
  }
  if (negative) power = -power;
  return true;
}

// digits, a sticky 1 and the exponent in digits of the base (bits for a hexadecimal one).
std::string Reader::floatNumeral(bool hex) const {
  if (digits.empty()) return sign + (hex ? "0x0p0" : "0e0");
  const int64_t unit = hex ? 4 : 1; // the exponent's unit per digit
  return sign + (hex ? "0x" : "") + digits + (sticky ? "1" : "") + (hex ? "p" : "e") +
         std::to_string(power + unit * (dropped - (sticky ? 1 : 0)));
}

std::string Reader::numeral() {
  if (next('-')) sign = "-";
  if (next('-') || next('+')) ++p;
  const bool hex = next('0') && p + 1 < end && (p[1] == 'x' || p[1] == 'X');
  if (hex) p += 2;
  const int64_t integer = mantissa(hex);
  const char* integerEnd = p;
  int64_t fraction = 0;
  const bool point = next('.');
  if (point) {
    ++p;
    fraction = mantissa(hex);
  }
  if (integer + fraction == 0) return "";
  bool exponentPart = false;
  if (nextOf(hex ? 'p' : 'e', hex ? 'P' : 'E')) {
    ++p;
    if (!exponent()) return "";
    exponentPart = true;
  }
  if (p != end) return "";
  power -= (hex ? 4 : 1) * fraction;
  if (hex && !point && !exponentPart) // an integer, wrapped around
    return sign + "0x" + std::string(integerEnd - std::min(integer, int64_t(HEX_INTEGER_DIGITS)), integerEnd);
  if (!point && !exponentPart && dropped == 0 && digits.size() <= DECIMAL_INTEGER_DIGITS)
    return sign + (digits.empty() ? "0" : digits); // an integer, or a float when it does not fit
  return floatNumeral(hex);
}

// Whether the string at index 1, of the given length, is a numeral; if so its value is pushed.
bool convert(lua_State* L, const char* s, size_t length) {
  if (length <= SHORT) return lua_stringtonumber(L, s) == length + 1;
  KillCheck killCheck(L, CHECK_EVERY);
  const char* end = s + length;
  for (; s < end && space(*s); ++s)
    killCheck();
  for (; end > s && space(end[-1]); --end)
    killCheck();
  const std::string numeral = size_t(end - s) <= SHORT ? std::string(s, end) : Reader(L, s, end).numeral();
  return !numeral.empty() && lua_stringtonumber(L, numeral.c_str()) == numeral.size() + 1;
}

// The library's: spaces, a sign, digits and letters below base, spaces; the value wraps around.
const char* inBase(lua_State* L, const char* s, int base, lua_Integer* result) {
  KillCheck killCheck(L, CHECK_EVERY);
  for (; space(*s); ++s)
    killCheck();
  const bool negative = *s == '-';
  if (negative || *s == '+') ++s;
  if (!std::isalnum(uchar(*s))) return nullptr;
  lua_Unsigned n = 0;
  do {
    killCheck();
    const int digit = std::isdigit(uchar(*s)) ? *s - '0' : std::toupper(uchar(*s)) - 'A' + 10;
    if (digit >= base) return nullptr;
    n = n * lua_Unsigned(base) + lua_Unsigned(digit);
    ++s;
  } while (std::isalnum(uchar(*s)));
  for (; space(*s); ++s)
    killCheck();
  *result = lua_Integer(negative ? 0u - n : n);
  return s;
}

int tonumber(lua_State* L) {
  if (lua_isnoneornil(L, 2)) {
    if (lua_type(L, 1) == LUA_TNUMBER) {
      lua_settop(L, 1);
      return 1;
    }
    size_t length = 0;
    const char* s = lua_tolstring(L, 1, &length);
    if (s && convert(L, s, length)) return 1;
    luaL_checkany(L, 1);
  } else {
    const lua_Integer base = luaL_checkinteger(L, 2);
    luaL_checktype(L, 1, LUA_TSTRING);
    size_t length = 0;
    const char* s = lua_tolstring(L, 1, &length);
    luaL_argcheck(L, 2 <= base && base <= 36, 2, "base out of range");
    lua_Integer n = 0;
    if (inBase(L, s, int(base), &n) == s + length) {
      lua_pushinteger(L, n);
      return 1;
    }
  }
  lua_pushnil(L);
  return 1;
}

} // namespace

namespace qelLua {

void openStoppableNumbers(lua_State* L) {
  lua_pushcfunction(L, tonumber);
  lua_setglobal(L, "tonumber");
}

} // namespace qelLua
