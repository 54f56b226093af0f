#include "desktop-ui/fontutils.h"

#include <QFontInfo>

#include <gtest/gtest.h>

TEST(FontUtilsTest, AMissingFamilyFallsBackToTheReadingFont) {
  if (!FontUtils::hasFamily("Noto Serif CJK SC")) GTEST_SKIP() << "fonts-noto-cjk is not installed";
  const struct {
    const char* family;
    const char* resolved;
  } cases[] = {
      {"Noto Serif CJK SC", "Noto Serif CJK SC"},
      {"STSongti-SC-Light", "Noto Serif CJK SC"}, // stored by another build
      {"", "Noto Serif CJK SC"},
      {nullptr, "Noto Serif CJK SC"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.family ? c.family : "(null)");
    const QFont font = FontUtils::font(c.family, 18.0);
    EXPECT_EQ(QFontInfo(font).family().toStdString(), c.resolved);
    EXPECT_EQ(font.pointSizeF(), 18.0);
  }
}
