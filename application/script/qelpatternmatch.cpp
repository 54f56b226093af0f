// Adapted from the pattern matching of Lua 5.3.6's lstrlib.c (Copyright (C) 1994-2020 Lua.org, PUC-Rio,
// MIT licence, see lua.h), so that results, limits and error messages stay those of the library. What is
// added: the count of work and its kill check, a class or a capture compare that is long checked a piece
// at a time, and a match depth that is reset before every match (a kill raised deep in a gmatch would
// otherwise leave its iterator short of depth).
#include "script/qelpatternmatch.h"

#include "script/qelthreaddata.h"

#include <lua.hpp>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace qelLua::patterns {

namespace {

constexpr int MAX_DEPTH = 200;
constexpr int CAP_UNFINISHED = -1;
constexpr int CAP_POSITION = -2;
constexpr char ESC = '%';
constexpr ptrdiff_t KILL_CHECK_WORK = 1 << 16;
// A class or a compare of a capture longer than this goes a piece at a time, a kill check after each: one
// scan of a class of a gigabyte takes a second. A piece is read within a millisecond.
constexpr ptrdiff_t PIECE = 1 << 20;

inline int uchar(char c) {
  return static_cast<unsigned char>(c);
}

int check_capture(MatchState* ms, int l) {
  l -= '1';
  if (l < 0 || l >= ms->level || ms->capture[l].len == CAP_UNFINISHED)
    return luaL_error(ms->L, "invalid capture index %%%d", l + 1);
  return l;
}

int capture_to_close(MatchState* ms) {
  int level = ms->level;
  for (level--; level >= 0; level--)
    if (ms->capture[level].len == CAP_UNFINISHED) return level;
  return luaL_error(ms->L, "invalid pattern capture");
}

const char* classend(MatchState* ms, const char* p) {
  switch (*p++) {
  case ESC:
    if (p == ms->p_end) luaL_error(ms->L, "malformed pattern (ends with '%%')");
    return p + 1;
  case '[': {
    if (*p == '^') p++;
    const char* piece = ms->p_end - p > PIECE ? p + PIECE : ms->p_end;
    do {
      if (p >= piece) {
        if (p == ms->p_end) luaL_error(ms->L, "malformed pattern (missing ']')");
        ms->checkKill();
        piece = ms->p_end - p > PIECE ? p + PIECE : ms->p_end;
      }
      if (*(p++) == ESC && p < ms->p_end) p++;
    } while (*p != ']');
    return p + 1;
  }
  default:
    return p;
  }
}

// The character classes of the current locale, read from the C library's table: in C++ the <cctype>
// functions are calls, which made matching a third slower than the library's.
int match_class(const unsigned short* ctype, int c, int cl) {
  int res;
  switch (cl | 0x20) { // tolower of a class letter
  case 'a':
    res = ctype[c] & _ISalpha;
    break;
  case 'c':
    res = ctype[c] & _IScntrl;
    break;
  case 'd':
    res = ctype[c] & _ISdigit;
    break;
  case 'g':
    res = ctype[c] & _ISgraph;
    break;
  case 'l':
    res = ctype[c] & _ISlower;
    break;
  case 'p':
    res = ctype[c] & _ISpunct;
    break;
  case 's':
    res = ctype[c] & _ISspace;
    break;
  case 'u':
    res = ctype[c] & _ISupper;
    break;
  case 'w':
    res = ctype[c] & _ISalnum;
    break;
  case 'x':
    res = ctype[c] & _ISxdigit;
    break;
  case 'z':
    res = (c == 0);
    break;
  default:
    return (cl == c);
  }
  return (cl >= 'a' ? res : !res); // a lower-case class letter, or its complement
}

// Whether c is in the class from p to its closing bracket ec; the caller counts the scan. A long class
// (LONG) is read a piece at a time, with a kill check after each.
template <bool LONG> int scanbracketclass(MatchState* ms, int c, const char* p, const char* ec) {
  int sig = 1;
  if (*(p + 1) == '^') {
    sig = 0;
    p++;
  }
  [[maybe_unused]] const char* piece = p + (LONG ? PIECE : 0);
  while (++p < ec) {
    if constexpr (LONG) {
      if (p >= piece) {
        ms->checkKill();
        piece = ec - p > PIECE ? p + PIECE : ec;
      }
    }
    if (*p == ESC) {
      p++;
      if (match_class(ms->ctype, c, uchar(*p))) return sig;
    } else if (*(p + 1) == '-' && (p + 2 < ec)) {
      p += 2;
      if (uchar(*(p - 2)) <= c && c <= uchar(*p)) return sig;
    } else if (uchar(*p) == c) {
      return sig;
    }
  }
  return !sig;
}

// Apart, so that the checks cost the usual classes nothing.
[[gnu::noinline]] int matchlongclass(MatchState* ms, int c, const char* p, const char* ec) {
  return scanbracketclass<true>(ms, c, p, ec);
}

int matchbracketclass(MatchState* ms, int c, const char* p, const char* ec) {
  if (ec - p > PIECE) [[unlikely]]
    return matchlongclass(ms, c, p, ec);
  return scanbracketclass<false>(ms, c, p, ec);
}

// The caller counts the scan of a class: ep - p.
int singlematch(MatchState* ms, const char* s, const char* p, const char* ep) {
  if (s >= ms->src_end) return 0;
  const int c = uchar(*s);
  switch (*p) {
  case '.':
    return 1;
  case ESC:
    return match_class(ms->ctype, c, uchar(*(p + 1)));
  case '[':
    return matchbracketclass(ms, c, p, ep - 1);
  default:
    return (uchar(*p) == c);
  }
}

const char* matchbalance(MatchState* ms, const char* s, const char* p) {
  if (p >= ms->p_end - 1) luaL_error(ms->L, "malformed pattern (missing arguments to '%%b')");
  if (*s != *p) return nullptr;
  const int b = *p;
  const int e = *(p + 1);
  int cont = 1;
  while (++s < ms->src_end) {
    ms->step();
    if (*s == e) {
      if (--cont == 0) return s + 1;
    } else if (*s == b) {
      cont++;
    }
  }
  return nullptr;
}

const char* max_expand(MatchState* ms, const char* s, const char* p, const char* ep) {
  const ptrdiff_t width = ep - p;
  ptrdiff_t i = 0;
  while (singlematch(ms, s + i, p, ep)) {
    ms->step(width);
    i++;
  }
  while (i >= 0) {
    const char* res = match(ms, (s + i), ep + 1);
    if (res) return res;
    i--;
  }
  return nullptr;
}

const char* min_expand(MatchState* ms, const char* s, const char* p, const char* ep) {
  for (;;) {
    const char* res = match(ms, s, ep + 1);
    if (res != nullptr) return res;
    ms->step(ep - p);
    if (singlematch(ms, s, p, ep))
      s++;
    else
      return nullptr;
  }
}

const char* start_capture(MatchState* ms, const char* s, const char* p, int what) {
  const int level = ms->level;
  if (level >= MAX_CAPTURES) luaL_error(ms->L, "too many captures");
  ms->capture[level].init = s;
  ms->capture[level].len = what;
  ms->level = static_cast<unsigned char>(level + 1);
  const char* res = match(ms, s, p);
  if (res == nullptr) ms->level--;
  return res;
}

const char* end_capture(MatchState* ms, const char* s, const char* p) {
  const int l = capture_to_close(ms);
  ms->capture[l].len = s - ms->capture[l].init;
  const char* res = match(ms, s, p);
  if (res == nullptr) ms->capture[l].len = CAP_UNFINISHED;
  return res;
}

const char* match_capture(MatchState* ms, const char* s, int l) {
  l = check_capture(ms, l);
  const size_t len = size_t(ms->capture[l].len);
  ms->step(); // an empty capture too: the next item comes in this call
  if (size_t(ms->src_end - s) < len) return nullptr;
  for (size_t done = 0; done < len;) {
    const size_t piece = std::min(len - done, size_t(PIECE));
    if (std::memcmp(ms->capture[l].init + done, s + done, piece) != 0) return nullptr;
    done += piece;
    ms->step(ptrdiff_t(piece));
  }
  return s + len;
}

} // namespace

