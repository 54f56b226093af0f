// The module functions find the program's data through the registry: "qel.qelState", "qel.outputStream"
// and "qel.ThreadData" (Lua's C++ build: a raised error unwinds these frames like an exception). The
// document and text functions come with qel.Document and qel.TextData.
#include "script/qelmodule.h"

#include "script/qeldictionary.h"
#include "script/qeldocument.h"
#include "script/qelfilerequest.h"
#include "script/qelsupport.h"
#include "script/qeltextdata.h"
#include "script/qelthreaddata.h"
#include "script/qelwordlist.h"
#include "utils/outputstream.h"
#include "utils/textbuffer.h"

#include <lua.hpp>

#include <algorithm>
#include <cstring>

namespace {

// Gathers one print call so that it reaches the output stream in one write. A long text goes out a piece
// at a time, with a kill check before each: the owner's stream writes to a file, and a thousand million
// bytes take it seconds.
class LineWriter {
public:
  LineWriter(lua_State* L, OutputStream& out) : L(L), out(out) {}
  void put(const char* s, size_t n) {
    if (used + n > sizeof buffer) {
      flush();
      if (n > sizeof buffer) {
        putLong(s, n);
        return;
      }
    }
    std::memcpy(buffer + used, s, n);
    used += n;
  }
  void flush() {
    if (used) out.write(buffer, used);
    used = 0;
  }

private:
  void putLong(const char* s, size_t n) {
    constexpr size_t PIECE = 1 << 20;
    for (size_t done = 0; done < n; done += PIECE) {
      qelLua::checkKill(L);
      out.write(s + done, std::min(PIECE, n - done));
    }
  }

  lua_State* L;
  OutputStream& out;
  size_t used = 0;
  char buffer[1024];
};

int writeValues(lua_State* L, bool endLine) {
  lua_getfield(L, LUA_REGISTRYINDEX, "qel.outputStream");
  auto* out = lua_islightuserdata(L, -1) ? static_cast<OutputStream*>(lua_touserdata(L, -1)) : nullptr;
  lua_pop(L, 1);
  if (!out) return 0;
  const int n = lua_gettop(L);
  lua_getglobal(L, "tostring");
  LineWriter line(L, *out);
  for (int i = 1; i <= n; ++i) {
    lua_pushvalue(L, -1);
    lua_pushvalue(L, i);
    lua_call(L, 1, 1);
    size_t length = 0;
    const char* text = lua_tolstring(L, -1, &length);
    if (!text) return luaL_error(L, "'tostring' must return a string to 'print'");
    if (i > 1) line.put("\t", 1);
    line.put(text, length);
    lua_pop(L, 1);
  }
  if (endLine) line.put("\n", 1);
  line.flush();
  return 0;
}

int print(lua_State* L) {
  return writeValues(L, true);
}
int write(lua_State* L) {
  return writeValues(L, false);
}

int askUserForValue(lua_State*) {
  return 0;
}

// Asks the chooser and pushes its answer: nil for none, a path, or an array of paths when multiple.
int pushChoice(lua_State* L, QelLua::FileChooser::Kind kind, Text title, bool multiple) {
  std::vector<Text> paths;
  qelLua::ThreadData& thread = qelLua::threadData(L);
  const auto outcome =
      qelLua::guarded(L, [&] { return qelLua::FileRequest::ask(thread, kind, std::move(title), paths); });
  if (outcome == qelLua::FileRequest::Outcome::killed) qelLua::raiseKilled(L);
  if (paths.empty()) {
    lua_pushnil(L);
  } else if (!multiple) {
    lua_pushlstring(L, paths.front().c_str(), paths.front().length());
  } else {
    lua_createtable(L, int(paths.size()), 0);
    for (size_t i = 0; i < paths.size(); ++i) {
      lua_pushlstring(L, paths[i].c_str(), paths[i].length());
      lua_rawseti(L, -2, lua_Integer(i + 1));
    }
  }
  return 1;
}

int askUserForFileToOpen(lua_State* L) {
  const int n = lua_gettop(L);
  if (n > 1) return luaL_error(L, "qel.askUserForFileToOpen expects a single table as a parameter");
  if (n == 1 && !lua_istable(L, 1))
    return luaL_error(L, "qel.askUserForFileToOpen expects a table as a parameter");
  bool multiple = false;
  TextBuffer<1024> title;
  if (n == 1) {
    lua_getfield(L, 1, "allowMultiple");
    multiple = lua_toboolean(L, -1);
    if (lua_getfield(L, 1, "title") == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
      size_t length = 0;
      const char* text = lua_tolstring(L, -1, &length);
      title.assign(Span(text, length));
    } else {
      title.assign(multiple ? "Please choose one or more files" : "Please choose a file");
    }
    lua_pop(L, 2);
  } else {
    title.assign("Please choose a file");
  }
  using Kind = QelLua::FileChooser::Kind;
  return pushChoice(L, multiple ? Kind::openFiles : Kind::openFile, Text(title.span()), multiple);
}

// The title of a folder or save chooser: the one optional argument, a string or number.
Text optionalTitle(lua_State* L, const char* function, const char* fallback) {
  const int n = lua_gettop(L);
  if (n > 1) luaL_error(L, "qel.%s expects no more than 1 parameter", function);
  if (n == 0) return Text(fallback);
  if (!lua_isstring(L, 1)) luaL_error(L, "qel.%s expects a string parameter", function);
  size_t length = 0;
  const char* text = lua_tolstring(L, 1, &length);
  return Text(text, length);
}

int askUserForDirectory(lua_State* L) {
  Text title = optionalTitle(L, "askUserForDirectory", "Please choose a directory");
  return pushChoice(L, QelLua::FileChooser::Kind::directory, std::move(title), false);
}

int askUserForFileToSave(lua_State* L) {
  Text title = optionalTitle(L, "askUserForFileToSave", "");
  return pushChoice(L, QelLua::FileChooser::Kind::saveFile, std::move(title), false);
}

const luaL_Reg functions[] = {
    {"askUserForValue", askUserForValue},
    {"askUserForFileToOpen", askUserForFileToOpen},
    {"askUserForDirectory", askUserForDirectory},
    {"askUserForFileToSave", askUserForFileToSave},
    {"dictionary", qelLua::dictionary},
    {"hskLevel", qelLua::hskLevel},
    {"tocflLevel", qelLua::tocflLevel},
    {"knownWords", qelLua::knownWords},
    {"lookedUpWords", qelLua::lookedUpWords},
    {"openDocuments", qelLua::openDocuments},
    {"print", print},
    {"Text", qelLua::newText},
    {"WordList", qelLua::newWordList},
    {"write", write},
    {nullptr, nullptr},
};

} // namespace

namespace qelLua {

int luaopen_qel(lua_State* L) {
  lua_pushcfunction(L, print);
  lua_setglobal(L, "print");
  luaL_checkversion(L);
  lua_createtable(L, 0, 14);
  luaL_setfuncs(L, functions, 0);
  qelLua::luaopen_document(L);
  lua_setfield(L, -2, "Document");
  return 1;
}

} // namespace qelLua
