// Adapted from the pattern matching of Lua 5.3.6's lstrlib.c (Copyright (C) 1994-2020 Lua.org, PUC-Rio,
// MIT licence, see lua.h), so that results, limits and error messages stay those of the library. What is
// added: the step counter and its kill check, and a match depth that is reset before every match (a kill
// raised deep in a gmatch would otherwise leave its iterator short of depth).
#include "application/qelpatterns.h"

#include "application/qelthreaddata.h"

#include <lua.hpp>

#include <cctype>
#include <cstddef>
#include <cstring>

namespace {

constexpr int MAX_CAPTURES = 32;
constexpr int MAX_DEPTH = 200;
constexpr int CAP_UNFINISHED = -1;
constexpr int CAP_POSITION = -2;
constexpr char ESC = '%';
const char* const SPECIALS = "^$*+?.([%-";
constexpr unsigned KILL_CHECK_STEPS = 1u << 16;

inline int uchar(char c) {
  return static_cast<unsigned char>(c);
}

struct MatchState {
  const char* src_init;
  const char* src_end;
  const char* p_end;
  lua_State* L;
  int matchdepth;
  unsigned char level;
  unsigned steps;
  struct {
    const char* init;
    ptrdiff_t len;
  } capture[MAX_CAPTURES];

  void step() {
    if (++steps % KILL_CHECK_STEPS == 0) qelLua::checkKill(L);
  }
};

const char* match(MatchState* ms, const char* s, const char* p);

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
  case '[':
    if (*p == '^') p++;
    do {
      if (p == ms->p_end) luaL_error(ms->L, "malformed pattern (missing ']')");
      if (*(p++) == ESC && p < ms->p_end) p++;
    } while (*p != ']');
    return p + 1;
  default:
    return p;
  }
}

int match_class(int c, int cl) {
  int res;
  switch (tolower(cl)) {
  case 'a':
    res = isalpha(c);
    break;
  case 'c':
    res = iscntrl(c);
    break;
  case 'd':
    res = isdigit(c);
    break;
  case 'g':
    res = isgraph(c);
    break;
  case 'l':
    res = islower(c);
    break;
  case 'p':
    res = ispunct(c);
    break;
  case 's':
    res = isspace(c);
    break;
  case 'u':
    res = isupper(c);
    break;
  case 'w':
    res = isalnum(c);
    break;
  case 'x':
    res = isxdigit(c);
    break;
  case 'z':
    res = (c == 0);
    break;
  default:
    return (cl == c);
  }
  return (islower(cl) ? res : !res);
}

int matchbracketclass(int c, const char* p, const char* ec) {
  int sig = 1;
  if (*(p + 1) == '^') {
    sig = 0;
    p++;
  }
  while (++p < ec) {
    if (*p == ESC) {
      p++;
      if (match_class(c, uchar(*p))) return sig;
    } else if (*(p + 1) == '-' && (p + 2 < ec)) {
      p += 2;
      if (uchar(*(p - 2)) <= c && c <= uchar(*p)) return sig;
    } else if (uchar(*p) == c) {
      return sig;
    }
  }
  return !sig;
}

