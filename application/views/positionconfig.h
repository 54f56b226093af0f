// The "position" settings group of "data/config": the main window's placement. Here the window keeps its
// frame and its two dividers in data, textViewData and wordListData (base64 of what Qt saves of them) and
// its state in fullScreen; every other field is read and written back unchanged, so that settings shared
// with other builds survive.
#pragma once

#include "utils/text.h"

#include <cstdint>

class PropertyGroup;

struct PositionConfig {
  int32_t placementFlags = 0;
  int32_t showCommand = 0;
  int32_t minX = 0;
  int32_t minY = 0;
  int32_t maxX = 0;
  int32_t maxY = 0;
  bool fullScreen = false;
  bool dpiAware = true; // read with the default false, always written as true
  int32_t normalTop = 0;
  int32_t normalLeft = 0;
  int32_t normalBottom = 0;
  int32_t normalRight = 0;
  float textViewSplitter = 0.0f;
  float wordListSplitter = 0.0f;
  Text data;
  Text textViewData;
  Text wordListData;

  bool operator==(PositionConfig const&) const = default;
};

// Absent keys, and dividers that are not finite numbers, keep the defaults above.
PropertyGroup& operator>>(PropertyGroup& group, PositionConfig& config);
// Writes ".version" 3 and every field, the dividers with six decimals.
PropertyGroup& operator<<(PropertyGroup& group, PositionConfig const& config);
