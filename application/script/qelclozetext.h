// Text:clozeText(word [, replacement]): the text with chosen words replaced by a template, in which "%w"
// stands for the word, "%n" for the running number of the replacement and "%%" for "%".
#pragma once

struct lua_State;

namespace qelLua {

int clozeText(lua_State* L);

} // namespace qelLua
