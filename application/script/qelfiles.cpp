// The C library's stream is locked while characters are taken from it one at a time, and unlocked before a
// kill is raised.
#include "script/qelfiles.h"

#include "script/qelopen.h"
#include "script/qelstream.h"
#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <clocale>
#include <cstdio>
#include <cstring>

namespace {

using qelLua::checkKill;
using qelLua::closeStream;
using qelLua::defaultFile;
using qelLua::IO_INPUT;
using qelLua::IO_OUTPUT;
using qelLua::toFile;

constexpr size_t PIECE = 1 << 20;        // bytes read or written between kill checks
constexpr int MAX_NUMERAL = 200;         // the longest numeral read
constexpr int MAX_LINES_ARGUMENTS = 250; // formats a lines iterator keeps

// Reading. --------------------------------------------------------------------------------------------------

// Holds the stream's lock while characters are taken one at a time.
class Locked {
public:
  explicit Locked(FILE* file) : file(file) { flockfile(file); }
  ~Locked() { funlockfile(file); }
  Locked(Locked const&) = delete;
  Locked& operator=(Locked const&) = delete;

private:
  FILE* file;
};

// 0: whether the file has more to read; pushes "".
bool testEnd(lua_State* L, FILE* file) {
  const int c = std::getc(file);
  std::ungetc(c, file);
  lua_pushliteral(L, "");
  return c != EOF;
}

// A line, with its line end unless chop; false when there was nothing to read.
bool readLine(lua_State* L, FILE* file, bool chop) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  int c = '\0';
  while (c != EOF && c != '\n') {
    checkKill(L);
    char* out = luaL_prepbuffer(&b);
    size_t n = 0;
    {
      Locked locked(file);
      while (n < LUAL_BUFFERSIZE && (c = getc_unlocked(file)) != EOF && c != '\n')
        out[n++] = char(c);
    }
    luaL_addsize(&b, n);
  }
  if (!chop && c == '\n') luaL_addchar(&b, char(c));
  luaL_pushresult(&b);
  return c == '\n' || lua_rawlen(L, -1) > 0;
}

void readAll(lua_State* L, FILE* file) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  size_t n = 0;
  do {
    checkKill(L);
    n = std::fread(luaL_prepbuffer(&b), 1, LUAL_BUFFERSIZE, file);
    luaL_addsize(&b, n);
  } while (n == LUAL_BUFFERSIZE);
  luaL_pushresult(&b);
}

// Up to count bytes; false when there were none.
bool readBytes(lua_State* L, FILE* file, size_t count) {
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  char* out = luaL_prepbuffsize(&b, count);
  size_t total = 0;
  for (size_t n = 0; total < count; total += n) {
    checkKill(L);
    const size_t piece = std::min(PIECE, count - total);
    n = std::fread(out + total, 1, piece, file);
    if (n < piece) {
      total += n;
      break;
    }
  }
  luaL_addsize(&b, total);
  luaL_pushresult(&b);
  return total > 0;
}

// The characters of a numeral as the library takes them: at most MAX_NUMERAL, one character ahead.
struct NumeralReader {
  FILE* file;
  int c = 0;
  int n = 0;
  char text[MAX_NUMERAL + 1]{};

  bool next() {
    if (n >= MAX_NUMERAL) {
      text[0] = '\0';
      return false;
    }
    text[n++] = char(c);
    c = getc_unlocked(file);
    return true;
  }
  bool nextIf(const char* two) { return (c == two[0] || c == two[1]) && next(); }
  int digits(bool hex) {
    int count = 0;
    while ((hex ? std::isxdigit(c) : std::isdigit(c)) && next())
      ++count;
    return count;
  }
};

// A numeral after any spaces, pushed as its number (or nil); false when it is none.
bool readNumber(lua_State* L, FILE* file) {
  NumeralReader r{file};
  const char point[] = {std::localeconv()->decimal_point[0], '.'};
  {
    Locked locked(file);
    do {
      if (qelLua::killRequested(L)) break;
      r.c = getc_unlocked(file);
    } while (std::isspace(r.c));
    if (!qelLua::killRequested(L)) {
      int count = 0;
      bool hex = false;
      r.nextIf("-+");
      if (r.nextIf("00")) {
        hex = r.nextIf("xX");
        count = hex ? 0 : 1;
      }
      count += r.digits(hex);
      if (r.nextIf(point)) count += r.digits(hex);
      if (count > 0 && r.nextIf(hex ? "pP" : "eE")) {
        r.nextIf("-+");
        r.digits(false);
      }
      std::ungetc(r.c, file);
    }
  }
  checkKill(L);
  r.text[r.n] = '\0';
  if (lua_stringtonumber(L, r.text)) return true;
  lua_pushnil(L);
  return false;
}

// Reads the formats from index first on (none: a line); the file is pushed below them when it is the
// default one. Returns the results: a value per format up to the first that failed, which is nil.
int readFormats(lua_State* L, FILE* file, int first) {
  checkKill(L);
  int formats = lua_gettop(L) - 1;
  bool read = true;
  int n = first;
  std::clearerr(file);
  if (formats == 0) {
    read = readLine(L, file, true);
    n = first + 1;
  } else {
    luaL_checkstack(L, formats + LUA_MINSTACK, "too many arguments");
    for (; formats-- && read; ++n) {
      if (lua_type(L, n) == LUA_TNUMBER) {
        const auto count = size_t(luaL_checkinteger(L, n));
        read = count == 0 ? testEnd(L, file) : readBytes(L, file, count);
        continue;
      }
      const char* format = luaL_checkstring(L, n);
      if (*format == '*') ++format;
      switch (*format) {
      case 'n':
        read = readNumber(L, file);
        break;
      case 'l':
        read = readLine(L, file, true);
        break;
      case 'L':
        read = readLine(L, file, false);
        break;
      case 'a':
        readAll(L, file);
        read = true;
        break;
      default:
        return luaL_argerror(L, n, "invalid format");
      }
    }
  }
  checkKill(L); // a read that the kill's signal interrupted
  if (std::ferror(file)) return luaL_fileresult(L, 0, nullptr);
  if (!read) {
    lua_pop(L, 1);
    lua_pushnil(L);
  }
  return n - first;
}

