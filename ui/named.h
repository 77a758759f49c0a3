// Widgets with the names tests and the accessibility tools find them by.
#pragma once

#include <QString>

namespace ui {

template <typename W>
W* Named(W* widget, const char* name) {
  widget->setObjectName(QString::fromLatin1(name));
  return widget;
}

}  // namespace ui
