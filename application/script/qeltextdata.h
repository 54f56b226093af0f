// qel.TextData: the text object of scripts. qel.Text makes one from a string, and document lines,
// sentences and search results reach scripts as such objects. A script takes a text apart into words,
// characters and sentences, collects its words or characters into a qel.WordList, and makes cloze texts.
// The value is a full userdata holding its own copy of the bytes, so the collector knows what it costs.
#pragma once

#include "text/chinesetokenizer.h"
#include "utils/span.h"

#include <cstddef>

class WordHash;
struct lua_State;

namespace qelLua {

// Pushes a new qel.TextData holding a copy of the bytes (null gives the empty text). The bytes must stay
// where they are while the value is made, which may run a finalizer of the script's: a Lua string's or
// another text's do, a buffer that script code could move must be copied out first.
void pushText(lua_State* L, const char* bytes, size_t length);
// The bytes of the qel.TextData at index, valid while the value lives; Lua's argument error otherwise.
Span checkText(lua_State* L, int index);
// The master word list that scripts segment against (loaded on first use).
WordHash const& masterWords();
// A tokenizer over the master list to the end of text, made under the list's read lock, and its next token
// read under it: the main thread may add a custom word in between, and script code (a finalizer, a kill)
// may run between tokens. A loop that runs no script code reads a stretch of tokens under one
// OldWordListManager::ReadLock instead, and checks for kill between stretches.
ChineseTokenizer masterTokenizer(Span text);
Token nextMasterToken(ChineseTokenizer& tokenizer);
// The tokens such a stretch reads at most, so that adding a word waits for no longer than that.
constexpr unsigned MASTER_STRETCH = 4096;
// The length of word cut to at most 255 bytes at a character boundary: words that key a table are cut so.
size_t tableKeyLength(Span word);
// "None", "Invalid", ... "Other" by token type number; "None" for any other number.
const char* wordTypeText(long long type);

// qel.Text(string): a new qel.TextData; a number is taken as its text.
int newText(lua_State* L);

} // namespace qelLua
