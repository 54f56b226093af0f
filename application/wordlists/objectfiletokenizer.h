// Reads the records of an object-store file: a header line "@<id> <parent> <other> <time>" (three digests
// as 40 lowercase hexadecimal digits, the time as "YYYY-MM-DD hh:mm:ss.mmm", then the line end, exactly as
// records are written) and the data bytes up to the next header.
// A "@" starts a record only at the start of a line and only when a whole well-formed header follows, so
// data that holds a "@" (a word such as "a@b") never ends its record early. Outside a record, though, a
// whole header is taken wherever it stands in a skipped line: a damaged line end of an empty record's header
// would otherwise hide the next record's header in the same line.
#pragma once

#include "text/tokenizer.h"

#include <cstdint>

class ObjectFileTokenizer : public Tokenizer {
public:
  // The token types of this tokenizer, its own numbering.
  enum Type : uint32_t { Skipped = 0, Id = 1, Parent = 2, Other = 3, Time = 4, Data = 5 };

  explicit ObjectFileTokenizer(Utf8Range const& range);

  // The next token: a line outside any record comes back as an empty Skipped token.
  Token nextToken() override;
  // True while bytes are left, and also right after a header that ends the range, whose data token (empty)
  // is still to come.
  bool hasTokens() const override;
  void internalReset() override;

  // True when p (inside [begin, end)) starts a record: "@" at the start of a line followed by a complete
  // header line. headerEnd then points past the header's line end.
  static bool isHeaderAt(const char* begin, const char* p, const char* end, const char** headerEnd = nullptr);
  // The next record start at or after p, or end.
  static const char* findHeader(const char* begin, const char* p, const char* end);

private:
  Token take(const char* to, uint32_t type);
  const char* end() const { return m_start + m_length; }

  int state = 0;
  bool inLine = false; // the "@" at the position starts a header found inside a skipped line
};
