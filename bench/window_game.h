// The main window's game in a benchmark program, set up as the program sets it up: the host of
// the main window's game with the record window and the engines dialog.
#pragma once

#include "game/window_host.h"
#include "ui/extra_windows.h"

namespace bench {

inline game::MainWindowHost& Host() {
  static game::MainWindowHost host({{}, std::nullopt, std::nullopt, ui::MakeExtraWindows});
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
