// The formats of Lua 5.3 (its manual, 6.4.2): a state of endianness and largest alignment that options
// change as the walk goes, and options that each stand for one value, padding or nothing. An option is
// aligned to its size, at most the largest alignment, counted from the start of the packed string (of the
// data, for unpack).
#include "script/qelpack.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>

namespace {

using qelLua::KillCheck;

constexpr int MAX_INT_SIZE = 16;                  // the largest integer option, in bytes
constexpr int INTEGER_SIZE = sizeof(lua_Integer); // larger integers are sign-extended
constexpr int MAX_ALIGN = 8;                      // the default of "!": a double's alignment
constexpr size_t MAX_SIZE = INT_MAX;              // of a packed result, and of a size in a format
constexpr char PAD = 0;                           // the padding byte
constexpr bool NATIVE_LITTLE = std::endian::native == std::endian::little;

enum class Kind { Int, Uint, Float, Char, String, Zstr, Padding, PadAlign, Nop };

struct Option {
  Kind kind;
  int size;  // bytes of the value, or of the length count of a String
  int align; // padding bytes before it
};

class Format {
public:
  Format(lua_State* L, const char* format) : L(L), at(format) {}
  bool done() const { return *at == '\0'; }
  bool little() const { return littleEndian; }
  // The next option, aligned as if offset bytes came before it.
  Option next(size_t offset);

private:
  static bool digit(char c) { return '0' <= c && c <= '9'; }
  int number(int otherwise);
  int integerSize(int otherwise);
  Kind read(int& size);

