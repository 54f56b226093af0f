// The words and statistics methods of qel.Document: the document's words as qel.WordList values, and its
// word records as tables, filtered by a word list and sorted as the script asks.
#pragma once

struct lua_State;

namespace qelLua {

int documentKnownWords(lua_State* L);
int documentUnknownWords(lua_State* L);
int documentAllWords(lua_State* L);
int documentKnownStatistics(lua_State* L);
int documentUnknownStatistics(lua_State* L);
int documentAllStatistics(lua_State* L);

} // namespace qelLua