void MatchState::checkKill() {
  work = KILL_CHECK_WORK;
  qelLua::checkKill(L);
}

const char* match(MatchState* ms, const char* s, const char* p) {
  if (ms->matchdepth-- == 0) luaL_error(ms->L, "pattern too complex");
  ms->step();
init:
  if (p != ms->p_end) {
    switch (*p) {
    case '(':
      if (*(p + 1) == ')')
        s = start_capture(ms, s, p + 2, CAP_POSITION);
      else
        s = start_capture(ms, s, p + 1, CAP_UNFINISHED);
      break;
    case ')':
      s = end_capture(ms, s, p + 1);
      break;
    case '$':
      if ((p + 1) != ms->p_end) goto dflt;
      s = (s == ms->src_end) ? s : nullptr;
      break;
    case ESC:
      switch (*(p + 1)) {
      case 'b':
        s = matchbalance(ms, s, p + 2);
        if (s != nullptr) {
          p += 4;
          goto init;
        }
        break;
      case 'f': {
        p += 2;
        if (*p != '[') luaL_error(ms->L, "missing '[' after '%%f' in pattern");
        const char* ep = classend(ms, p);
        const char previous = (s == ms->src_init) ? '\0' : *(s - 1);
        ms->step(3 * (ep - p));
        if (!matchbracketclass(ms, uchar(previous), p, ep - 1) &&
            matchbracketclass(ms, uchar(*s), p, ep - 1)) {
          p = ep;
          goto init;
        }
        s = nullptr;
        break;
      }
      case '0':
      case '1':
      case '2':
      case '3':
      case '4':
      case '5':
      case '6':
      case '7':
      case '8':
      case '9':
        s = match_capture(ms, s, uchar(*(p + 1)));
        if (s != nullptr) {
          p += 2;
          goto init;
        }
        break;
      default:
        goto dflt;
      }
      break;
    default:
    dflt : {
      const char* ep = classend(ms, p);
      ms->step(2 * (ep - p)); // read for its end and against the character; the next item comes in this call
      if (!singlematch(ms, s, p, ep)) {
        if (*ep == '*' || *ep == '?' || *ep == '-') {
          p = ep + 1;
          goto init;
        }
        s = nullptr;
      } else {
        switch (*ep) {
        case '?': {
          const char* res = match(ms, s + 1, ep + 1);
          if (res != nullptr) {
            s = res;
          } else {
            p = ep + 1;
            goto init;
          }
          break;
        }
        case '+':
          s++;
          [[fallthrough]];
        case '*':
          s = max_expand(ms, s, p, ep);
          break;
        case '-':
          s = min_expand(ms, s, p, ep);
          break;
        default:
          s++;
          p = ep;
          goto init;
        }
      }
      break;
    }
    }
  }
  ms->matchdepth++;
  return s;
}

