// The summary of a processed document against the reader's known words. Level entries are indexed L - 1
// for level L, and the last entry counts the words of no level. The level entries are cumulative: a word
// counts at every level from its lowest listed level up.
#pragma once

#include "openssl/sha1.h"

#include <cstdint>

struct DocumentInfo {
  static constexpr int HSK_LEVELS = 6;
  static constexpr int TOCFL_LEVELS = 5;

  uint64_t chineseCharacters = 0; // occurrences of Chinese characters within words
  uint64_t uniqueCharacters = 0;  // distinct such characters
  uint64_t uniqueWords = 0;
  uint64_t knownUniqueWords = 0; // unique words the known-words set holds as words
  uint64_t totalWords = 0;       // word tokens
  uint64_t knownWords = 0;       // occurrences of the known unique words
  uint64_t hskWords[HSK_LEVELS + 1] = {};
  uint64_t hskUniqueWords[HSK_LEVELS + 1] = {};
  uint64_t tocflWords[TOCFL_LEVELS + 1] = {};
  uint64_t tocflUniqueWords[TOCFL_LEVELS + 1] = {};
  uint64_t codepoints = 0; // code points of all tokens, words or not
  uint64_t lines = 0;
  uint64_t bytes = 0; // bytes consumed by the run
  OpenSSL::SHA1 sha1; // of the run's token bytes
  float loadTime = 0; // the run's seconds
};
