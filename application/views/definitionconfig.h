// The "definition" settings group of "data/config": the definition popup's four fonts (headword in
// simplified and in traditional characters, pinyin, English), whether pinyin shows tone marks, whether only
// the user's own definitions are loaded (the controller's, when it loads the dictionary), and which
// character set a headword that is the same in both is shown in. Numbers are stored in the C locale.
#pragma once

#include "utils/text.h"

class PropertyGroup;

struct DefinitionConfig {
  enum CharacterSet : int { Simplified = 0, Traditional = 1 };
  static constexpr int VERSION = 4;

  Text simplifiedFontName{"Noto Serif CJK SC"};
  Text traditionalFontName{"Noto Serif CJK TC"};
  Text pinyinFontName{"Default"};
  Text englishDefinitionFontName{"Default"};
  double simplifiedFontSize = 24.0;
  double traditionalFontSize = 24.0;
  double pinyinFontSize = 14.0;
  double englishDefinitionFontSize = 14.0;
  bool useToneMarks = true;
  bool customDefinitionsOnly = false;
  int headwordCharacterSet = Simplified;

  bool operator==(DefinitionConfig const&) const = default;
};

// Missing keys take the defaults; the stored ".version" is not read. A character set other than
// "traditional" reads as simplified.
PropertyGroup& operator>>(PropertyGroup& group, DefinitionConfig& config);
// ".version" 4 and every field, sizes with two significant digits.
PropertyGroup& operator<<(PropertyGroup& group, DefinitionConfig const& config);
