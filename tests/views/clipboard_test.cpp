#include "views/clipboard.h"

#include <gtest/gtest.h>

TEST(ClipboardTest, AppendingAddsAfterALineFeedAndSetReplaces) {
  Clipboard clipboard;
  clipboard.setText("", ~0UL);
  EXPECT_FALSE(clipboard.hasText());
  clipboard.appendText("first", ~0UL); // nothing to append to
  clipboard.appendText(Span("second"));
  EXPECT_EQ(clipboard.text(), "first\nsecond");
  clipboard.setText("line\n", ~0UL);
  clipboard.appendText("next", 2);
  EXPECT_EQ(clipboard.text(), "line\nne");
  clipboard.setText(Span("only"));
  EXPECT_EQ(clipboard.text(), "only");
}
