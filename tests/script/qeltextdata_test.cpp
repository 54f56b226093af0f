// qel.TextData through real scripts against the shipped master word list.
#include "documentscripts.h"

#include <vector>

namespace {

using qmtest::DocumentScriptTest;

class QelTextDataTest : public DocumentScriptTest {};

TEST_F(QelTextDataTest, Sentences) {
  const struct {
    const char* name;
    std::string text;
    std::string sentences; // joined by "|"
  } cases[] = {
      {"closing quote stays, line feed ends the unterminated last", "我们去北京。他说：“你好！”\n我喜欢学习",
       "我们去北京。|他说：“你好！”|我喜欢学习"},
      {"ASCII terminators and closers", "Hello there... (Yes!) \"Fine.\" Ok",
       "Hello there...|(Yes!)|\"Fine.\"|Ok"},
      {"a leading full stop stays at the start", "。我们来了。", "。我们来了。"},
      {"white space only", " \t\r\n\xE3\x80\x80", ""},
      {"CR alone ends a sentence", "第一\r第二", "第一|第二"},
      {"ellipsis then closing bracket", "等等……」后来", "等等……」|后来"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(output("write(join(qel.Text(" + quoted(c.text) + "):sentences()))"), c.sentences);
  }
}

TEST_F(QelTextDataTest, Characters) {
  const struct {
    const char* name;
    std::string text;
    bool all;
    std::string characters;
  } cases[] = {
      {"with all the comma too", "ab，中", true, "a|b|，|中"},
      {"digits stay, spaces and punctuation go", "1 2.\xE3\x80\x80三", false, "1|2|三"},
      {"a malformed byte is skipped",
       "a\xFF"
       "b",
       false, "a|b"},
      {"with all it comes back as U+FFFD",
       "a\xFF"
       "b",
       true, "a|\xEF\xBF\xBD|b"},
      {"a sequence cut by the end is one character", "a\xE4\xB8", true, "a|\xEF\xBF\xBD"},
      {"a lead byte before a bad continuation",
       "\xE4"
       "a",
       true, "\xEF\xBF\xBD|a"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(
        output("write(join(qel.Text(" + quoted(c.text) + "):characters(" + (c.all ? "true" : "") + ")))"),
        c.characters);
  }
}

TEST_F(QelTextDataTest, CharacterListHoldsEachCharacterOnce) {
  EXPECT_EQ(output(R"(local l = qel.Text("我们，我们！a a"):characterList()
write(#l, tostring(l:contains("我")), tostring(l:contains("，")), tostring(l:contains("a"))))"),
            "3truefalsetrue");
}

TEST_F(QelTextDataTest, WordsUnderBothSegmentationTypes) {
  const std::string script = R"(write(join(qel.Text("我喜欢Lua 5.3，你好"):words()), "/",
  join(qel.Text("我喜欢Lua 5.3，你好"):words(true)), "/", #qel.Text("我喜欢Lua 你好 Lua"):wordList()))";
  EXPECT_EQ(output(script), "我|喜欢|Lua|你好/我|喜欢|Lua| |5|.|3|，|你好/4");
  SegmentEngine chineseOnly(SegmentEngine::ChineseOnly);
  state->setSegmentEngine(chineseOnly);
  EXPECT_EQ(output(script), "我|喜欢|你好/我|喜欢|Lua| |5|.|3|，|你好/3");
}

TEST_F(QelTextDataTest, WordsGiveTypeNumberAndName) {
  EXPECT_EQ(output(R"(for w, n, name in qel.Text("你好, ab"):words(true) do write(w, n, name, ";") end)"),
            "你好3Chinese;,8AsciiPunctuation; 6Whitespace;ab4Alpha;");
}

// A text that ends in the beginning of a longer word (中华人民共和国) or in a cut character keeps its end.
TEST_F(QelTextDataTest, TextEndingInThePrefixOfALongerWordKeepsItsLastWords) {
  EXPECT_EQ(output(R"(local t = qel.Text("我爱中华人民共")
write(join(t:words()), "/", tostring(t:wordList():contains("共")), "/", t:clozeText("人民"))
local cut = qel.Text("中华\228\184")
local all = {}
for w in cut:words(true) do all[#all + 1] = w end
write("/", #table.concat(all) == #tostring(cut) and "whole" or "lost"))"),
            "我|爱|中华|人民|共/true/我爱中华[...]共/whole");
}

TEST_F(QelTextDataTest, ClozeTemplates) {
  const struct {
    const char* name;
    const char* call;
    const char* result;
  } cases[] = {
      {"default template", R"(t:clozeText("我"))", "[...]喜欢你，你喜欢[...]。"},
      {"number and word", R"(t:clozeText("我", "%n:%w"))", "1:我喜欢你，你喜欢2:我。"},
      {"percent signs", R"(t:clozeText("你", "%%%x%"))", "我喜欢%%x%，%%x%喜欢我。"},
      {"array of words", R"(t:clozeText({"我", 7, "喜欢"}, "_"))", "__你，你__。"},
      {"empty word", R"(t:clozeText(""))", "我喜欢你，你喜欢我。"},
      {"associative words, a number as template", R"(t:clozeText({["你"] = 5, ["我"] = "<%w>"}))",
       "<我>喜欢5，5喜欢<我>。"},
      {"replacement table", R"(t:clozeText({"我", "你"}, {["我"] = "I"}))", "I喜欢[...]，[...]喜欢I。"},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(output(std::string("local t = qel.Text(\"我喜欢你，你喜欢我。\") write(") + c.call + ")"),
              c.result);
  }
}

TEST_F(QelTextDataTest, ClozeArgumentErrors) {
  const std::string usage = "Text:clozeText( word [,replacement] ) - ";
  expectErrors(
      std::string(qmtest::SCRIPT_PRELUDE) + "local t = qel.Text('a') ",
      {{"t:clozeText()", usage + "incorrect number of parameters. Expecting clozeText( word ) or "
                                 "clozeText( word, replacement ) "},
       {"t:clozeText({a = 'b'}, 'x')",
        usage + "you cannot specify a replacement parameter if the word parameter is an associative array"}});
}

TEST_F(QelTextDataTest, ConcatAndTostring) {
  EXPECT_EQ(output(R"(local t = qel.Text("中文")
local a, b = t .. "!", 1 .. t
write(type(a), a, b, tostring(t), type(qel.Text(12)), tostring(qel.Text(12))))"),
            "string中文!1中文中文userdata12");
  EXPECT_NE(failure("qel.Text({})").find("bad argument #1 to 'Text'"), std::string::npos);
}

} // namespace
