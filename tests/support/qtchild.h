// The named child widget of a dialog under test (a test failure when there is none).
#pragma once

#include <QWidget>

#include <gtest/gtest.h>

namespace qmtest {

template <class W> W* child(QWidget& parent, const char* name) {
  W* w = parent.findChild<W*>(name);
  EXPECT_NE(w, nullptr) << name;
  return w;
}

} // namespace qmtest
