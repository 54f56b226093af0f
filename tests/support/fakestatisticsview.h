// A statistics pane that keeps the model it is given and a selection, and records the colours it is given
// ("colours 7 9"), for the application controller's tests.
#pragma once

#include "views/statisticsmodel.h"
#include "views/statisticsview.h"

#include <string>
#include <vector>

namespace qmtest {

class FakeStatisticsView : public StatisticsView {
public:
  StatisticsModel* model = nullptr;
  std::vector<PropertyIndex> selection;
  bool focus = false;
  std::vector<std::string> calls;

  void setModel(StatisticsModel* m) override { model = m; }
  void reloadData() override {}
  bool hasFocus() const override { return focus; }
  bool canCopy() const override { return focus && !selection.empty(); }
  void selectAll() override {}
  std::vector<PropertyIndex> selectedItems() const override { return selection; }
  void setColours(Colour foreground, Colour background) override {
    calls.push_back("colours " + std::to_string(foreground.r) + " " + std::to_string(background.r));
  }
};

} // namespace qmtest
