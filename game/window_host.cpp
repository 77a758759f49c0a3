#include "game/window_host.h"

#include "game/units.h"
#include "runtime/windows/context_menu.h"

namespace game {

MainWindowHost::MainWindowHost(WindowSetup setup) : setup_(std::move(setup)) {}

MainWindowHost::~MainWindowHost() = default;

WindowGame& MainWindowHost::OpenGame() {
  game_ = std::make_unique<WindowGame>(setup_);
  runtime::CallWhenWindowGoes(MainWindow, [this] { game_.reset(); });
  return *game_;
}

}  // namespace game
