// Names a widget after the control it stands for (its objectName), so that tests find it with findChild.
#pragma once

#include <QPushButton>

template <class W> W* named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}

// A named button that Return does not press: in a dialog only the default button answers Return.
inline QPushButton* namedButton(QString const& text, const char* name, QWidget* parent = nullptr) {
  auto* button = named(new QPushButton(text, parent), name);
  button->setAutoDefault(false);
  return button;
}
