#include "game/controller.h"

#include "game/game_files.h"
#include "game/game_menu.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"
#include "game/units.h"
#include "game/window_host.h"
#include "runtime/commands.h"
#include "runtime/windows/window_commands.h"

namespace game {

using namespace twoply;

void OnMainWindowCreated(MainWindowHost& host) {
  runtime::SetInterfaceStyle(1);
  WindowGame& window = host.OpenGame();
  window.Game().NewGame();
  LoadEvaluationTables();
  SearchDepth = 2;
  window.ShowParts();
  // A position given for the run (--fen) replaces the first game only; so does the game kept
  // last (--resume).
  if (std::optional<std::string> fen = std::exchange(host.Setup().fen, std::nullopt))
    StartFromPosition(window, *fen, PositionSource::kCommandLine);
  if (std::exchange(host.Setup().resume, false)) OpenNewestKeptGame(window);
}

void NewGame(WindowGame& window) {
  window.Game().NewGame();
}

std::optional<Square> SquareAt(int32_t x, int32_t y) {
  if (x < 0 || x >= kGridWidth || y < 0 || y >= kGridHeight) return std::nullopt;
  const int32_t col = static_cast<int32_t>(runtime::IntDivide(x, double{kCell})) + 1;
  const int32_t row = static_cast<int32_t>(runtime::IntDivide(y, double{kCell})) + 1;
  return Square{uint8_t(col), uint8_t(row)};
}

void OnBoardClick(WindowGame& window, int32_t x, int32_t y) {
  window.Game().Click(SquareAt(x, y));
}

void OnExitClick() {
  runtime::Destroy(MainWindow);
}

}  // namespace game
