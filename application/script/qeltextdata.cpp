// A text is {length, bytes..., NUL} in one userdata. Iterators are closures whose upvalues keep the text
// alive, so the bytes they walk never go while they do; the word iterator's tokenizer lives in a userdata
// of its own that deletes it when collected. Every tokenizer here is marked as reading to the end of the
// text, so a text that ends in the beginning of a longer word still hands out its last characters.
#include "script/qeltextdata.h"

#include "script/qelclozetext.h"
#include "script/qelsentenceiterator.h"
#include "script/qelstate.h"
#include "script/qelsupport.h"
#include "script/qelthreaddata.h"
#include "script/qelwordlist.h"
#include "text/chinesetokenizer.h"
#include "text/oldwordlistmanager.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"
#include "utils/utf8.h"

#include <lua.hpp>

#include <cstring>

namespace {

using qelLua::checkText;
using qelLua::guarded;

const char* const METATABLE = "qel.TextData";
const char* const WORD_ITERATOR = "qel.TextWordIterator";

struct TextHeader {
  size_t length;
  char* bytes() { return reinterpret_cast<char*>(this + 1); }
};

int concat(lua_State* L) {
  if (lua_gettop(L) != 2) return luaL_error(L, "expecting exactly 2 arguments");
  luaL_tolstring(L, 1, nullptr);
  luaL_tolstring(L, 2, nullptr);
  lua_concat(L, 2);
  return 1;
}

int toString(lua_State* L) {
  const Span text = checkText(L, 1);
  lua_pushlstring(L, text.data, text.length);
  return 1;
}

// The word iterator's own tokenizer over the text, and whether every token is handed out.
struct WordIterator {
  ChineseTokenizer* tokenizer;
  SegmentEngine const* engine;
  bool all;
};

int collectWordIterator(lua_State* L) {
  auto* it = static_cast<WordIterator*>(luaL_checkudata(L, 1, WORD_ITERATOR));
  delete it->tokenizer;
  it->tokenizer = nullptr;
  return 0;
}

int nextWord(lua_State* L) {
  auto* it = static_cast<WordIterator*>(lua_touserdata(L, lua_upvalueindex(1)));
  if (!it->tokenizer) return 0;
  qelLua::KillCheck killCheck(L); // a long text of spaces and punctuation holds no word
  for (;;) {
    killCheck();
    const Token token = guarded(L, [&] { return qelLua::nextMasterToken(*it->tokenizer); });
    if (token.type == Token::EndOfText || !token.text) return 0;
    if (!it->all && !it->engine->isWord(int(token.type))) continue;
    lua_pushlstring(L, token.text, size_t(token.bytes));
    lua_pushinteger(L, lua_Integer(token.type));
    lua_pushstring(L, qelLua::wordTypeText(token.type));
    return 3;
  }
}

int words(lua_State* L) {
  const Span text = checkText(L, 1);
  const bool all = lua_toboolean(L, 2);
  SegmentEngine const& engine = qelLua::qelState(L).segmentEngine();
  guarded(L, [] { return &qelLua::masterWords(); }); // loaded before the iterator is made
  auto* it = static_cast<WordIterator*>(lua_newuserdata(L, sizeof(WordIterator)));
  *it = WordIterator{nullptr, &engine, all};
  if (luaL_newmetatable(L, WORD_ITERATOR)) {
    lua_pushcfunction(L, collectWordIterator);
    lua_setfield(L, -2, "__gc");
  }
  lua_setmetatable(L, -2);
  it->tokenizer = guarded(L, [&] { return new ChineseTokenizer(qelLua::masterTokenizer(text)); });
  lua_pushvalue(L, 1); // the text outlives the tokenizer reading it
  lua_pushcclosure(L, nextWord, 2);
  return 1;
}

int wordList(lua_State* L) {
  const Span text = checkText(L, 1);
  SegmentEngine const& engine = qelLua::qelState(L).segmentEngine();
  WordHash& hash = qelLua::pushNewWordList(L, text.length / 4);
  guarded(L, [&] {
    ChineseTokenizer tokenizer = qelLua::masterTokenizer(text);
    for (bool more = true; more;) {
      qelLua::checkKill(L); // stopping may run script code: never under the lock
      OldWordListManager::ReadLock reading;
      for (unsigned n = 0; n < qelLua::MASTER_STRETCH; ++n) {
        const Token token = tokenizer.nextToken();
        if (!(more = token.type != Token::EndOfText && token.text)) break;
        if (engine.isWord(int(token.type))) hash.add(token.span());
      }
    }
    return 0;
  });
  qelLua::chargeWordList(L, -1);
  return 1;
}

// Characters that count without all: letters, digits, ideographs, strokes, radicals and any other
// character, but no white space, punctuation or malformed input.
bool isCountedCharacter(uint32_t c) {
  switch (utf8::get_type(c)) {
  case utf8::Invalid:
  case utf8::AsciiOther:
  case utf8::AsciiWhite:
  case utf8::AsciiPunctuation:
  case utf8::GeneralPunctuation:
  case utf8::IdeographicSpace:
  case utf8::ChinesePunctuation:
    return false;
  default:
    return true;
  }
}

// The next character at or after position that passes (every one with all); moves position past it.
// A long run of characters that do not pass is walked within one call, so killCheck runs at each.
bool nextCharacter(Span text, size_t& position, bool all, Span& character, bool& replaced,
                   qelLua::KillCheck& killCheck) {
  while (position < text.length) {
    killCheck();
    const char* p = text.data + position;
    const size_t length = qelLua::characterLength(p, text.end());
    size_t decoded = 0;
    const uint32_t c = utf8::decode(p, p + length, decoded);
    position += length;
    replaced = c == utf8::REPLACEMENT;
    if (all || isCountedCharacter(c)) {
      character = Span(p, length);
      return true;
    }
  }
  return false;
}

int nextCharacterOf(lua_State* L) {
  const Span text = checkText(L, lua_upvalueindex(1));
  size_t position = size_t(lua_tointeger(L, lua_upvalueindex(2)));
  const bool all = lua_toboolean(L, lua_upvalueindex(3));
  Span character;
  bool replaced = false;
  qelLua::KillCheck killCheck(L);
  const bool found = nextCharacter(text, position, all, character, replaced, killCheck);
  lua_pushinteger(L, lua_Integer(position));
  lua_replace(L, lua_upvalueindex(2));
  if (!found) return 0;
  if (replaced)
    lua_pushstring(L, "\xEF\xBF\xBD");
  else
    lua_pushlstring(L, character.data, character.length);
  return 1;
}

int characters(lua_State* L) {
  checkText(L, 1);
  lua_settop(L, 2);
  lua_pushvalue(L, 1);
  lua_pushinteger(L, 0);
  lua_pushboolean(L, lua_toboolean(L, 2));
  lua_pushcclosure(L, nextCharacterOf, 3);
  return 1;
}

int characterList(lua_State* L) {
  const Span text = checkText(L, 1);
  WordHash& hash = qelLua::pushNewWordList(L, text.length / 3);
  qelLua::KillCheck killCheck(L);
  guarded(L, [&] {
    size_t position = 0;
    Span character;
    bool replaced = false;
    while (nextCharacter(text, position, false, character, replaced, killCheck))
      hash.add(character);
    return 0;
  });
  qelLua::chargeWordList(L, -1);
  return 1;
}

int nextSentence(lua_State* L) {
  const Span text = checkText(L, lua_upvalueindex(1));
  qelLua::SentenceIterator it{size_t(lua_tointeger(L, lua_upvalueindex(2)))};
  Span sentence;
  qelLua::KillCheck killCheck(L);
  const bool found = it.next(text, sentence, killCheck);
  lua_pushinteger(L, lua_Integer(it.position));
  lua_replace(L, lua_upvalueindex(2));
  if (!found) return 0;
  qelLua::pushText(L, sentence.data, sentence.length);
  return 1;
}

int sentences(lua_State* L) {
  checkText(L, 1);
  lua_settop(L, 1);
  lua_pushinteger(L, 0);
  lua_pushcclosure(L, nextSentence, 2);
  return 1;
}

const luaL_Reg methods[] = {
    {"__concat", concat},     {"__tostring", toString},         {"words", words},
    {"wordList", wordList},   {"characters", characters},       {"characterList", characterList},
    {"sentences", sentences}, {"clozeText", qelLua::clozeText}, {nullptr, nullptr},
};

} // namespace

