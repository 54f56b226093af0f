// A record becomes a table of seven keys: counts and offsets are clamped to what a 32-bit integer holds,
// and a level is the lowest level the word is listed at, or 999 for none. Words used as table keys are cut
// to 255 bytes at a character boundary.
#include "script/qeldocumentstatistics.h"

#include "documents/document.h"
#include "script/qeldocument.h"
#include "script/qelstate.h"
#include "script/qelsupport.h"
#include "script/qeltextdata.h"
#include "script/qelthreaddata.h"
#include "script/qelwordlist.h"
#include "text/wordhash.h"

#include <lua.hpp>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace {

using Filter = DocumentStatistics::FilterType;

constexpr uint64_t MAX_COUNT = 2147483647;
constexpr int NO_LEVEL = 999;

struct Options {
  bool keyByWord = false;
  bool sorted = true;
  WordHash const* list = nullptr; // for known and unknown
  WordStatisticsSort::Type sort = WordStatisticsSort::FrequencyDescending;
};

// The sort code from the options' sortBy and ascending.
WordStatisticsSort::Type sortOrder(lua_State* L, int options) {
  struct Column {
    const char* name;
    int byDefault, ascending, descending;
  };
  static const Column columns[] = {
      {"frequency", 1, 0, 1}, {"firstOccurrence", 2, 2, 3}, {"word", 4, 4, 5},
      {"hskLevel", 6, 6, 7},  {"tocflLevel", 8, 8, 9},
  };
  Column const* column = &columns[0];
  if (lua_getfield(L, options, "sortBy") == LUA_TSTRING) {
    const char* sortBy = lua_tostring(L, -1);
    for (Column const& c : columns)
      if (std::strcmp(sortBy, c.name) == 0) column = &c;
  }
  int code = column->byDefault;
  if (lua_getfield(L, options, "ascending") != LUA_TNIL)
    code = lua_toboolean(L, -1) ? column->ascending : column->descending;
  lua_pop(L, 2);
  return WordStatisticsSort::Type(code);
}

// Reading an option may run script code (an __index function) that collects or rebuilds a list, so the
// word list stays on the stack for the call and its set is fetched once every option has been read.
Options readOptions(lua_State* L, Filter filter) {
  Options o;
  const int args = lua_gettop(L) - 1;
  if (args > 1) luaL_error(L, "Document:statisticsSortOrder - expects a total of 2 arguments");
  int list = 0;
  if (args == 1 && lua_istable(L, 2)) {
    lua_getfield(L, 2, "keyByWord");
    o.keyByWord = lua_toboolean(L, -1);
    if (lua_getfield(L, 2, "sorted") == LUA_TBOOLEAN) o.sorted = lua_toboolean(L, -1);
    lua_pop(L, 2);
    if (filter != DocumentStatistics::AllWords) {
      if (lua_getfield(L, 2, "wordList") != LUA_TNIL)
        list = lua_gettop(L);
      else
        lua_pop(L, 1);
    }
    o.sort = sortOrder(L, 2);
  }
  if (filter != DocumentStatistics::AllWords)
    o.list = list ? &qelLua::checkWordList(L, list) : &qelLua::qelState(L).knownWords();
  return o;
}

lua_Integer clamped(uint64_t n) {
  return lua_Integer(std::min(n, MAX_COUNT));
}

int lowestLevel(uint16_t bits) {
  return bits ? std::countr_zero(bits) + 1 : NO_LEVEL;
}

