// One Lua 5.3 state with every standard library open. The state is built with Lua's C++ error handling:
// a Lua error is a C++ exception, so host objects on the unwound path are destroyed.
//
// The state's memory may be bounded: every allocation of the state counts, and so do the bytes that host
// objects made for its script are charged with. An allocation past the bound fails as Lua's own out of
// memory ("not enough memory"), after Lua has collected what it can.
#pragma once

#include "utils/exception.h"

#include <atomic>
#include <cstddef>
#include <memory>

struct lua_State;

class LuaState {
public:
  ZUN_ERROR(no_memory);

  // Throws LuaState::no_memory when the state or its libraries cannot be made. limit: the bound in bytes,
  // 0 for none.
  explicit LuaState(size_t limit = 0);
  ~LuaState();
  LuaState(LuaState const&) = delete;
  LuaState& operator=(LuaState const&) = delete;

  lua_State* state() const;
  // Only while no script runs in the state; a bound below what the state holds refuses every growth.
  void setMemoryLimit(size_t limit);
  // While starve is set (from any thread), the state refuses every growth of a block to LARGE_BLOCK bytes
  // or more, and every charge: a killed script that builds something large in one call (reads a file
  // whole, joins strings) then fails at its next step. Small blocks are still given, so that finalizers
  // can be called. Huge blocks of such a state are faulted in by the allocator, a piece at a time, and
  // refused when starve is set meanwhile. Only while no script runs in the state; starve must outlive it.
  void starveWhen(std::atomic<bool> const& starve);
  static constexpr size_t LARGE_BLOCK = 64 << 10;

  // Charges bytes held by a host object of L's script (L: the state of a LuaState or a coroutine of it), on
  // the thread that runs the state; false, with nothing charged, when the bound would be passed.
  static bool charge(lua_State* L, size_t bytes);
  // Gives back bytes that charge() took.
  static void release(lua_State* L, size_t bytes);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
