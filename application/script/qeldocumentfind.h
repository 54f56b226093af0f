// The search methods of qel.Document: iterators over the sentences (or lines) that hold a word given as a
// string, an array of strings or a qel.WordList.
#pragma once

struct lua_State;

namespace qelLua {

// Yields word, sentence, line.
int documentFindWord(lua_State* L);
// Yields word, line; each line once.
int documentFindLinesContaining(lua_State* L);
// Yields word, sentence.
int documentFindSentencesContaining(lua_State* L);

} // namespace qelLua
