// The game as a person feels it, on the real main window (offscreen): the click that completes the
// Human's move until the Computer's reply is drawn, search included, over the middle games of the
// engine suite; and the drawing of a new game.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QMouseEvent>
#include <QWidget>
#include <cstdlib>
#include <iterator>
#include <string>

#include "bench/offscreen_application.h"
#include "bench/window_game.h"
#include "cli/engine_suite.h"
#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/handlers.h"
#include "game/play/session.h"
#include "game/twoply/move_generation.h"
#include "game/twoply/position_text.h"
#include "game/twoply/two_ply_search.h"
#include "game/units.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"

namespace {

// The middle games of the suite: after the openings, before the endings.
constexpr int kFirstMiddleGame = 11;
constexpr int kLastMiddleGame = 27;

void StartGame() {
  if (!bench::StartOffscreenApplication("game_bench")) return;
  game::RegisterHandlers(&bench::Host());
  runtime::InitWindowSystem();
  runtime::LoadWindowTemplate();
  game::CreateGlobals();
  runtime::LoadStartWindow(game::kMainWindowId);
}

void PressBoard(twoply::Square square) {
  QWidget* board = runtime::LiveUnit(game::BoardPanel.window, game::BoardPanel.unit)->Widget();
  QPointF at((square.col - 1) * 48 + 24, (square.row - 1) * 48 + 24);
  QMouseEvent press(QEvent::MouseButtonPress, at, board->mapToGlobal(at), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(board, &press);
}

// A position of the suite with the Computer's reply played, so the Human is to move, and the
// Human's first move in generation order.
struct HumanTurn {
  twoply::BoardArray board;
  twoply::Move move;
};

HumanTurn TurnOf(int index) {
  std::string error;
  twoply::Board = twoply::ParseFen(cli::kEngineSuite[index], error)->board;
  twoply::PlayComputerMove();
  HumanTurn turn{twoply::Board, {}};
  twoply::GenerateMoves(1, twoply::Human, turn.board);
  turn.move = std::as_const(twoply::MoveLists)(1, 1);
  return turn;
}

void BM_ClickToReplyDrawn(benchmark::State& state) {
  StartGame();
  const HumanTurn turn = TurnOf(int(state.range(0)));
  const int32_t stepsBefore = bench::Game().Turn().StepCount;
  for (auto _ : state) {
    state.PauseTiming();
    bench::Game().OpenBoard(turn.board);
    PressBoard(turn.move.from);
    state.ResumeTiming();
    PressBoard(turn.move.to);
  }
  QCoreApplication::processEvents();
  if (bench::Game().Turn().StepCount - stepsBefore != int32_t(state.iterations()))
    state.SkipWithError("a click did not complete the Human's move");
}
BENCHMARK(BM_ClickToReplyDrawn)
    ->DenseRange(kFirstMiddleGame, kLastMiddleGame)
    ->Unit(benchmark::kMillisecond);

// Clear, lines, the copy to the clean panel, 32 sprites decoded and drawn.
void BM_NewGameDrawing(benchmark::State& state) {
  StartGame();
  twoply::SetInitialPosition();
  for (auto _ : state) game::DrawNewBoard();
  QCoreApplication::processEvents();
}
BENCHMARK(BM_NewGameDrawing)->Unit(benchmark::kMillisecond);

}  // namespace
