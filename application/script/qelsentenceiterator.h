// The sentences of a text, one at a time, for qel.TextData and the document search. A sentence is an
// optional run of terminators, a body up to the next terminator or line end, and the run of terminators
// and closing quotes or brackets after it; white space between sentences belongs to none.
#pragma once

#include "script/qelthreaddata.h"
#include "utils/span.h"

#include <cstddef>

namespace qelLua {

// The bytes of the character at p (p < end): a whole sequence; a malformed one is its lead byte and the
// continuation bytes before the first bad byte; a sequence cut by end is the rest of the text.
size_t characterLength(const char* p, const char* end);

// Plain data, so that it can live inside a Lua userdata: the text is passed to each call and the iterator
// keeps only its place in it.
struct SentenceIterator {
  size_t position = 0; // byte offset in the text of the next sentence's search

  // The next sentence of text at or after position, which moves past it; false when only white space is
  // left. Always moves forward, whatever the bytes (malformed sequences count as one character each).
  // killCheck runs as the characters are walked, since one sentence may be the whole of a long text; when
  // it raises, position stays where it was.
  bool next(Span text, Span& sentence, KillCheck& killCheck);
};

} // namespace qelLua
