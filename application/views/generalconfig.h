// The "general" settings group of "data/config": how text is segmented, how long the search history is, what
// happens to an exported file, and the two start-up choices. Read and written by the stream operators below.
#pragma once

#include "text/segmentengine.h"

#include <cstdint>

class PropertyGroup;

struct GeneralConfig {
  enum OpenExportedFile { Never = 0, Always = 1, Prompt = 2 };

  SegmentEngine::Type chineseOnly = SegmentEngine::ChineseOnly;
  // Unsigned, yet read as a signed 32-bit number and widened with its sign: a stored -1 means no limit.
  uint64_t maxSearchHistory = 20;
  OpenExportedFile openExportedFile = Prompt;
  bool showWelcome = true;
  bool rememberFilePosition = true;

  bool operator==(GeneralConfig const&) const = default;
};

// Keys absent from the group keep the defaults above; an unknown "openExportedFile" word reads as Prompt.
PropertyGroup& operator>>(PropertyGroup& group, GeneralConfig& config);
// Writes ".version" 3 and every field.
PropertyGroup& operator<<(PropertyGroup& group, GeneralConfig const& config);
