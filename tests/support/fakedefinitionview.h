// A definition popup that keeps what it is given and records the words it shows ("show 中国 10,20").
#pragma once

#include "views/definitionconfig.h"
#include "views/definitionview.h"

#include <cstdio>
#include <string>
#include <vector>

namespace qmtest {

class FakeDefinitionView : public DefinitionView {
public:
  Dictionary const* given = nullptr;
  DefinitionConfig config;
  int configs = 0; // how often a configuration was given
  std::string word;
  std::vector<std::string> shown;

  Dictionary const* dictionary() const override { return given; }
  void setConfig(DefinitionConfig const& c) override {
    config = c;
    ++configs;
  }
  void setDictionary(Dictionary const* d) override { given = d; }
  void setWord(Span const& w) override { word = std::string(w.view()); }
  void show(double x, double y) override {
    char point[64];
    std::snprintf(point, sizeof point, " %g,%g", x, y);
    shown.push_back("show " + word + point);
  }
};

} // namespace qmtest
