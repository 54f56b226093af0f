#include "views/positionconfig.h"

#include "utils/propertygroup.h"

namespace {
constexpr int VERSION = 3;
constexpr int SPLITTER_DECIMALS = 6;
} // namespace

PropertyGroup& operator>>(PropertyGroup& group, PositionConfig& config) {
  config.placementFlags = group.valueAsInt("placementFlags", 0);
  config.showCommand = group.valueAsInt("showCommand", 0);
  config.minX = group.valueAsInt("min.x", 0);
  config.minY = group.valueAsInt("min.y", 0);
  config.maxX = group.valueAsInt("max.x", 0);
  config.maxY = group.valueAsInt("max.y", 0);
  config.fullScreen = group.valueAsBool("fullScreen", false);
  config.dpiAware = group.valueAsBool("dpiAware", false);
  config.normalTop = group.valueAsInt("normal.top", 0);
  config.normalLeft = group.valueAsInt("normal.left", 0);
  config.normalBottom = group.valueAsInt("normal.bottom", 0);
  config.normalRight = group.valueAsInt("normal.right", 0);
  config.textViewSplitter = group.valueAsFloat("textView.splitter", 0.0f);
  config.wordListSplitter = group.valueAsFloat("wordList.splitter", 0.0f);
  config.data = group.valueAsString("data", "");
  config.textViewData = group.valueAsString("textView.data", "");
  config.wordListData = group.valueAsString("wordList.data", "");
  return group;
}

PropertyGroup& operator<<(PropertyGroup& group, PositionConfig const& config) {
  group.setValue(".version", VERSION);
  group.setValue("placementFlags", int(config.placementFlags));
  group.setValue("showCommand", int(config.showCommand));
  group.setValue("min.x", int(config.minX));
  group.setValue("min.y", int(config.minY));
  group.setValue("max.x", int(config.maxX));
  group.setValue("max.y", int(config.maxY));
  group.setValue("fullScreen", config.fullScreen);
  group.setValue("dpiAware", true);
  group.setValue("normal.top", int(config.normalTop));
  group.setValue("normal.left", int(config.normalLeft));
  group.setValue("normal.bottom", int(config.normalBottom));
  group.setValue("normal.right", int(config.normalRight));
  group.setValue("textView.splitter", double(config.textViewSplitter), SPLITTER_DECIMALS);
  group.setValue("wordList.splitter", double(config.wordListSplitter), SPLITTER_DECIMALS);
  group.setValue("data", config.data);
  group.setValue("textView.data", config.textViewData);
  group.setValue("wordList.data", config.wordListData);
  return group;
}
