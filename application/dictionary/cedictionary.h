// The Chinese-English dictionary: CC-CEDICT text files indexed by headword. Two files can be indexed
// together, the shipped one and the user's own file of custom definitions (same name, in the user folder);
// a headword lists its entries in file order, shipped entries first. The index keeps only where each line
// is; getInfo reads the line back from disk.
//
// item() and getInfo() are const but share a read buffer and each item's cursor: one thread at a time.
#pragma once

#include "dictionary/dictionary.h"
#include "utils/exception.h"
#include "utils/textbuffer.h"

#include <memory>
#include <string>

class CEDictionary : public Dictionary {
public:
  ZUN_ERROR(missing_dictionary);

  // name: relative to the resources and base folders (the shipped file) and the user folder (the user's
  // file), e.g. "data/cedict_ts.u8". With customDefinitionsOnly the shipped file is not read.
  // A missing or empty user file is logged and the dictionary runs with what it has; only when neither
  // file exists with customDefinitionsOnly off does it log ERR and throw missing_dictionary.
  CEDictionary(const char* name, bool customDefinitionsOnly);
  ~CEDictionary() override;
  CEDictionary(CEDictionary const&) = delete;
  CEDictionary& operator=(CEDictionary const&) = delete;

  DictionaryItem const* item(Span const& word) const override;
  bool getInfo(DictionaryEntry const& entry, Info& info) const override;

  // The definition slice ("/sense/sense [pin1 yin1]/") as numbered senses with tone marks:
  // "1. sense; 2. sense [pīn yīn]". Empty when the slice has no closing "/". pinyin is scratch space.
  static void getEnglish(Span const& definition, std::string& out, TextBuffer<0>& pinyin);

private:
  struct Impl;
  std::unique_ptr<Impl> impl;
};
