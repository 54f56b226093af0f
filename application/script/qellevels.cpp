#include "script/qellevels.h"

#include "script/qelsupport.h"
#include "text/proficiencylevelfilebuilder.h"
#include "text/wordhash.h"

#include <array>
#include <memory>

namespace {

const char* const REGISTRY_KEY = "qel.LevelSets";
constexpr unsigned LEVEL_BITS = 14; // the largest level list holds under 10,000 words

class Sets : public qelLua::LevelSets {
public:
  WordHash const& level(qelLua::LevelType type, unsigned n) override {
    const bool hsk = type == qelLua::LevelType::hsk;
    std::unique_ptr<WordHash>& set = hsk ? hskSets.at(n - 1) : tocflSets.at(n - 1);
    if (!set) {
      auto words = std::make_unique<WordHash>(LEVEL_BITS);
      // A missing list is an empty level; an unreadable one is logged by the word set.
      ProficiencyLevelFileBuilder::addToWordHash(
          hsk ? ProficiencyLevelFileBuilder::HSK : ProficiencyLevelFileBuilder::TOCFL, *words, n);
      set = std::move(words);
    }
    return *set;
  }

private:
  std::array<std::unique_ptr<WordHash>, 6> hskSets;
  std::array<std::unique_ptr<WordHash>, 5> tocflSets;
};

int collect(lua_State* L) {
  auto** sets = static_cast<Sets**>(lua_touserdata(L, 1));
  delete *sets;
  *sets = nullptr;
  return 0;
}

} // namespace

namespace qelLua {

LevelSets& levelSets(lua_State* L) {
  if (lua_getfield(L, LUA_REGISTRYINDEX, REGISTRY_KEY) == LUA_TUSERDATA) {
    Sets* sets = *static_cast<Sets**>(lua_touserdata(L, -1));
    lua_pop(L, 1);
    // Collected as the state closes, while a finalizer of the script's may still ask for a level.
    if (!sets) luaL_error(L, "qel: the level lists are no longer available");
    return *sets;
  }
  lua_pop(L, 1);
  auto** slot = static_cast<Sets**>(lua_newuserdata(L, sizeof(Sets*)));
  *slot = nullptr;
  lua_createtable(L, 0, 1);
  lua_pushcfunction(L, collect);
  lua_setfield(L, -2, "__gc");
  lua_setmetatable(L, -2);
  *slot = guarded(L, [] { return new Sets(); });
  lua_setfield(L, LUA_REGISTRYINDEX, REGISTRY_KEY);
  return **slot;
}

} // namespace qelLua
