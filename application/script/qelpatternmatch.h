// The matcher of Lua 5.3's patterns behind string.find, match, gmatch and gsub (see qelpatterns), with a
// kill check every 65,536 units of work: a pattern that backtracks runs in C, where the kill hook never
// comes.
#pragma once

#include <cstddef>

struct lua_State;

namespace qelLua::patterns {

constexpr int MAX_CAPTURES = 32;

struct MatchState {
  const char* src_init;
  const char* src_end;
  const char* p_end;
  lua_State* L;
  int matchdepth;
  unsigned char level;
  ptrdiff_t work;              // left until the next kill check
  const unsigned short* ctype; // the current locale's character classes
  struct {
    const char* init;
    ptrdiff_t len;
  } capture[MAX_CAPTURES];

  // Counts work: a step of the matcher counts one, a scan of a class or a compare of a capture its length.
  // Every 65,536 units raises "Script Killed" when the run has been asked to stop, so that checks come at
  // most a few milliseconds apart whatever the pattern.
  void step(ptrdiff_t amount = 1) {
    if ((work -= amount) <= 0) checkKill();
  }
  // Raises "Script Killed" when the run has been asked to stop; the count starts again.
  void checkKill();
};

// Over the subject s and the pattern p (without its anchor).
void prepstate(MatchState* ms, lua_State* L, const char* s, size_t ls, const char* p, size_t lp);
// Before each match.
void reprepstate(MatchState* ms);
// The end of the match of p at s, or null.
const char* match(MatchState* ms, const char* s, const char* p);
// Pushes capture i of the match from s to e (the whole match when the pattern has none).
void push_onecapture(MatchState* ms, int i, const char* s, const char* e);
// Pushes every capture; returns how many.
int push_captures(MatchState* ms, const char* s, const char* e);

} // namespace qelLua::patterns
