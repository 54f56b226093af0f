// Names a widget after the control it stands for (its objectName), so that tests find it with findChild.
#pragma once

template <class W> W* named(W* widget, const char* name) {
  widget->setObjectName(name);
  return widget;
}
