#include "script/qeldictionary.h"

#include "dictionary/dictionary.h"
#include "dictionary/toneconverter.h"
#include "script/qelstate.h"
#include "script/qelsupport.h"

#include <string>

namespace {

const char* const METATABLE = "qel.Dictionary";

void setField(lua_State* L, const char* key, std::string const& value) {
  lua_pushlstring(L, value.data(), value.size());
  lua_setfield(L, -2, key);
}

// Pushes the five keys of one entry.
void pushDefinition(lua_State* L, Dictionary::Info const& info, TextBuffer<0> const& tones) {
  lua_createtable(L, 0, 5);
  setField(L, "english", info.english);
  lua_pushlstring(L, tones.c_str(), tones.length());
  lua_setfield(L, -2, "pinyin");
  setField(L, "pinyinNumbers", info.pinyin);
  setField(L, "simplified", info.simplified);
  setField(L, "traditional", info.traditional);
}

int definitions(lua_State* L) {
  Dictionary const* dictionary = *static_cast<Dictionary const**>(luaL_checkudata(L, 1, METATABLE));
  if (lua_gettop(L) < 2)
    return luaL_error(L, "dictionary:definitions() - missing parameter, expecting a string");
  size_t length = 0;
  const char* word = qelLua::toText(L, 2, length);
  if (!word) return luaL_error(L, "dictionary:definitions() - cannot convert parameter to string");
  DictionaryItem const* item = dictionary->item(Span(word, length));
  if (!item) {
    lua_newtable(L);
    return 1;
  }
  lua_createtable(L, int(item->size()), 0);
  qelLua::guarded(L, [&] {
    Dictionary::Info info;
    TextBuffer<0> tones;
    lua_Integer index = 0;
    for (DictionaryEntry const* entry = item->first(); entry; entry = item->next()) {
      // An entry whose line can no longer be read is left out rather than shown empty.
      if (!dictionary->getInfo(*entry, info)) continue;
      ToneConverter::numbersToTones(Span(info.pinyin), tones);
      pushDefinition(L, info, tones);
      lua_rawseti(L, -2, ++index);
    }
    return 0;
  });
  return 1;
}

} // namespace

namespace qelLua {

int dictionary(lua_State* L) {
  auto** slot = static_cast<Dictionary const**>(lua_newuserdata(L, sizeof(Dictionary const*)));
  *slot = &qelState(L).dictionary();
  static const luaL_Reg methods[] = {{"definitions", definitions}, {nullptr, nullptr}};
  qelLua::newMetatable(L, METATABLE, methods);
  lua_setmetatable(L, -2);
  return 1;
}

} // namespace qelLua