  lua_State* L;
  const char* at;
  bool littleEndian = NATIVE_LITTLE;
  int maxAlign = 1;
};

// A number in the format, or otherwise when there is none; digits past the largest size are left to be
// read as options.
int Format::number(int otherwise) {
  if (!digit(*at)) return otherwise;
  int n = 0;
  do {
    n = n * 10 + (*at++ - '0');
  } while (digit(*at) && n <= (int(MAX_SIZE) - 9) / 10);
  return n;
}

int Format::integerSize(int otherwise) {
  const int size = number(otherwise);
  if (size > MAX_INT_SIZE || size <= 0)
    luaL_error(L, "integral size (%d) out of limits [1,%d]", size, MAX_INT_SIZE);
  return size;
}

// Options of a size of their own: integers of the C types, floats, padding.
struct Fixed {
  char option;
  Kind kind;
  int size;
};
constexpr Fixed FIXED[] = {
    {'b', Kind::Int, 1},
    {'B', Kind::Uint, 1},
    {'h', Kind::Int, sizeof(short)},
    {'H', Kind::Uint, sizeof(short)},
    {'l', Kind::Int, sizeof(long)},
    {'L', Kind::Uint, sizeof(long)},
    {'j', Kind::Int, sizeof(lua_Integer)},
    {'J', Kind::Uint, sizeof(lua_Integer)},
    {'T', Kind::Uint, sizeof(size_t)},
    {'f', Kind::Float, sizeof(float)},
    {'d', Kind::Float, sizeof(double)},
    {'n', Kind::Float, sizeof(lua_Number)},
    {'x', Kind::Padding, 1},
};

Kind Format::read(int& size) {
  const char option = *at++;
  size = 0;
  for (Fixed const& f : FIXED) {
    if (f.option != option) continue;
    size = f.size;
    return f.kind;
  }
  switch (option) {
  case 'i':
  case 'I':
    size = integerSize(sizeof(int));
    return option == 'i' ? Kind::Int : Kind::Uint;
  case 's':
    size = integerSize(sizeof(size_t));
    return Kind::String;
  case 'c':
    size = number(-1);
    if (size == -1) luaL_error(L, "missing size for format option 'c'");
    return Kind::Char;
  case 'z':
    return Kind::Zstr;
  case 'X':
    return Kind::PadAlign;
  case ' ':
    break;
  case '<':
    littleEndian = true;
    break;
  case '>':
    littleEndian = false;
    break;
  case '=':
    littleEndian = NATIVE_LITTLE;
    break;
  case '!':
    maxAlign = integerSize(MAX_ALIGN);
    break;
  default:
    luaL_error(L, "invalid format option '%c'", option);
  }
  return Kind::Nop;
}

Option Format::next(size_t offset) {
  Option o{};
  o.kind = read(o.size);
  int align = o.size;
  if (o.kind == Kind::PadAlign && (done() || read(align) == Kind::Char || align == 0))
    luaL_argerror(L, 1, "invalid next option for option 'X'");
  if (align <= 1 || o.kind == Kind::Char) return o;
  align = std::min(align, maxAlign);
  if ((align & (align - 1)) != 0) luaL_argerror(L, 1, "format asks for alignment not power of 2");
  o.align = (align - int(offset & size_t(align - 1))) & (align - 1);
  return o;
}

// Packing. ------------------------------------------------------------------------------------------------

void addPadding(lua_State* L, luaL_Buffer& b, size_t n) {
  constexpr size_t PIECE = 1 << 20;
  while (n > 0) {
    qelLua::checkKill(L);
    const size_t piece = std::min(n, PIECE);
    std::memset(luaL_prepbuffsize(&b, piece), PAD, piece);
    luaL_addsize(&b, piece);
    n -= piece;
  }
}

// Integers wider than lua_Integer are sign-extended.
void addInteger(luaL_Buffer& b, lua_Unsigned n, bool little, int size, bool negative) {
  char* out = luaL_prepbuffsize(&b, size_t(size));
  for (int i = 0; i < size; ++i, n >>= 8) {
    const bool extension = negative && i >= INTEGER_SIZE;
    out[little ? i : size - 1 - i] = extension ? char(0xFF) : char(n & 0xFF);
  }
  luaL_addsize(&b, size_t(size));
}

// Copies size bytes, reversing them when little is not the machine's order.
void copyOrdered(char* to, const char* from, int size, bool little) {
  std::memcpy(to, from, size_t(size));
  if (little != NATIVE_LITTLE) std::reverse(to, to + size);
}

void addFloat(lua_State* L, luaL_Buffer& b, int arg, int size, bool little) {
  const lua_Number n = luaL_checknumber(L, arg);
  char bytes[sizeof(double)];
  if (size == sizeof(float)) {
    const float f = float(n);
    std::memcpy(bytes, &f, sizeof f);
  } else {
    const double d = double(n);
    std::memcpy(bytes, &d, sizeof d);
  }
  copyOrdered(luaL_prepbuffsize(&b, size_t(size)), bytes, size, little);
  luaL_addsize(&b, size_t(size));
}

void packInteger(lua_State* L, luaL_Buffer& b, Option const& o, int arg, bool little) {
  const lua_Integer n = luaL_checkinteger(L, arg);
  if (o.size < INTEGER_SIZE) {
    if (o.kind == Kind::Int) {
      const lua_Integer limit = lua_Integer(1) << (o.size * 8 - 1);
      luaL_argcheck(L, -limit <= n && n < limit, arg, "integer overflow");
    } else {
      luaL_argcheck(L, lua_Unsigned(n) < (lua_Unsigned(1) << (o.size * 8)), arg, "unsigned overflow");
    }
  }
  addInteger(b, lua_Unsigned(n), little, o.size, o.kind == Kind::Int && n < 0);
}

// Packs the value at arg for o; returns the bytes it adds after those of o.size (a string's).
size_t packValue(lua_State* L, luaL_Buffer& b, Option const& o, int arg, bool little) {
  size_t length = 0;
  switch (o.kind) {
  case Kind::Int:
  case Kind::Uint:
    packInteger(L, b, o, arg, little);
    return 0;
  case Kind::Float:
    addFloat(L, b, arg, o.size, little);
    return 0;
  case Kind::Char: {
    const char* s = luaL_checklstring(L, arg, &length);
    luaL_argcheck(L, length <= size_t(o.size), arg, "string longer than given size");
    luaL_addlstring(&b, s, length);
    addPadding(L, b, size_t(o.size) - length);
    return 0;
  }
  case Kind::String: {
    const char* s = luaL_checklstring(L, arg, &length);
    luaL_argcheck(L, o.size >= int(sizeof(size_t)) || length < (size_t(1) << (o.size * 8)), arg,
                  "string length does not fit in given size");
    addInteger(b, length, little, o.size, false);
    luaL_addlstring(&b, s, length);
    return length;
  }
  case Kind::Zstr: {
    const char* s = luaL_checklstring(L, arg, &length);
    luaL_argcheck(L, std::strlen(s) == length, arg, "string contains zeros");
    luaL_addlstring(&b, s, length);
    luaL_addchar(&b, '\0');
    return length + 1;
  }
  default:
    return 0;
  }
}

int pack(lua_State* L) {
  Format format(L, luaL_checkstring(L, 1));
  int arg = 1;
  size_t total = 0;
  lua_pushnil(L); // keeps the arguments apart from the buffer
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  KillCheck killCheck(L);
  while (!format.done()) {
    killCheck();
    const Option o = format.next(total);
    total += size_t(o.align) + size_t(o.size);
    addPadding(L, b, size_t(o.align));
    if (o.kind == Kind::Padding) luaL_addchar(&b, PAD);
    if (o.kind == Kind::Padding || o.kind == Kind::PadAlign || o.kind == Kind::Nop) continue;
    total += packValue(L, b, o, ++arg, format.little());
  }
  luaL_pushresult(&b);
  return 1;
}

int packsize(lua_State* L) {
  Format format(L, luaL_checkstring(L, 1));
  size_t total = 0;
  KillCheck killCheck(L);
  while (!format.done()) {
    killCheck();
    const Option o = format.next(total);
    const int size = o.size + o.align;
    luaL_argcheck(L, total <= MAX_SIZE - size_t(size), 1, "format result too large");
    total += size_t(size);
    if (o.kind == Kind::String || o.kind == Kind::Zstr) luaL_argerror(L, 1, "variable-length format");
  }
  lua_pushinteger(L, lua_Integer(total));
  return 1;
}

// Unpacking. ----------------------------------------------------------------------------------------------

// Integers wider than lua_Integer must be its sign extension.
lua_Integer readInteger(lua_State* L, const char* from, bool little, int size, bool isSigned) {
  lua_Unsigned n = 0;
  const int read = std::min(size, INTEGER_SIZE);
  for (int i = read - 1; i >= 0; --i)
    n = (n << 8) | static_cast<unsigned char>(from[little ? i : size - 1 - i]);
  if (size < INTEGER_SIZE) {
    if (isSigned) {
      const lua_Unsigned sign = lua_Unsigned(1) << (size * 8 - 1);
      n = (n ^ sign) - sign;
    }
  } else if (size > INTEGER_SIZE) {
    const int extension = !isSigned || lua_Integer(n) >= 0 ? 0 : 0xFF;
    for (int i = read; i < size; ++i)
      if (static_cast<unsigned char>(from[little ? i : size - 1 - i]) != extension)
        luaL_error(L, "%d-byte integer does not fit into Lua Integer", size);
  }
  return lua_Integer(n);
}

lua_Number readFloat(const char* from, int size, bool little) {
  char bytes[sizeof(double)];
  copyOrdered(bytes, from, size, little);
  if (size == sizeof(float)) {
    float f;
    std::memcpy(&f, bytes, sizeof f);
    return lua_Number(f);
  }
  double d;
  std::memcpy(&d, bytes, sizeof d);
  return lua_Number(d);
}

// Pushes the value of o at data + at; returns the bytes it takes after those of o.size (a string's).
size_t unpackValue(lua_State* L, Option const& o, const char* data, size_t length, size_t at, bool little) {
  switch (o.kind) {
  case Kind::Int:
  case Kind::Uint:
    lua_pushinteger(L, readInteger(L, data + at, little, o.size, o.kind == Kind::Int));
    return 0;
  case Kind::Float:
    lua_pushnumber(L, readFloat(data + at, o.size, little));
    return 0;
  case Kind::Char:
    lua_pushlstring(L, data + at, size_t(o.size));
    return 0;
  case Kind::String: {
    const auto n = size_t(readInteger(L, data + at, little, o.size, false));
    luaL_argcheck(L, at + n + size_t(o.size) <= length, 2, "data string too short");
    lua_pushlstring(L, data + at + o.size, n);
    return n;
  }
  case Kind::Zstr: {
    const size_t n = std::strlen(data + at);
    lua_pushlstring(L, data + at, n);
    return n + 1;
  }
  default:
    return 0;
  }
}

lua_Integer relative(lua_Integer position, size_t length) {
  if (position >= 0) return position;
  if (0u - size_t(position) > length) return 0;
  return lua_Integer(length) + position + 1;
}

int unpack(lua_State* L) {
  Format format(L, luaL_checkstring(L, 1));
  size_t length = 0;
  const char* data = luaL_checklstring(L, 2, &length);
  size_t at = size_t(relative(luaL_optinteger(L, 3, 1), length)) - 1;
  luaL_argcheck(L, at <= length, 3, "initial position out of string");
  int results = 0;
  KillCheck killCheck(L);
  while (!format.done()) {
    killCheck();
    const Option o = format.next(at);
    const size_t size = size_t(o.align) + size_t(o.size);
    if (size > ~at || at + size > length) luaL_argerror(L, 2, "data string too short");
    at += size_t(o.align);
    luaL_checkstack(L, 2, "too many results"); // the value and the next position
    if (o.kind != Kind::Padding && o.kind != Kind::PadAlign && o.kind != Kind::Nop) {
      at += unpackValue(L, o, data, length, at, format.little());
      ++results;
    }
    at += size_t(o.size);
  }
  lua_pushinteger(L, lua_Integer(at) + 1);
  return results + 1;
}

} // namespace

namespace qelLua {

void openStoppablePack(lua_State* L) {
  static const luaL_Reg functions[] = {
      {"pack", pack}, {"packsize", packsize}, {"unpack", unpack}, {nullptr, nullptr}};
  lua_getglobal(L, "string");
  luaL_setfuncs(L, functions, 0);
  lua_pop(L, 1);
}

} // namespace qelLua