void push_onecapture(MatchState* ms, int i, const char* s, const char* e) {
  if (i >= ms->level) {
    if (i == 0)
      lua_pushlstring(ms->L, s, size_t(e - s));
    else
      luaL_error(ms->L, "invalid capture index %%%d", i + 1);
  } else {
    const ptrdiff_t l = ms->capture[i].len;
    if (l == CAP_UNFINISHED) luaL_error(ms->L, "unfinished capture");
    if (l == CAP_POSITION)
      lua_pushinteger(ms->L, (ms->capture[i].init - ms->src_init) + 1);
    else
      lua_pushlstring(ms->L, ms->capture[i].init, size_t(l));
  }
}

int push_captures(MatchState* ms, const char* s, const char* e) {
  const int nlevels = (ms->level == 0 && s) ? 1 : ms->level;
  luaL_checkstack(ms->L, nlevels, "too many captures");
  for (int i = 0; i < nlevels; i++)
    push_onecapture(ms, i, s, e);
  return nlevels;
}

void prepstate(MatchState* ms, lua_State* L, const char* s, size_t ls, const char* p, size_t lp) {
  ms->L = L;
  ms->matchdepth = MAX_DEPTH;
  ms->src_init = s;
  ms->src_end = s + ls;
  ms->p_end = p + lp;
  ms->work = KILL_CHECK_WORK;
}

void reprepstate(MatchState* ms) {
  ms->ctype = *__ctype_b_loc(); // of the locale now, which os.setlocale may change between matches
  ms->level = 0;
  ms->matchdepth = MAX_DEPTH;
}

} // namespace qelLua::patterns
