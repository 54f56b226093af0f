// A search walks the document's lines through a reader of its own, cuts each line into sentences and
// segments each sentence with a tokenizer of its own (marked as reaching the end of the text, so a
// sentence's last word is whole). A string query searches only the lines between the word's first and
// last occurrence; any other query searches the whole document. The search state lives in a userdata
// ("qel.ProcessorData") that the iterator closure holds; a qel.WordList query stays an upvalue and its set
// is fetched at every call, since adding words may rebuild it.
#include "script/qeldocumentfind.h"

#include "documents/document.h"
#include "script/qeldocument.h"
#include "script/qeldocumentlines.h"
#include "script/qelsentenceiterator.h"
#include "script/qelstate.h"
#include "script/qelsupport.h"
#include "script/qeltextdata.h"
#include "script/qelthreaddata.h"
#include "script/qelwordlist.h"
#include "text/chinesetokenizer.h"
#include "text/oldwordlistmanager.h"
#include "text/segmentengine.h"
#include "text/wordhash.h"

#include <lua.hpp>

#include <limits>
#include <string>
#include <unordered_set>

namespace {

using qelLua::guarded;

const char* const FINDER = "qel.ProcessorData";

enum class Results { wordSentenceLine, wordLine, wordSentence };
enum class Query { string, array, wordList };

struct Finder {
  Finder(const char* path, SegmentEngine const& engine)
      : lines(path), tokenizer(qelLua::masterTokenizer(Span())), engine(engine) {}

  qelLua::DocumentLines lines;
  ChineseTokenizer tokenizer;
  SegmentEngine const& engine;
  qelLua::SentenceIterator sentence;
  bool haveLine = false;
  bool done = false;
  unsigned long lastStart = std::numeric_limits<unsigned long>::max(); // no line beginning after it matches
  Results results = Results::wordSentenceLine;
  Query query = Query::string;
  std::string word;                      // a string query
  std::unordered_set<std::string> words; // an array query's strings
};

int collect(lua_State* L) {
  auto** finder = static_cast<Finder**>(lua_touserdata(L, 1));
  delete *finder;
  *finder = nullptr;
  return 0;
}

// The first word of sentence that the query holds.
bool match(lua_State* L, Finder& f, WordHash const* list, Span sentence, Span& found) {
  OldWordListManager::ReadLock reading; // no script code runs here: one lock for the sentence
  f.tokenizer.reset(Utf8Range(sentence.data, sentence.length));
  for (Token token = f.tokenizer.nextToken(); token.type != Token::EndOfText && token.text;
       token = f.tokenizer.nextToken()) {
    qelLua::checkKill(L); // a search that finds nothing runs in C, through lines of any length
    if (!f.engine.isWord(int(token.type))) continue;
    const Span word = token.span();
    bool hit = false;
    if (f.query == Query::string) hit = word.view() == f.word;
    if (f.query == Query::array) hit = f.words.count(std::string(word.view())) != 0;
    if (f.query == Query::wordList) hit = list->exists(word) == WordHash::Word;
    if (hit) {
      found = word;
      return true;
    }
  }
  return false;
}

// Moves to the next sentence that holds a query word; false at the end of the search.
bool advance(lua_State* L, Finder& f, WordHash const* list, Span& word, Span& sentence) {
  while (!f.done) {
    if (!f.haveLine) {
      qelLua::checkKill(L);
      if (!f.lines.next() || f.lines.lineStart() > f.lastStart) {
        f.done = true;
        break;
      }
      f.haveLine = true;
      f.sentence = qelLua::SentenceIterator();
    }
    qelLua::KillCheck killCheck(L);
    if (!f.sentence.next(f.lines.line(), sentence, killCheck)) {
      f.haveLine = false;
      continue;
    }
    if (match(L, f, list, sentence, word)) return true;
  }
  return false;
}

int nextMatch(lua_State* L) {
  Finder* f = *static_cast<Finder**>(lua_touserdata(L, lua_upvalueindex(1)));
  if (!f) return 0;
  WordHash const* list =
      f->query == Query::wordList ? &qelLua::checkWordList(L, lua_upvalueindex(2)) : nullptr;
  Span word, sentence;
  if (!guarded(L, [&] { return advance(L, *f, list, word, sentence); })) return 0;
  // Copied out before any value is made: making one may run a finalizer of the script's that calls this
  // iterator again, which moves the line buffer.
  const std::string found(word.view()), inSentence(sentence.view()), line(f->lines.lineWithoutEnd().view());
  if (f->results == Results::wordLine) f->haveLine = false; // each line once
  lua_pushlstring(L, found.data(), found.size());
  int n = 1;
  if (f->results != Results::wordLine) {
    qelLua::pushText(L, inSentence.data(), inSentence.size());
    ++n;
  }
  if (f->results != Results::wordSentence) {
    qelLua::pushText(L, line.data(), line.size());
    ++n;
  }
  return n;
}

// Reads the query at index 2 into the finder and sets where the search starts and ends.
void readQuery(lua_State* L, Finder& f, Document& document) {
  switch (lua_type(L, 2)) {
  case LUA_TSTRING: {
    size_t length = 0;
    const char* text = lua_tolstring(L, 2, &length);
    f.word.assign(text, length);
    f.query = Query::string;
    WordStatistics const* r = document.statisticsForWord(Span(text, length));
    // A word the document does not hold starts the search at the end: nothing is found.
    f.lines.seekLineOf(r ? r->firstOccurrence : std::numeric_limits<unsigned long>::max());
    if (r) f.lastStart = r->lastOccurrence;
    return;
  }
  case LUA_TTABLE:
    f.query = Query::array;
    for (lua_Integer i = 1; lua_rawgeti(L, 2, i) != LUA_TNIL; ++i) {
      qelLua::checkKill(L);
      if (lua_type(L, -1) == LUA_TSTRING) {
        size_t length = 0;
        const char* text = lua_tolstring(L, -1, &length);
        f.words.emplace(text, length);
      }
      lua_pop(L, 1);
    }
    lua_pop(L, 1);
    return;
  case LUA_TUSERDATA:
    qelLua::checkWordList(L, 2);
    f.query = Query::wordList;
    return;
  default:
    luaL_error(L, "invalid parameter, expecting a string, a table or a qel.WordList");
  }
}

int find(lua_State* L, Results results) {
  Document& document = qelLua::checkDocument(L, 1);
  lua_settop(L, 2); // no query is a nil one
  SegmentEngine const& engine = qelLua::qelState(L).segmentEngine();
  auto** slot = static_cast<Finder**>(lua_newuserdata(L, sizeof(Finder*)));
  *slot = nullptr;
  if (luaL_newmetatable(L, FINDER)) {
    lua_pushcfunction(L, collect);
    lua_setfield(L, -2, "__gc");
  }
  lua_setmetatable(L, -2);
  *slot = guarded(L, [&] { return new Finder(qelLua::documentFile(document), engine); });
  (*slot)->results = results;
  guarded(L, [&] {
    readQuery(L, **slot, document);
    return 0;
  });
  lua_pushvalue(L, 2); // a qel.WordList query is read at every call
  lua_pushvalue(L, 1); // the document lives as long as the loop
  lua_pushcclosure(L, nextMatch, 3);
  return 1;
}

} // namespace

namespace qelLua {

int documentFindWord(lua_State* L) {
  return find(L, Results::wordSentenceLine);
}
int documentFindLinesContaining(lua_State* L) {
  return find(L, Results::wordLine);
}
int documentFindSentencesContaining(lua_State* L) {
  return find(L, Results::wordSentence);
}

} // namespace qelLua
