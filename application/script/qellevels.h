// The HSK and TOCFL level lists of one script run, each read from its file the first time a script asks for
// it and kept with the Lua state, so that a script asking for levels in a loop reads no file again.
#pragma once

class WordHash;
struct lua_State;

namespace qelLua {

enum class LevelType { hsk, tocfl };

class LevelSets {
public:
  virtual ~LevelSets() = default;
  // The words of one level (HSK 1-6, TOCFL 1-5); empty when its file is missing or unreadable.
  virtual WordHash const& level(LevelType type, unsigned n) = 0;
};

// The sets of the state L, made on first use.
LevelSets& levelSets(lua_State* L);

} // namespace qelLua
