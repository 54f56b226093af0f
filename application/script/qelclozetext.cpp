// The words to replace are gathered into a set first (an array's strings, or an associative table's
// keys), so a long list costs one look-up per token; per-word templates are read from the Lua table only
// for the tokens that match.
#include "script/qelclozetext.h"

#include "script/qelsupport.h"
#include "script/qeltextdata.h"
#include "script/qelthreaddata.h"
#include "text/chinesetokenizer.h"
#include "text/oldwordlistmanager.h"

#include <lua.hpp>

#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace {

using qelLua::guarded;

const char* const USAGE = "Text:clozeText( word [,replacement] ) - ";

// Appends the template for one replacement.
void expand(std::string& out, std::string_view tmpl, Span word, long long number) {
  for (size_t i = 0; i < tmpl.size(); ++i) {
    const char c = tmpl[i];
    const char n = i + 1 < tmpl.size() ? tmpl[i + 1] : 0;
    if (c != '%' || (n != 'w' && n != 'n' && n != '%')) {
      out += c;
      continue;
    }
    if (n == 'w') out.append(word.data, word.length);
    if (n == 'n') out += std::to_string(number);
    if (n == '%') out += '%';
    ++i;
  }
}

// Looks strings up by a view, without a copy.
struct ViewHash {
  using is_transparent = void;
  size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
};

// The words to replace and where their templates come from.
struct Request {
  // Copies: a finalizer of the script's, run while the text is taken apart, could empty the word table.
  std::unordered_set<std::string, ViewHash, std::equal_to<>> words;
  std::string_view fallback = "[...]";
  int templates = 0; // stack index of a table of word -> template, or 0
};

// Reads the word argument (index 2) and the replacement (index 3); false when the text comes back as is.
bool readRequest(lua_State* L, Request& request) {
  const int args = lua_gettop(L) - 1;
  if (args != 1 && args != 2)
    luaL_error(L,
               "%sincorrect number of parameters. Expecting clozeText( word ) or clozeText( word, "
               "replacement ) ",
               USAGE);
  bool associative = false;
  size_t length = 0;
  if (lua_type(L, 2) == LUA_TSTRING) {
    const char* word = lua_tolstring(L, 2, &length);
    if (length == 0) return false;
    request.words.emplace(word, length);
  } else if (lua_type(L, 2) == LUA_TTABLE) {
    associative = lua_rawgeti(L, 2, 1) == LUA_TNIL;
    lua_pop(L, 1);
    if (!associative) {
      const lua_Integer n = lua_Integer(lua_rawlen(L, 2));
      if (n == 0) return false;
      for (lua_Integer i = 1; i <= n; ++i) {
        if (lua_rawgeti(L, 2, i) == LUA_TSTRING) {
          const char* word = lua_tolstring(L, -1, &length);
          request.words.emplace(word, length);
        }
        lua_pop(L, 1);
      }
    } else {
      for (lua_pushnil(L); lua_next(L, 2); lua_pop(L, 1)) {
        if (lua_type(L, -2) != LUA_TSTRING) continue;
        const char* word = lua_tolstring(L, -2, &length);
        request.words.emplace(word, length);
      }
      request.templates = 2;
    }
  } else {
    luaL_error(L, "%sword parameter must be either a string or an array of strings", USAGE);
  }
  if (args == 2) {
    if (associative)
      luaL_error(L,
                 "%syou cannot specify a replacement parameter if the word parameter is an associative array",
                 USAGE);
    if (lua_type(L, 3) == LUA_TSTRING) {
      const char* text = lua_tolstring(L, 3, &length);
      request.fallback = std::string_view(text, length);
    } else if (lua_type(L, 3) == LUA_TTABLE) {
      request.templates = 3;
    } else {
      luaL_error(L,
                 "%sreplacement parameter must be either a string or an associate array of strings -> "
                 "replacement strings",
                 USAGE);
    }
  }
  return true;
}

// The template of one matching word: its own from the table when that converts to a string.
std::string_view templateFor(lua_State* L, Request const& request, Span word) {
  if (!request.templates) return request.fallback;
  lua_pushlstring(L, word.data, qelLua::tableKeyLength(word));
  // Raw, so that no script code runs while the word set holds views into the tables' strings.
  lua_rawget(L, request.templates);
  size_t length = 0;
  // Left on the stack until the call returns, so the view stays valid while it is expanded.
  if (lua_type(L, -1) == LUA_TSTRING || lua_type(L, -1) == LUA_TNUMBER) {
    const char* text = lua_tolstring(L, -1, &length);
    return std::string_view(text, length);
  }
  lua_pop(L, 1);
  return request.fallback;
}

} // namespace

namespace qelLua {

int clozeText(lua_State* L) {
  const Span text = checkText(L, 1);
  Request request;
  if (!readRequest(L, request)) {
    lua_pushlstring(L, text.data, text.length);
    return 1;
  }
  const int top = lua_gettop(L);
  std::string out;
  guarded(L, [&] {
    out.reserve(request.fallback.size() * 60 + text.length);
    ChineseTokenizer tokenizer = masterTokenizer(text);
    long long number = 0;
    for (bool more = true; more;) {
      checkKill(L); // stopping and the templates may run script code: never under the lock
      Span chosen;
      {
        OldWordListManager::ReadLock reading; // the tokens up to the next chosen word
        for (unsigned n = 0; n < MASTER_STRETCH; ++n) {
          const Token token = tokenizer.nextToken();
          if (!(more = token.type != Token::EndOfText && token.text)) break;
          if (request.words.count(token.span().view())) {
            chosen = token.span();
            break;
          }
          out.append(token.text, size_t(token.bytes));
        }
      }
      if (chosen.data) {
        expand(out, templateFor(L, request, chosen), chosen, ++number);
        lua_settop(L, top);
      }
    }
    return 0;
  });
  lua_pushlstring(L, out.data(), out.size());
  return 1;
}

} // namespace qelLua
