// qel.WordList: the word-set object of scripts. A value is a full userdata over a WordHash; lists that
// scripts make own their set and delete it when collected. Their tables are sized by the words they are
// expected to hold and rebuilt larger as they fill. What each set costs is charged to the script's memory
// bound and told to the collector, so a script that makes lists in a loop stays within memory, and one that
// keeps them ends with "not enough memory". Every loop over words checks for a kill.
#pragma once

#include <cstdint>

class WordHash;
struct lua_State;

namespace qelLua {

// Pushes a list over hash, which the caller keeps (the reader's words reach a script as such copies).
void pushWordList(lua_State* L, WordHash& hash);
// Pushes a new, owned, empty list with room for about expectedWords and returns its set. Raises a Lua
// error when out of memory.
WordHash& pushNewWordList(lua_State* L, uint64_t expectedWords);
// Charges the new list at index for the words it holds, when they are more than it was made for.
void chargeWordList(lua_State* L, int index);
// The set of the list at index; Lua's argument error when it is no qel.WordList.
WordHash& checkWordList(lua_State* L, int index);

// Module functions: qel.WordList([path]), qel.hskLevel, qel.tocflLevel, qel.knownWords, qel.lookedUpWords.
int newWordList(lua_State* L);
int hskLevel(lua_State* L);
int tocflLevel(lua_State* L);
int knownWords(lua_State* L);
int lookedUpWords(lua_State* L);

} // namespace qelLua