void pushRecord(lua_State* L, WordStatistics const& r, bool withWord) {
  lua_createtable(L, 0, 7);
  if (withWord) {
    lua_pushlstring(L, r.word.data, r.word.length);
    lua_setfield(L, -2, "word");
  }
  lua_pushinteger(L, clamped(r.frequency));
  lua_setfield(L, -2, "frequency");
  lua_pushnumber(L, r.percentageFrequency);
  lua_setfield(L, -2, "percentageFrequency");
  lua_pushnumber(L, r.cumulativePercentageFrequency);
  lua_setfield(L, -2, "cumulativePercentageFrequency");
  lua_pushinteger(L, clamped(r.firstOccurrence));
  lua_setfield(L, -2, "firstOccurrence");
  lua_pushinteger(L, lowestLevel(r.hskLevel));
  lua_setfield(L, -2, "hskLevel");
  lua_pushinteger(L, lowestLevel(r.tocflLevel));
  lua_setfield(L, -2, "tocflLevel");
}

// Both read every word of the document before the first check in their loops: a loop of them is stopped
// at the next one.
int statistics(lua_State* L, Filter filter, const char* method) {
  qelLua::checkKill(L);
  Document& document = qelLua::checkDocument(L, 1);
  qelLua::checkProcessed(L, document, method);
  const Options o = readOptions(L, filter);
  std::vector<WordStatistics*> records;
  qelLua::guarded(L, [&] {
    document.wordStatisticsList(records, o.sort, filter, o.list);
    return 0;
  });
  const int count = int(std::min<size_t>(records.size(), MAX_COUNT));
  qelLua::KillCheck killCheck(L);
  if (!o.keyByWord) {
    lua_createtable(L, count, 0);
    for (int i = 0; i < count; ++i) {
      killCheck();
      pushRecord(L, *records[size_t(i)], true);
      lua_rawseti(L, -2, i + 1);
    }
    return 1;
  }
  lua_createtable(L, 0, count);
  if (o.sorted) lua_createtable(L, count, 0);
  const int table = o.sorted ? -3 : -2;
  for (int i = 0; i < count; ++i) {
    killCheck();
    WordStatistics const& r = *records[size_t(i)];
    lua_pushlstring(L, r.word.data, qelLua::tableKeyLength(r.word));
    if (o.sorted) {
      lua_pushvalue(L, -1);
      lua_rawseti(L, -3, i + 1);
    }
    pushRecord(L, r, false);
    lua_rawset(L, table - 1);
  }
  return o.sorted ? 2 : 1;
}

int words(lua_State* L, Filter filter, const char* method) {
  qelLua::checkKill(L);
  Document& document = qelLua::checkDocument(L, 1);
  qelLua::checkProcessed(L, document, method);
  WordHash const* list = nullptr;
  if (filter != DocumentStatistics::AllWords)
    list = lua_isnoneornil(L, 2) ? &qelLua::qelState(L).knownWords() : &qelLua::checkWordList(L, 2);
  std::vector<WordStatistics*> records;
  qelLua::guarded(L, [&] {
    document.wordStatisticsList(records, WordStatisticsSort::WordAscending, filter, list);
    return 0;
  });
  WordHash& hash = qelLua::pushNewWordList(L, records.size());
  qelLua::KillCheck killCheck(L);
  qelLua::guarded(L, [&] {
    for (WordStatistics const* r : records) {
      killCheck();
      hash.add(r->word);
    }
    return 0;
  });
  return 1;
}

} // namespace

namespace qelLua {

int documentKnownWords(lua_State* L) {
  return words(L, DocumentStatistics::KnownWords, "knownWords");
}
int documentUnknownWords(lua_State* L) {
  return words(L, DocumentStatistics::UnknownWords, "unknownWords");
}
int documentAllWords(lua_State* L) {
  return words(L, DocumentStatistics::AllWords, "allWords");
}
int documentKnownStatistics(lua_State* L) {
  return statistics(L, DocumentStatistics::KnownWords, "knownStatistics");
}
int documentUnknownStatistics(lua_State* L) {
  return statistics(L, DocumentStatistics::UnknownWords, "unknownStatistics");
}
int documentAllStatistics(lua_State* L) {
  return statistics(L, DocumentStatistics::AllWords, "allStatistics");
}

} // namespace qelLua
