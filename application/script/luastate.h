// One Lua 5.3 state with every standard library open. The state is built with Lua's C++ error handling:
// a Lua error is a C++ exception, so host objects on the unwound path are destroyed.
#pragma once

#include "utils/exception.h"

#include <memory>

struct lua_State;

class LuaState {
public:
  ZUN_ERROR(no_memory);

  // Throws LuaState::no_memory when the state or its libraries cannot be made.
  LuaState();
  ~LuaState();
  LuaState(LuaState const&) = delete;
  LuaState& operator=(LuaState const&) = delete;

  lua_State* state() const;

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