namespace qelLua {

void pushText(lua_State* L, const char* bytes, size_t length) {
  if (!bytes) length = 0;
  auto* text = static_cast<TextHeader*>(lua_newuserdata(L, sizeof(TextHeader) + length + 1));
  text->length = length;
  if (length) std::memcpy(text->bytes(), bytes, length);
  text->bytes()[length] = 0;
  qelLua::newMetatable(L, METATABLE, methods);
  lua_setmetatable(L, -2);
}

Span checkText(lua_State* L, int index) {
  auto* text = static_cast<TextHeader*>(luaL_checkudata(L, index, METATABLE));
  return Span(text->bytes(), text->length);
}

WordHash const& masterWords() {
  return OldWordListManager::instance().privateMasterList();
}

ChineseTokenizer masterTokenizer(Span text) {
  WordHash const& master = masterWords();
  OldWordListManager::ReadLock reading;
  return ChineseTokenizer(Utf8Range(text.data, text.length), master, true);
}

Token nextMasterToken(ChineseTokenizer& tokenizer) {
  OldWordListManager::ReadLock reading;
  return tokenizer.nextToken();
}

size_t tableKeyLength(Span word) {
  constexpr size_t MAX_KEY = 255;
  if (word.length <= MAX_KEY) return word.length;
  size_t n = MAX_KEY;
  while (n > 0 && (static_cast<unsigned char>(word.data[n]) & 0xC0) == 0x80)
    --n;
  return n;
}

const char* wordTypeText(long long type) {
  return type >= Token::None && type <= Token::Other ? Token::typeName(uint32_t(type)) : "None";
}

int newText(lua_State* L) {
  size_t length = 0;
  const char* text = luaL_checklstring(L, 1, &length);
  pushText(L, text, length);
  return 1;
}

} // namespace qelLua
