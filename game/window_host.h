// The main window's game for the whole run: the setup the program gives at start (the choices for
// this run, the extra windows) and the game of the main window while the window exists. The
// template's handlers reach it through the one pointer the program hands them
// (game/handlers.h); everything else is given the game it works on.
#pragma once

#include <memory>

#include "game/window_game.h"

namespace game {

class MainWindowHost {
 public:
  explicit MainWindowHost(WindowSetup setup = {});
  ~MainWindowHost();
  MainWindowHost(const MainWindowHost&) = delete;
  MainWindowHost& operator=(const MainWindowHost&) = delete;

  // The game of the main window being created; it ends with the window, however the window goes.
  WindowGame& OpenGame();
  // The main window's game, or nothing while there is no main window.
  WindowGame* Game() { return game_.get(); }
  WindowSetup& Setup() { return setup_; }

 private:
  WindowSetup setup_;
  std::unique_ptr<WindowGame> game_;
};

}  // namespace game
