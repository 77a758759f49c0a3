// The main window's game in a benchmark program, set up as the program sets it up: the host of
// the main window's game with the record window and the engines dialog.
#pragma once

#include <cstdlib>

#include "game/window_host.h"
#include "ui/extra_windows.h"

namespace bench {

inline game::MainWindowHost& Host() {
  // The games the window keeps go to a scratch folder, never the user's.
  static const bool data = setenv("XDG_DATA_HOME", "/tmp/xiangqi-bench-data", 1) == 0;
  (void)data;
  static game::MainWindowHost host([] {
    game::WindowSetup setup;
    setup.extraWindows = ui::MakeExtraWindows;
    return setup;
  }());
  return host;
}

// The main window must be open.
inline game::WindowGame& Window() {
  return *Host().Game();
}

inline game::Session& Game() {
  return Window().Game();
}

}  // namespace bench