int ioRead(lua_State* L) {
  return readFormats(L, defaultFile(L, IO_INPUT), 1);
}

int fileRead(lua_State* L) {
  return readFormats(L, toFile(L), 2);
}

// Lines. ----------------------------------------------------------------------------------------------------

// Upvalues: the file, the number of formats, whether to close the file at its end, the formats.
int nextLine(lua_State* L) {
  auto* stream = static_cast<luaL_Stream*>(lua_touserdata(L, lua_upvalueindex(1)));
  int n = int(lua_tointeger(L, lua_upvalueindex(2)));
  if (!stream->closef) return luaL_error(L, "file is already closed");
  lua_settop(L, 1);
  luaL_checkstack(L, n, "too many arguments");
  for (int i = 1; i <= n; ++i)
    lua_pushvalue(L, lua_upvalueindex(3 + i));
  n = readFormats(L, stream->f, 2);
  if (lua_toboolean(L, -n)) return n;
  if (n > 1) return luaL_error(L, "%s", lua_tostring(L, -n + 1));
  if (lua_toboolean(L, lua_upvalueindex(3))) {
    lua_settop(L, 0);
    lua_pushvalue(L, lua_upvalueindex(1));
    closeStream(L);
  }
  return 0;
}

// The iterator over the file at index 1 with the formats after it.
void pushLines(lua_State* L, bool close) {
  const int n = lua_gettop(L) - 1;
  luaL_argcheck(L, n <= MAX_LINES_ARGUMENTS, MAX_LINES_ARGUMENTS + 2, "too many arguments");
  lua_pushinteger(L, n);
  lua_pushboolean(L, close);
  lua_rotate(L, 2, 2);
  lua_pushcclosure(L, nextLine, 3 + n);
}

int ioLines(lua_State* L) {
  if (lua_isnone(L, 1)) lua_pushnil(L);
  bool close = false;
  if (lua_isnil(L, 1)) {
    lua_getfield(L, LUA_REGISTRYINDEX, IO_INPUT);
    lua_replace(L, 1);
    toFile(L);
  } else {
    const char* path = luaL_checkstring(L, 1);
    if (!qelLua::openNewStream(L, path, "r"))
      return luaL_error(L, "cannot open file '%s' (%s)", path, std::strerror(errno));
    lua_replace(L, 1);
    close = true;
  }
  pushLines(L, close);
  return 1;
}

int fileLines(lua_State* L) {
  toFile(L);
  pushLines(L, false);
  return 1;
}

// Writing. --------------------------------------------------------------------------------------------------

bool writeString(lua_State* L, FILE* file, const char* s, size_t length) {
  for (size_t done = 0; done < length; done += PIECE) {
    checkKill(L);
    const size_t piece = std::min(PIECE, length - done);
    if (std::fwrite(s + done, 1, piece, file) != piece) return false;
  }
  return true;
}

// The values from arg on, with the file on top of the stack: strings as they are, numbers in Lua's formats.
// As in the library, no string is written after a failed write, but numbers still are.
int writeValues(lua_State* L, FILE* file, int arg) {
  bool written = true;
  for (int n = lua_gettop(L) - arg; n > 0; --n, ++arg) {
    if (lua_type(L, arg) == LUA_TNUMBER) {
      const int length =
          lua_isinteger(L, arg)
              ? std::fprintf(file, LUA_INTEGER_FMT, static_cast<LUAI_UACINT>(lua_tointeger(L, arg)))
              : std::fprintf(file, LUA_NUMBER_FMT, static_cast<LUAI_UACNUMBER>(lua_tonumber(L, arg)));
      written = written && length > 0;
    } else {
      size_t length = 0;
      const char* s = luaL_checklstring(L, arg, &length);
      written = written && writeString(L, file, s, length);
    }
  }
  checkKill(L); // a write that the kill's signal interrupted
  if (written) return 1;
  return luaL_fileresult(L, 0, nullptr);
}

int ioWrite(lua_State* L) {
  return writeValues(L, defaultFile(L, IO_OUTPUT), 1);
}

int fileWrite(lua_State* L) {
  FILE* file = toFile(L);
  lua_pushvalue(L, 1);
  return writeValues(L, file, 2);
}

} // namespace

namespace qelLua {

void openStoppableFiles(lua_State* L) {
  static const luaL_Reg io[] = {{"read", ioRead}, {"lines", ioLines}, {"write", ioWrite}, {nullptr, nullptr}};
  static const luaL_Reg methods[] = {
      {"read", fileRead}, {"lines", fileLines}, {"write", fileWrite}, {nullptr, nullptr}};
  lua_getglobal(L, "io");
  luaL_setfuncs(L, io, 0);
  luaL_getmetatable(L, LUA_FILEHANDLE);
  luaL_setfuncs(L, methods, 0);
  lua_pop(L, 2);
}

} // namespace qelLua