int singlematch(MatchState* ms, const char* s, const char* p, const char* ep) {
  if (s >= ms->src_end) return 0;
  const int c = uchar(*s);
  switch (*p) {
  case '.':
    return 1;
  case ESC:
    return match_class(c, uchar(*(p + 1)));
  case '[':
    return matchbracketclass(c, p, ep - 1);
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
  ptrdiff_t i = 0;
  while (singlematch(ms, s + i, p, ep)) {
    ms->step();
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
  if (size_t(ms->src_end - s) >= len && std::memcmp(ms->capture[l].init, s, len) == 0) return s + len;
  return nullptr;
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
        if (!matchbracketclass(uchar(previous), p, ep - 1) && matchbracketclass(uchar(*s), p, ep - 1)) {
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

const char* lmemfind(const char* s1, size_t l1, const char* s2, size_t l2) {
  if (l2 == 0) return s1;
  if (l2 > l1) return nullptr;
  l2--;
  l1 = l1 - l2;
  const char* init;
  while (l1 > 0 && (init = static_cast<const char*>(std::memchr(s1, *s2, l1))) != nullptr) {
    init++;
    if (std::memcmp(init, s2 + 1, l2) == 0) return init - 1;
    l1 -= size_t(init - s1);
    s1 = init;
  }
  return nullptr;
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

bool nospecials(const char* p, size_t l) {
  size_t upto = 0;
  do {
    if (std::strpbrk(p + upto, SPECIALS)) return false;
    upto += std::strlen(p + upto) + 1;
  } while (upto <= l);
  return true;
}

void prepstate(MatchState* ms, lua_State* L, const char* s, size_t ls, const char* p, size_t lp) {
  ms->L = L;
  ms->matchdepth = MAX_DEPTH;
  ms->src_init = s;
  ms->src_end = s + ls;
  ms->p_end = p + lp;
  ms->steps = 0;
}

void reprepstate(MatchState* ms) {
  ms->level = 0;
  ms->matchdepth = MAX_DEPTH;
}

lua_Integer posrelat(lua_Integer pos, size_t len) {
  if (pos >= 0) return pos;
  if (0u - size_t(pos) > len) return 0;
  return lua_Integer(len) + pos + 1;
}

int str_find_aux(lua_State* L, bool find) {
  size_t ls, lp;
  const char* s = luaL_checklstring(L, 1, &ls);
  const char* p = luaL_checklstring(L, 2, &lp);
  lua_Integer init = posrelat(luaL_optinteger(L, 3, 1), ls);
  if (init < 1) {
    init = 1;
  } else if (init > lua_Integer(ls) + 1) {
    lua_pushnil(L);
    return 1;
  }
  if (find && (lua_toboolean(L, 4) || nospecials(p, lp))) {
    const char* s2 = lmemfind(s + init - 1, ls - size_t(init) + 1, p, lp);
    if (s2) {
      lua_pushinteger(L, (s2 - s) + 1);
      lua_pushinteger(L, lua_Integer(size_t(s2 - s) + lp));
      return 2;
    }
  } else {
    MatchState ms;
    const char* s1 = s + init - 1;
    const bool anchor = (*p == '^');
    if (anchor) {
      p++;
      lp--;
    }
    prepstate(&ms, L, s, ls, p, lp);
    do {
      reprepstate(&ms);
      if (const char* res = match(&ms, s1, p)) {
        if (find) {
          lua_pushinteger(L, (s1 - s) + 1);
          lua_pushinteger(L, res - s);
          return push_captures(&ms, nullptr, nullptr) + 2;
        }
        return push_captures(&ms, s1, res);
      }
    } while (s1++ < ms.src_end && !anchor);
  }
  lua_pushnil(L);
  return 1;
}

int str_find(lua_State* L) {
  return str_find_aux(L, true);
}

int str_match(lua_State* L) {
  return str_find_aux(L, false);
}

struct GMatchState {
  const char* src;
  const char* p;
  const char* lastmatch;
  MatchState ms;
};

int gmatch_aux(lua_State* L) {
  auto* gm = static_cast<GMatchState*>(lua_touserdata(L, lua_upvalueindex(3)));
  gm->ms.L = L;
  for (const char* src = gm->src; src <= gm->ms.src_end; src++) {
    reprepstate(&gm->ms);
    const char* e = match(&gm->ms, src, gm->p);
    if (e != nullptr && e != gm->lastmatch) {
      gm->src = gm->lastmatch = e;
      return push_captures(&gm->ms, src, e);
    }
  }
  return 0;
}

int gmatch(lua_State* L) {
  size_t ls, lp;
  const char* s = luaL_checklstring(L, 1, &ls);
  const char* p = luaL_checklstring(L, 2, &lp);
  lua_settop(L, 2); // the closure keeps both strings
  auto* gm = static_cast<GMatchState*>(lua_newuserdata(L, sizeof(GMatchState)));
  prepstate(&gm->ms, L, s, ls, p, lp);
  gm->src = s;
  gm->p = p;
  gm->lastmatch = nullptr;
  lua_pushcclosure(L, gmatch_aux, 3);
  return 1;
}

void add_s(MatchState* ms, luaL_Buffer* b, const char* s, const char* e) {
  size_t l;
  lua_State* L = ms->L;
  const char* news = lua_tolstring(L, 3, &l);
  for (size_t i = 0; i < l; i++) {
    if (news[i] != ESC) {
      luaL_addchar(b, news[i]);
      continue;
    }
    i++;
    if (!isdigit(uchar(news[i]))) {
      if (news[i] != ESC) luaL_error(L, "invalid use of '%c' in replacement string", ESC);
      luaL_addchar(b, news[i]);
    } else if (news[i] == '0') {
      luaL_addlstring(b, s, size_t(e - s));
    } else {
      push_onecapture(ms, news[i] - '1', s, e);
      luaL_tolstring(L, -1, nullptr);
      lua_remove(L, -2);
      luaL_addvalue(b);
    }
  }
}

void add_value(MatchState* ms, luaL_Buffer* b, const char* s, const char* e, int tr) {
  lua_State* L = ms->L;
  switch (tr) {
  case LUA_TFUNCTION: {
    lua_pushvalue(L, 3);
    const int n = push_captures(ms, s, e);
    lua_call(L, n, 1);
    break;
  }
  case LUA_TTABLE:
    push_onecapture(ms, 0, s, e);
    lua_gettable(L, 3);
    break;
  default:
    add_s(ms, b, s, e);
    return;
  }
  if (!lua_toboolean(L, -1)) {
    lua_pop(L, 1);
    lua_pushlstring(L, s, size_t(e - s));
  } else if (!lua_isstring(L, -1)) {
    luaL_error(L, "invalid replacement value (a %s)", luaL_typename(L, -1));
  }
  luaL_addvalue(b);
}

int str_gsub(lua_State* L) {
  size_t srcl, lp;
  const char* src = luaL_checklstring(L, 1, &srcl);
  const char* p = luaL_checklstring(L, 2, &lp);
  const char* lastmatch = nullptr;
  const int tr = lua_type(L, 3);
  const lua_Integer max_s = luaL_optinteger(L, 4, lua_Integer(srcl) + 1);
  const bool anchor = (*p == '^');
  lua_Integer n = 0;
  MatchState ms;
  luaL_Buffer b;
  luaL_argcheck(L, tr == LUA_TNUMBER || tr == LUA_TSTRING || tr == LUA_TFUNCTION || tr == LUA_TTABLE, 3,
                "string/function/table expected");
  luaL_buffinit(L, &b);
  if (anchor) {
    p++;
    lp--;
  }
  prepstate(&ms, L, src, srcl, p, lp);
  while (n < max_s) {
    reprepstate(&ms);
    const char* e = match(&ms, src, p);
    if (e != nullptr && e != lastmatch) {
      n++;
      add_value(&ms, &b, src, e, tr);
      src = lastmatch = e;
    } else if (src < ms.src_end) {
      luaL_addchar(&b, *src++);
    } else {
      break;
    }
    if (anchor) break;
  }
  luaL_addlstring(&b, src, size_t(ms.src_end - src));
  luaL_pushresult(&b);
  lua_pushinteger(L, n);
  return 2;
}

} // namespace

namespace qelLua {

void openStoppablePatterns(lua_State* L) {
  static const luaL_Reg functions[] = {
      {"find", str_find}, {"match", str_match}, {"gmatch", gmatch}, {"gsub", str_gsub}, {nullptr, nullptr},
  };
  lua_getglobal(L, "string");
  luaL_setfuncs(L, functions, 0);
  lua_pop(L, 1);
}

} // namespace qelLua
