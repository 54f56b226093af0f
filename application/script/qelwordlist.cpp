// A list is {set, owned, bits}. Word sets never grow their table, so an owned list rebuilds its set with a
// larger table once it holds more than two words per bucket; a list over the reader's words keeps its set.
// Every error is raised with luaL_error; C++ errors from the sets are turned into Lua errors here, since
// one that crossed the interpreter would come back without a message.
#include "script/qelwordlist.h"

#include "script/luastate.h"
#include "script/qellevels.h"
#include "script/qelstate.h"
#include "script/qelsupport.h"
#include "script/qelthreaddata.h"
#include "text/wordhash.h"
#include "text/wordhashtokenizer.h"
#include "text/wordlistfile.h"
#include "utils/log.h"
#include "utils/textbuffer.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <memory>
#include <sys/stat.h>

namespace {

using qelLua::guarded;
using qelLua::toText;

const char* const METATABLE = "qel.WordList";
constexpr unsigned MIN_BITS = 10;       // 8 KiB of buckets for an empty list
constexpr unsigned MAX_BITS = 20;       // the size of every other script set: the word sets' largest in use
constexpr uint64_t BYTES_PER_WORD = 56; // table node, arena bytes of a two-character word, pool overhead

struct List {
  WordHash* hash;
  bool owned;
  bool collected;      // finalized: a finalizer of the script's may still hand the value back to it
  unsigned bits;       // of an owned set; 0 for one the list does not own
  uint64_t generation; // raised each time the set is rebuilt, so that iterators over the old one stop
  uint64_t charged;    // bytes charged to the script's memory for an owned set, given back when collected
};

unsigned bitsFor(uint64_t words) {
  const unsigned bits = unsigned(std::bit_width(words));
  return std::clamp(bits, MIN_BITS, MAX_BITS);
}

uint64_t setBytes(unsigned bits, uint64_t words) {
  return (uint64_t(8) << bits) + words * BYTES_PER_WORD;
}

// A charge given back when it goes out of scope, unless kept: a set that a kill or an error abandons half
// made does not keep its bytes charged.
struct PendingCharge {
  lua_State* L;
  uint64_t bytes;
  ~PendingCharge() {
    if (bytes) LuaState::release(L, bytes);
  }
};

// The list at index; a Lua error when it is no list or has been collected.
List& checkList(lua_State* L, int index) {
  List& list = *static_cast<List*>(luaL_checkudata(L, index, METATABLE));
  if (list.collected) luaL_error(L, "WordList - the list is no longer available");
  return list;
}

// Makes sure an owned list is charged for holding words words in its set.
void reserve(lua_State* L, List& list, uint64_t words) {
  const uint64_t bytes = setBytes(list.bits, words);
  if (!list.owned || bytes <= list.charged) return;
  const uint64_t more = bytes - list.charged;
  qelLua::chargeMemory(L, more);
  list.charged += more; // not "= bytes": a finalizer run by the charge may have charged this list too
}

// Gives a list without a set an empty one of its own.
WordHash& ensureSet(lua_State* L, List& list) {
  if (!list.hash) {
    list.owned = true;
    list.bits = MIN_BITS;
    reserve(L, list, 0);
    list.hash = guarded(L, [] { return new WordHash(MIN_BITS); });
    ++list.generation;
  }
  return *list.hash;
}

// Every whole word of from into into (or out of it), as WordHash's own add and remove do but checking for a
// kill as they go: a loop of unions of large lists would otherwise outlast a kill by minutes, the kill hook
// counting each union as one instruction.
void addWords(lua_State* L, WordHash& into, WordHash const& from) {
  if (&into == &from) return;
  qelLua::KillCheck killCheck(L);
  guarded(L, [&] {
    from.table().forEachNode([&](WordHash::Table::Node const& n) {
      killCheck();
      if (WordHash::entryType(n.value) == WordHash::Word) into.add(n.key);
    });
    return 0;
  });
}

void removeWords(lua_State* L, WordHash& from, WordHash const& words) {
  qelLua::KillCheck killCheck(L);
  guarded(L, [&] {
    // Collected first, as WordHash::remove does: the chains of from would change while walked when it is
    // words, and removing apart from the walk is faster.
    for (Span const& word : words.words()) {
      killCheck();
      from.remove(word);
    }
    return 0;
  });
}

// Moves the words of an owned list to a set sized for words; both sets are charged while both exist.
void rebuild(lua_State* L, List& list, uint64_t words) {
  const unsigned bits = bitsFor(words);
  const uint64_t bytes = setBytes(bits, words);
  qelLua::chargeMemory(L, bytes);
  PendingCharge larger{L, bytes};
  std::unique_ptr<WordHash> set(guarded(L, [&] { return new WordHash(bits); }));
  addWords(L, *set, *list.hash);
  delete list.hash;
  list.hash = set.release();
  list.bits = bits;
  ++list.generation;
  LuaState::release(L, list.charged);
  list.charged = larger.bytes;
  larger.bytes = 0;
}

// Makes room for extra more words in an owned list, moving its words to a larger set when it would hold
// more than two words per bucket, and charges it for them.
void makeRoom(lua_State* L, List& list, uint64_t extra) {
  if (!list.owned || !list.hash) return;
  const uint64_t words = list.hash->totalWords() + extra;
  if (words > (uint64_t(2) << list.bits) && list.bits < MAX_BITS) rebuild(L, list, words);
  reserve(L, list, words);
}

// Runs change, which adds about extra words to list: an owned list is made room for first and charged for
// what it holds after; a list over the reader's words (the script's copy) is charged for what it grew by,
// for the rest of the run.
template <typename Change> void grow(lua_State* L, List& list, uint64_t extra, Change&& change) {
  ensureSet(L, list);
  makeRoom(L, list, extra);
  const uint64_t before = list.hash->totalWords();
  change();
  if (list.owned)
    makeRoom(L, list, 0);
  else if (list.hash->totalWords() > before)
    qelLua::chargeMemory(L, (list.hash->totalWords() - before) * BYTES_PER_WORD);
}

// 0 for a missing file or a folder, else its size plus one (so that an empty file is told from none).
uint64_t fileSizePlusOne(const char* path) {
  struct stat st;
  if (::stat(path, &st) != 0 || S_ISDIR(st.st_mode)) return 0;
  return uint64_t(st.st_size) + 1;
}

// The words of a word-list file, as WordHash::addFromFile reads them but checking for a kill; false, logged
// under "WARN", when the file cannot be read.
bool readWords(lua_State* L, WordHash& hash, const char* path) {
  try {
    const WordListFile file(path);
    WordHashTokenizer tokenizer(file.range());
    qelLua::KillCheck killCheck(L);
    while (tokenizer.hasTokens()) {
      killCheck();
      hash.add(tokenizer.nextToken().span());
    }
    return true;
  } catch (zun::exception const& e) {
    TextBuffer<1024> prefix;
    prefix.format("Unable to add words from file '%s':\n", path);
    ZUN_LOG_CAUGHT("WARN", prefix.c_str(), e);
    return false;
  }
}

// Adds the words of a word-list file; false when it cannot be read. An empty file holds no words.
bool addFile(lua_State* L, List& list, const char* path) {
  const uint64_t sizePlusOne = fileSizePlusOne(path);
  if (sizePlusOne == 0) return false;
  if (sizePlusOne == 1) return true;
  bool added = false;
  // a line is about two characters and a line end
  grow(L, list, sizePlusOne / 7, [&] { added = guarded(L, [&] { return readWords(L, *list.hash, path); }); });
  return added;
}

int add(lua_State* L) {
  if (lua_gettop(L) != 2) return luaL_error(L, "WordList:__add() - incorrect number of parameters");
  List& a = checkList(L, 1);
  List& b = checkList(L, 2);
  if (!a.hash || !b.hash) return luaL_error(L, "WordList::__add() - word hash not initialised");
  WordHash& sum = qelLua::pushNewWordList(L, a.hash->totalWords() + b.hash->totalWords());
  addWords(L, sum, *a.hash);
  addWords(L, sum, *b.hash);
  return 1;
}

int sub(lua_State* L) {
  if (lua_gettop(L) != 2) return luaL_error(L, "WordList:__sub() - incorrect number of parameters");
  List& a = checkList(L, 1);
  List& b = checkList(L, 2);
  if (!a.hash || !b.hash) return luaL_error(L, "WordList:__sub() - word hash not initialised");
  WordHash& difference = qelLua::pushNewWordList(L, a.hash->totalWords());
  addWords(L, difference, *a.hash);
  removeWords(L, difference, *b.hash);
  return 1;
}

int gc(lua_State* L) {
  auto& list = *static_cast<List*>(luaL_checkudata(L, 1, METATABLE));
  if (list.collected) return 0;
  if (list.owned) delete list.hash;
  LuaState::release(L, list.charged);
  list.charged = 0;
  list.hash = nullptr;
  list.collected = true;
  return 0;
}

int len(lua_State* L) {
  List& list = checkList(L, 1);
  lua_pushinteger(L, list.hash ? lua_Integer(list.hash->totalWords()) : 0);
  return 1;
}

int addFromWordList(lua_State* L) {
  List& list = checkList(L, 1);
  List& other = checkList(L, 2);
  // Both stay on the stack until the words are in: making room runs the collector, which would finalize
  // a list passed as a temporary.
  lua_settop(L, 2);
  if (&list != &other && other.hash && list.hash != other.hash) {
    grow(L, list, other.hash->totalWords(), [&] {
      if (other.hash) addWords(L, *list.hash, *other.hash);
    });
  }
  lua_settop(L, 1);
  return 1;
}

int addFromFile(lua_State* L) {
  List& list = checkList(L, 1);
  const char* path = luaL_checkstring(L, 2);
  if (!addFile(L, list, path))
    return luaL_error(
        L, "WordList:addFromFile - unable to add words from '%s', please check the file exists.", path);
  return 0;
}

int addWord(lua_State* L) {
  if (lua_gettop(L) != 2) return luaL_error(L, "incorrect number of parameters to WordList:addWord()");
  List& list = checkList(L, 1);
  size_t length = 0;
  const char* word = toText(L, 2, length);
  if (!word) return luaL_error(L, "WordList:addWord() - cannot convert parameter to string");
  grow(L, list, 1, [&] {
    guarded(L, [&] {
      list.hash->add(Span(word, length));
      return 0;
    });
  });
  return 0;
}

int contains(lua_State* L) {
  if (lua_gettop(L) != 2) return luaL_error(L, "incorrect number of parameters to WordList:contains()");
  List& list = checkList(L, 1);
  size_t length = 0;
  const char* word = toText(L, 2, length);
  if (!word) return luaL_error(L, "WordList:contains() - cannot convert parameter to string");
  lua_pushboolean(L, list.hash && list.hash->exists(Span(word, length)) == WordHash::Word);
  return 1;
}

// The iterator's state: where it is, and in which generation of the list's set, so that a list rebuilt
// larger during the loop ends the loop instead of leaving it in a freed set.
struct Cursor {
  uint64_t generation;
  WordHash::Iterator at;
  bool started;
};

int nextWord(lua_State* L) {
  List& list = checkList(L, lua_upvalueindex(1));
  auto* cursor = static_cast<Cursor*>(lua_touserdata(L, lua_upvalueindex(2)));
  lua_pushnil(L); // the end of the loop
  if (!list.hash || list.generation != cursor->generation) return 1;
  WordHash const& hash = *list.hash;
  WordHash::Iterator at = cursor->started ? hash.next(cursor->at) : hash.begin();
  cursor->started = true;
  while (!at.atEnd() && at.exists() != WordHash::Word)
    at = hash.next(at);
  cursor->at = at;
  if (at.atEnd()) return 1;
  const Span word = at.key();
  lua_pushlstring(L, word.data ? word.data : "", word.length);
  return 1;
}

int words(lua_State* L) {
  List& list = checkList(L, 1);
  lua_settop(L, 1); // the closure keeps the list alive
  auto* cursor = static_cast<Cursor*>(lua_newuserdata(L, sizeof(Cursor)));
  *cursor = Cursor{list.generation, WordHash::Iterator{}, false};
  lua_pushcclosure(L, nextWord, 2);
  return 1;
}

const luaL_Reg methods[] = {
    {"__add", add},
    {"__gc", gc},
    {"__len", len},
    {"__sub", sub},
    {"addFromWordList", addFromWordList},
    {"addFromFile", addFromFile},
    {"addWord", addWord},
    {"contains", contains},
    {"words", words},
    {nullptr, nullptr},
};

List& pushList(lua_State* L) {
  auto* list = static_cast<List*>(lua_newuserdata(L, sizeof(List)));
  *list = List{nullptr, false, false, 0, 0, 0};
  qelLua::newMetatable(L, METATABLE, methods);
  lua_setmetatable(L, -2);
  return *list;
}

int levelList(lua_State* L, qelLua::LevelType type, const char* name, lua_Integer top) {
  const lua_Integer lower = luaL_checkinteger(L, 1);
  const lua_Integer upper = luaL_optinteger(L, 2, lower);
  if (lower < 1) return luaL_error(L, "%s level cannot be less than 1", name);
  if (upper > top) return luaL_error(L, "%s level cannot be greater than %d", name, int(top));
  if (upper < lower) return luaL_error(L, "%s upper level cannot be lower than the lower level", name);
  qelLua::LevelSets& levels = qelLua::levelSets(L);
  uint64_t words = 0;
  for (lua_Integer n = lower; n <= upper; ++n)
    words += levels.level(type, unsigned(n)).totalWords();
  WordHash& hash = qelLua::pushNewWordList(L, words);
  for (lua_Integer n = lower; n <= upper; ++n)
    addWords(L, hash, levels.level(type, unsigned(n)));
  return 1;
}

} // namespace

