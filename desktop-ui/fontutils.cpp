#include "desktop-ui/fontutils.h"

#include "views/appearanceconfig.h"

#include <QFontDatabase>
#include <QString>
#include <QStringList>

bool FontUtils::hasFamily(const char* family) {
  return family && *family && QFontDatabase::hasFamily(QString::fromUtf8(family));
}

QFont FontUtils::font(const char* family, double points) {
  QFont f;
  if (hasFamily(family))
    f.setFamily(QString::fromUtf8(family));
  else
    // Listed families are tried in order; when none is installed, fontconfig's own match for a serif face
    // covering the text is used.
    f.setFamilies(
        QStringList{QString::fromUtf8(AppearanceConfig::DEFAULT_FONT), QStringLiteral("Noto Sans CJK SC")});
  f.setStyleHint(QFont::Serif);
  if (points > 0) f.setPointSizeF(points);
  return f;
}
