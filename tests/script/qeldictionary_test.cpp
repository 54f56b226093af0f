#include "script/qeldictionary.h"

#include "dictionary/cedictionary.h"
#include "scriptrun.h"

#include <gtest/gtest.h>

class QelDictionaryTest : public qmtest::ScriptHostTest {
protected:
  QelDictionaryTest() { useDictionary(std::make_unique<CEDictionary>("data/cedict_ts.u8", false)); }

  // Prints every definition of word, one line each: the five keys in a fixed order.
  std::string definitionsOf(std::string const& word) {
    const auto r = run("local d = require('qel').dictionary()\n"
                       "local defs = d:definitions(" +
                       word +
                       ")\n"
                       "print(#defs)\n"
                       "for i, e in ipairs(defs) do\n"
                       "  print(e.simplified, e.traditional, e.pinyin, e.pinyinNumbers, e.english)\n"
                       "end\n");
    EXPECT_EQ(r.status, 0) << r.message;
    return r.output;
  }
};

TEST_F(QelDictionaryTest, DefinitionsInDictionaryOrder) {
  const struct {
    const char* word;
    std::string output;
  } cases[] = {
      {"'好'", "2\n好\t好\thǎo\thao3\t1. good; 2. well\n好\t好\thào\thao4\t1. to be fond of\n"},
      {"'中国'", "1\n中国\t中國\tZhōng guó\tZhong1 guo2\t1. China\n"},
      {"'中國'", "1\n中国\t中國\tZhōng guó\tZhong1 guo2\t1. China\n"},
      {"'绿'", "1\n绿\t綠\tlǜ\tlu:4\t1. green\n"},
      {"'中'", "0\n"},
      {"42", "0\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.word);
    EXPECT_EQ(definitionsOf(c.word), c.output);
  }
}

TEST_F(QelDictionaryTest, Errors) {
  expectErrors("local d = require('qel').dictionary()\n",
               {
                   {"d:definitions()", "dictionary:definitions() - missing parameter, expecting a string"},
                   {"d.definitions(require('qel').WordList(), 'x')", "qel.Dictionary expected"},
               });
}