namespace qelLua {

void pushWordList(lua_State* L, WordHash& hash) {
  List& list = pushList(L);
  list.hash = &hash;
}

WordHash& pushNewWordList(lua_State* L, uint64_t expectedWords) {
  List& list = pushList(L);
  list.owned = true;
  list.bits = bitsFor(expectedWords);
  reserve(L, list, expectedWords);
  list.hash = guarded(L, [&] { return new WordHash(list.bits); });
  return *list.hash;
}

void chargeWordList(lua_State* L, int index) {
  List& list = checkList(L, index);
  if (list.hash) reserve(L, list, list.hash->totalWords());
}

WordHash& checkWordList(lua_State* L, int index) {
  List& list = checkList(L, index);
  if (!list.hash) luaL_error(L, "WordList - word hash not initialised");
  return *list.hash;
}

int newWordList(lua_State* L) {
  const int n = lua_gettop(L);
  if (n > 1) return luaL_error(L, "qel.WordList() - expects 1 or 0 parameters");
  const char* path = n == 1 ? luaL_checkstring(L, 1) : nullptr;
  pushNewWordList(L, 0);
  if (path && !addFile(L, checkList(L, -1), path))
    return luaL_error(L, "qel.WordList() - error loading WordList from file '%s'.", path);
  return 1;
}

int hskLevel(lua_State* L) {
  return levelList(L, LevelType::hsk, "HSK", 6);
}
int tocflLevel(lua_State* L) {
  return levelList(L, LevelType::tocfl, "TOCFL", 5);
}

int knownWords(lua_State* L) {
  pushWordList(L, qelState(L).knownWords());
  return 1;
}

int lookedUpWords(lua_State* L) {
  pushWordList(L, qelState(L).lookedUpWords());
  return 1;
}

} // namespace qelLua
