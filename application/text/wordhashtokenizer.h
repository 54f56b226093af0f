// Reads word-list text: one token (type None) per line. A UTF-8 byte-order mark is skipped; a line ends at
// LF, CR or CR LF, and the last line needs no line end. An empty line is an empty token.
#pragma once

#include "text/tokenizer.h"

class WordHashTokenizer : public Tokenizer {
public:
  explicit WordHashTokenizer(Utf8Range const& range);
  Token nextToken() override;
  using Tokenizer::nextToken;

  // The range without a leading byte-order mark.
  static Utf8Range skipByteOrderMark(Utf8Range const& range);
};
