#include "support/tempdir.h"
#include "wordlists/wordlist.h"

#include <gtest/gtest.h>

#include <string>

using OpenSSL::SHA1;

TEST(WordListTest, ListFileRoundTrip) {
  qmtest::TempDir dir;
  WordList list;
  list.setDisplayName("Two\nLines");
  list.setReadOnly(true);
  list.setCurrentRevision(SHA1::of(Span("r")));
  const auto path = dir / "mine";
  ASSERT_TRUE(list.writeToFile(path.c_str(), false));
  EXPECT_FALSE(WordList().writeToFile(path.c_str(), true)); // an existing file is not replaced
  const WordList back(path.c_str());
  EXPECT_STREQ(back.baseName(), "mine");
  EXPECT_STREQ(back.displayName(), "Two Lines");
  EXPECT_TRUE(back.readOnly());
  EXPECT_EQ(back.currentRevision(), SHA1::of(Span("r")));
  EXPECT_TRUE(back.wasRead());
  EXPECT_FALSE(back.mayNeedDisplayNameFix());
}

// What a list shows as its name is what its list file gives back; the dialogs that name lists use the same
// rule (storableDisplayName) and refuse what it empties.
TEST(WordListTest, DisplayNamesReadBackAsShown) {
  qmtest::TempDir dir;
  std::string longName;
  while (longName.size() < 600)
    longName += "汉";
  const struct {
    std::string given;
    std::string shown;
  } cases[] = {
      {"#1 words", "#1 words"},
      {"=x", "=x"},
      {"\\#", "\\#"},
      {"\\plain", "\\plain"},
      {"  padded \t", "padded"},
      {" \t ", ""},
      {"two\r\nlines", "two  lines"},
      {"[Known]", "[Known]"},
      {longName, longName.substr(0, 510)},
      {"#" + longName, "#" + longName.substr(0, 507)},
      {std::string(510, 'a') + " b", std::string(510, 'a')},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.given.substr(0, 20));
    EXPECT_EQ(std::string(WordList::storableDisplayName(c.given.c_str()).view()), c.shown);
    WordList list;
    list.setDisplayName(c.given.c_str());
    EXPECT_EQ(std::string(list.displayName()), c.shown);
    const auto path = dir / "list";
    ASSERT_TRUE(list.writeToFile(path.c_str(), false));
    EXPECT_EQ(std::string(WordList(path.c_str()).displayName()), c.shown);
  }
  // Names written before escaping existed read as they always did.
  qmtest::writeFile(dir / "old", "displayName = \\old\n");
  EXPECT_STREQ(WordList((dir / "old").c_str()).displayName(), "\\old");
}

TEST(WordListTest, WhatNeedsTheDisplayNameFix) {
  qmtest::TempDir dir;
  const struct {
    const char* name;
    const char* text; // null: no file
    bool read;
    bool fix;
  } cases[] = {
      {"missing file", nullptr, false, true},
      {"older version", "readOnly = false\n", true, true},
      {"older version with a name", "displayName = Old\n", true, false},
      {"current version", ".version = 2\n", true, false},
      {"empty file", "", true, true},
      {"revision of the wrong length", ".version = 2\ncurrentRevision = abc\n", true, false},
  };
  for (auto const& c : cases) {
    SCOPED_TRACE(c.name);
    const auto path = dir / c.name;
    if (c.text) qmtest::writeFile(path, c.text);
    const WordList list(path.c_str());
    EXPECT_EQ(list.wasRead(), c.read);
    EXPECT_EQ(list.existed(), c.text != nullptr);
    EXPECT_EQ(list.mayNeedDisplayNameFix(), c.fix);
    EXPECT_TRUE(list.currentRevision() == SHA1());
  }
}
