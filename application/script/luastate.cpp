// The bound lives in the allocator's record, which Lua hands back through lua_getallocf, so host code that
// only has the lua_State can charge it. A state is used by one thread at a time (its script's, or its owner's
// before and after a run), so the count needs no lock.
#include "script/luastate.h"

#include <lua.hpp>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

struct Budget {
  size_t used = 0;
  size_t limit = 0;                          // 0: none
  std::atomic<bool> const* starve = nullptr; // set: large growth refused
};

bool starving(Budget const& budget) {
  return budget.starve && budget.starve->load(std::memory_order_relaxed);
}

bool fits(Budget const& budget, size_t more) {
  return budget.limit == 0 || (budget.used <= budget.limit && more <= budget.limit - budget.used);
}

constexpr size_t HUGE_BLOCK = 32 << 20;
constexpr size_t FAULT_PIECE = 4 << 20;
constexpr size_t PAGE = 4096;

// A huge block of a state that may be starved: its fresh pages are touched here, a piece at a time, since
// the copy that fills it (one instruction, a string joined) would otherwise spend seconds faulting them in
// where no kill reaches. Null, with ptr untouched, when the state is starved meanwhile or there is no memory.
void* growHuge(Budget const& budget, void* ptr, size_t old, size_t nsize) {
  auto* block = static_cast<char*>(std::malloc(nsize));
  if (!block) return nullptr;
  for (size_t at = old; at < nsize; at += PAGE) {
    if ((at - old) % FAULT_PIECE == 0 && starving(budget)) {
      std::free(block);
      return nullptr;
    }
    block[at] = 0;
  }
  if (old) std::memcpy(block, ptr, old);
  std::free(ptr);
  return block;
}

// Lua's allocator contract: ptr null means osize is a type code, not a size; shrinking never fails.
void* allocate(void* ud, void* ptr, size_t osize, size_t nsize) {
  auto& budget = *static_cast<Budget*>(ud);
  const size_t old = ptr ? osize : 0;
  if (nsize == 0) {
    std::free(ptr);
    budget.used -= old;
    return nullptr;
  }
  // No allocator gives more than half the address space; one asked for it (a read of a count near 2^64)
  // refuses it anyway, but a checking allocator ends the process instead.
  if (nsize > old && (nsize > size_t(PTRDIFF_MAX) || !fits(budget, nsize - old) ||
                      (nsize >= LuaState::LARGE_BLOCK && starving(budget))))
    return nullptr;
  void* block = nsize >= HUGE_BLOCK && nsize > old && budget.starve ? growHuge(budget, ptr, old, nsize)
                                                                    : std::realloc(ptr, nsize);
  if (block) budget.used = budget.used - old + nsize;
  return block;
}

Budget* budgetOf(lua_State* L) {
  void* ud = nullptr;
  return lua_getallocf(L, &ud) == allocate ? static_cast<Budget*>(ud) : nullptr;
}

// As luaL_newstate's: says why before Lua aborts. Every use of a state is protected, so it means a fault.
int panic(lua_State* L) {
  std::fprintf(stderr, "PANIC: unprotected error in call to Lua API (%s)\n", lua_tostring(L, -1));
  return 0;
}

int openLibraries(lua_State* L) {
  luaL_openlibs(L);
  return 0;
}

} // namespace

struct LuaState::Impl {
  Budget budget; // outlives the state, whose last frees it counts
  lua_State* L = nullptr;
};

LuaState::LuaState(size_t limit) : impl(std::make_unique<Impl>()) {
  impl->budget.limit = limit;
  impl->L = lua_newstate(allocate, &impl->budget);
  if (!impl->L) ZUN_THROW(LuaState::no_memory);
  lua_atpanic(impl->L, panic);
  // Opened under a protected call: out of memory there would otherwise end the process through the
  // panic function.
  lua_pushcfunction(impl->L, openLibraries);
  if (lua_pcall(impl->L, 0, 0, 0) != LUA_OK) {
    lua_close(impl->L);
    ZUN_THROW(LuaState::no_memory);
  }
}

LuaState::~LuaState() {
  lua_close(impl->L);
}

lua_State* LuaState::state() const {
  return impl->L;
}

void LuaState::setMemoryLimit(size_t limit) {
  impl->budget.limit = limit;
}

void LuaState::starveWhen(std::atomic<bool> const& starve) {
  impl->budget.starve = &starve;
}

bool LuaState::charge(lua_State* L, size_t bytes) {
  Budget* budget = budgetOf(L);
  if (!budget) return true;
  if (!fits(*budget, bytes) || starving(*budget)) return false;
  budget->used += bytes;
  return true;
}

void LuaState::release(lua_State* L, size_t bytes) {
  if (Budget* budget = budgetOf(L)) budget->used -= bytes;
}
