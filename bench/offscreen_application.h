// The one application object a benchmark program of the windows needs, on the offscreen platform
// unless the environment names another, with the window template read.
#pragma once

#include <QApplication>
#include <cstdlib>

#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"

namespace bench {

// Runs once per program; `name` must outlive it (a literal).
inline bool StartOffscreenApplication(const char* name) {
  static bool started = false;
  if (started) return false;
  started = true;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static int argc = 1;
  static char* argv[] = {const_cast<char*>(name), nullptr};
  new QApplication(argc, argv);
  return true;
}

}  // namespace bench
