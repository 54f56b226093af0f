// Every loader answers as the library's: the same chunk names, messages ("cannot open x: reason"), byte-order
// mark and '#' first line skipped, environments and results. Only a precompiled chunk differs: the parser
// takes the mode without its 'b', so it refuses one whatever the mode.
#include "script/qelload.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <utility>

namespace {

using qelLua::checkKill;
using qelLua::KillCheck;

// The size of the parser's next piece: large while the parser is quick, down to a byte while each piece
// takes it long, so that a kill is seen soon after the token that was slow to parse.
class Pacer {
public:
  // Checks for a kill first.
  size_t next(lua_State* L, size_t left) {
    checkKill(L);
    const auto now = std::chrono::steady_clock::now();
    piece = now - last > SLOW ? std::max<size_t>(piece / 16, 1) : std::min(piece * 2, LARGEST);
    last = now;
    return std::min(piece, left);
  }
  static constexpr size_t LARGEST = 16 << 10;

private:
  static constexpr std::chrono::milliseconds SLOW{2};
  size_t piece = LARGEST;
  std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
};

// Once killed, a failed load (the reader raised the kill, or the state starved) is the kill.
int loaded(lua_State* L, int status) {
  if (status != LUA_OK && qelLua::killRequested(L)) qelLua::raiseKilled(L);
  return status;
}

// A string, or the pieces a reader function returns, handed on a pacer's piece at a time.
struct Pieces {
  const char* at = nullptr;
  size_t left = 0;
  Pacer pacer;
};

const char* nextPiece(lua_State* L, Pieces& pieces, size_t* size) {
  *size = pieces.pacer.next(L, pieces.left);
  const char* piece = pieces.at;
  pieces.at += *size;
  pieces.left -= *size;
  return piece;
}

const char* readString(lua_State* L, void* data, size_t* size) {
  auto& pieces = *static_cast<Pieces*>(data);
  return pieces.left ? nextPiece(L, pieces, size) : nullptr;
}

constexpr int READER_PIECE = 5; // the slot that keeps the reader's last piece from the collector

// The library's reader of load(function): the function at index 1 is called for each piece until it
// returns nil or "".
const char* readFunction(lua_State* L, void* data, size_t* size) {
  auto& pieces = *static_cast<Pieces*>(data);
  if (pieces.left) return nextPiece(L, pieces, size);
  checkKill(L);
  luaL_checkstack(L, 2, "too many nested functions");
  lua_pushvalue(L, 1);
  lua_call(L, 0, 1);
  if (lua_isnil(L, -1)) {
    lua_pop(L, 1);
    *size = 0;
    return nullptr;
  }
  if (!lua_isstring(L, -1)) luaL_error(L, "reader function must return a string");
  lua_replace(L, READER_PIECE);
  pieces.at = lua_tolstring(L, READER_PIECE, &pieces.left);
  return pieces.left ? nextPiece(L, pieces, size) : nullptr;
}

// A file, after the bytes that were read ahead to skip its head.
struct FileChunk {
  FILE* file = nullptr;
  char ahead[4]{}; // a partial byte-order mark, a line end in place of a '#' line, the first character
  size_t aheadSize = 0;
  std::unique_ptr<char[]> buffer = std::make_unique<char[]>(Pacer::LARGEST);
  Pacer pacer;
};

const char* readFile(lua_State* L, void* data, size_t* size) {
  auto& chunk = *static_cast<FileChunk*>(data);
  if (chunk.aheadSize) {
    *size = std::exchange(chunk.aheadSize, 0);
    return chunk.ahead;
  }
  if (std::feof(chunk.file)) return nullptr; // a read past the end of a terminal would wait
  *size = std::fread(chunk.buffer.get(), 1, chunk.pacer.next(L, Pacer::LARGEST), chunk.file);
  return chunk.buffer.get();
}

// The first character after a UTF-8 byte-order mark; the bytes of a partial mark stay ahead.
int skipMark(FileChunk& chunk) {
  static const unsigned char MARK[] = {0xEF, 0xBB, 0xBF};
  chunk.aheadSize = 0;
  for (unsigned char m : MARK) {
    const int c = std::getc(chunk.file);
    if (c != m) return c;
    chunk.ahead[chunk.aheadSize++] = char(c);
  }
  chunk.aheadSize = 0;
  return std::getc(chunk.file);
}

// Reads the head of the file: a mark, then a first line that starts with '#' (a command line for a shell),
// which becomes a line end so that the lines keep their numbers, then the first character.
void readHead(lua_State* L, FileChunk& chunk) {
  int c = skipMark(chunk);
  if (c == '#') {
    KillCheck killCheck(L, 1 << 16);
    do {
      killCheck();
      c = std::getc(chunk.file);
    } while (c != EOF && c != '\n');
    c = std::getc(chunk.file);
    chunk.ahead[chunk.aheadSize++] = '\n';
  }
  if (c != EOF) chunk.ahead[chunk.aheadSize++] = char(c);
}

int fileError(lua_State* L, const char* what, int nameIndex) {
  const char* reason = std::strerror(errno);
  lua_pushfstring(L, "cannot %s %s: %s", what, lua_tostring(L, nameIndex) + 1, reason);
  lua_remove(L, nameIndex);
  return LUA_ERRFILE;
}

// luaL_loadfilex: standard input when path is null. The kill is raised, not returned.
int loadFile(lua_State* L, const char* path, const char* mode) {
  const int nameIndex = lua_gettop(L) + 1;
  FileChunk chunk;
  std::unique_ptr<FILE, int (*)(FILE*)> owned(nullptr, std::fclose);
  if (path) {
    lua_pushfstring(L, "@%s", path);
    owned.reset(std::fopen(path, "r"));
    if (!owned) {
      checkKill(L); // an open that the kill interrupted
      return fileError(L, "open", nameIndex);
    }
    chunk.file = owned.get();
  } else {
    lua_pushliteral(L, "=stdin");
    chunk.file = stdin;
  }
  readHead(L, chunk);
  const int status = lua_load(L, readFile, &chunk, lua_tostring(L, -1), mode);
  const bool failed = std::ferror(chunk.file);
  owned.reset();
  loaded(L, status);
  checkKill(L); // a read that the kill interrupted
  if (failed) {
    lua_settop(L, nameIndex);
    return fileError(L, "read", nameIndex);
  }
  lua_remove(L, nameIndex);
  return status;
}

// A mode argument: as the script gave it, and as the parser takes it, without 'b' ("t" when it is absent).
struct Mode {
  const char* given = nullptr;
  std::string text = "t";
};

Mode loadMode(lua_State* L, int index) {
  Mode mode;
  if (lua_isnoneornil(L, index)) return mode;
  mode.given = luaL_checkstring(L, index);
  mode.text.clear();
  for (const char* m = mode.given; *m; ++m)
    if (*m != 'b') mode.text += *m;
  return mode;
}

// A text chunk that a mode without 't' refuses is reported with the mode the script gave, 'b' and all.
int refusedText(lua_State* L, int status, Mode const& mode) {
  if (status != LUA_ERRSYNTAX || mode.text.find('t') != std::string::npos) return status;
  const std::string parser = "attempt to load a text chunk (mode is '" + mode.text + "')";
  const char* message = lua_tostring(L, -1);
  if (!message || parser != message) return status;
  lua_pop(L, 1);
  lua_pushfstring(L, "attempt to load a text chunk (mode is '%s')", mode.given);
  return status;
}

// The library's answer to a load in mode: the function, with env as its first upvalue when env is not 0;
// nil and the message for an error.
int loadResult(lua_State* L, int status, Mode const& mode, int env) {
  if (refusedText(L, loaded(L, status), mode) != LUA_OK) {
    lua_pushnil(L);
    lua_insert(L, -2);
    return 2;
  }
  if (env != 0) {
    lua_pushvalue(L, env);
    if (!lua_setupvalue(L, -2, 1)) lua_pop(L, 1);
  }
  return 1;
}

int load(lua_State* L) {
  size_t length = 0;
  const char* text = lua_tolstring(L, 1, &length);
  const Mode mode = loadMode(L, 3);
  const int env = lua_isnone(L, 4) ? 0 : 4;
  Pieces pieces;
  if (text) {
    const char* name = luaL_optstring(L, 2, text);
    pieces.at = text;
    pieces.left = length;
    return loadResult(L, lua_load(L, readString, &pieces, name, mode.text.c_str()), mode, env);
  }
  const char* name = luaL_optstring(L, 2, "=(load)");
  luaL_checktype(L, 1, LUA_TFUNCTION);
  lua_settop(L, READER_PIECE); // the given mode's string stays at 3
  return loadResult(L, lua_load(L, readFunction, &pieces, name, mode.text.c_str()), mode, env);
}

int loadfile(lua_State* L) {
  const char* path = luaL_optstring(L, 1, nullptr);
  const Mode mode = loadMode(L, 2);
  const int env = lua_isnone(L, 3) ? 0 : 3;
  return loadResult(L, loadFile(L, path, mode.text.c_str()), mode, env);
}

int afterDofile(lua_State* L, int, lua_KContext) {
  return lua_gettop(L) - 1;
}

int dofile(lua_State* L) {
  const char* path = luaL_optstring(L, 1, nullptr);
  lua_settop(L, 1);
  if (loadFile(L, path, "t") != LUA_OK) return lua_error(L);
  lua_callk(L, 0, LUA_MULTRET, 0, afterDofile);
  return afterDofile(L, 0, 0);
}

// Searching a path: names, templates and paths may be as long as the script likes. -----------------------

// The first occurrence of what (of length size, at least 1) in [s, end), or null; a window at a time.
const char* find(lua_State* L, const char* s, const char* end, const char* what, size_t size) {
  constexpr size_t WINDOW = 1 << 20;
  while (size_t(end - s) >= size) {
    checkKill(L);
    const size_t window = std::min(size_t(end - s), WINDOW + size - 1);
    if (auto* at = static_cast<const char*>(memmem(s, window, what, size))) return at;
    s += window - size + 1;
  }
  return nullptr;
}

// luaL_gsub: s with every what replaced by with (C strings), pushed.
const char* replace(lua_State* L, const char* s, const char* what, const char* with) {
  const char* end = s + std::strlen(s);
  const size_t size = std::strlen(what);
  luaL_Buffer b;
  luaL_buffinit(L, &b);
  for (const char* at; (at = find(L, s, end, what, size)) != nullptr; s = at + size) {
    luaL_addlstring(&b, s, size_t(at - s));
    luaL_addstring(&b, with);
  }
  luaL_addlstring(&b, s, size_t(end - s));
  luaL_pushresult(&b);
  return lua_tostring(L, -1);
}

bool readable(const char* path) {
  FILE* file = std::fopen(path, "r");
  if (!file) return false;
  std::fclose(file);
  return true;
}

// The library's searchpath: the first template of path (separated by ';', each '?' replaced by name with
// its sep replaced by separator) that names a readable file, pushed; else null, with the places tried
// pushed as a message.
const char* searchPath(lua_State* L, const char* name, const char* path, const char* sep,
                       const char* separator) {
  luaL_Buffer tried;
  luaL_buffinit(L, &tried);
  if (*sep) name = replace(L, name, sep, separator);
  const char* end = path + std::strlen(path);
  KillCheck killCheck(L, 1 << 16);
  for (;;) {
    for (; path < end && *path == *LUA_PATH_SEP; ++path)
      killCheck();
    if (path == end) break;
    const char* next = find(L, path, end, LUA_PATH_SEP, 1);
    if (!next) next = end;
    lua_pushlstring(L, path, size_t(next - path));
    path = next;
    const char* file = replace(L, lua_tostring(L, -1), LUA_PATH_MARK, name);
    lua_remove(L, -2);
    if (readable(file)) return file;
    checkKill(L); // an open that the kill interrupted
    lua_pushfstring(L, "\n\tno file '%s'", file);
    lua_remove(L, -2);
    luaL_addvalue(&tried);
  }
  luaL_pushresult(&tried);
  return nullptr;
}

int searchpath(lua_State* L) {
  // Checked last to first, as the library's build does.
  const char* separator = luaL_optstring(L, 4, LUA_DIRSEP);
  const char* sep = luaL_optstring(L, 3, ".");
  const char* path = luaL_checkstring(L, 2);
  const char* name = luaL_checkstring(L, 1);
  if (searchPath(L, name, path, sep, separator)) return 1;
  lua_pushnil(L);
  lua_insert(L, -2);
  return 2;
}

// The searcher of Lua modules along package.path; upvalue 1 is package.
int searchLuaModule(lua_State* L) {
  const char* name = luaL_checkstring(L, 1);
  lua_getfield(L, lua_upvalueindex(1), "path");
  const char* path = lua_tostring(L, -1);
  if (!path) return luaL_error(L, "'package.%s' must be a string", "path");
  const char* file = searchPath(L, name, path, ".", LUA_DIRSEP);
  if (!file) return 1; // the places tried
  if (loadFile(L, file, "t") == LUA_OK) {
    lua_pushstring(L, file);
    return 2;
  }
  return luaL_error(L, "error loading module '%s' from file '%s':\n\t%s", lua_tostring(L, 1), file,
                    lua_tostring(L, -1));
}

} // namespace

namespace qelLua {

void openStoppableLoading(lua_State* L) {
  static const luaL_Reg loaders[] = {
      {"load", load}, {"loadfile", loadfile}, {"dofile", dofile}, {nullptr, nullptr}};
  lua_pushglobaltable(L);
  luaL_setfuncs(L, loaders, 0);
  lua_getglobal(L, "package");
  lua_pushcfunction(L, searchpath);
  lua_setfield(L, -2, "searchpath");
  lua_getfield(L, -1, "searchers");
  lua_pushvalue(L, -2);
  lua_pushcclosure(L, searchLuaModule, 1);
  lua_rawseti(L, -2, 2);
  lua_pop(L, 3);
}

} // namespace qelLua
