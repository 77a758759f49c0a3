// A whole game through the real main window, the way a person plays it: the Human's clicks go
// through the event dispatch, the Computer answers in the click, and Escape ends the program's
// message loop once a General has fallen, with one more key queued behind it as a slow desktop
// would deliver it. The memory check runs this program under valgrind.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>
#include <cstdint>

#include "game/controller.h"
#include "game/play/session.h"
#include "game/twoply/board.h"
#include "game/twoply/move_generation.h"
#include "game/units.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/game_window.h"

namespace {

// The Human takes a General when it can, else the dearest piece it can, else a move picked by a
// fixed sequence: the game is the same on every run and ends in a few dozen moves.
twoply::Move ChooseHumanMove(uint32_t& seed) {
  const int16_t n = twoply::GenerateMoves(1, twoply::Human, twoply::Board);
  EXPECT_GT(n, 0);
  static constexpr int kValue[] = {0, 1000, 9, 4, 5, 2, 2, 1};
  int best = -1;
  twoply::Move chosen{};
  seed = seed * 1103515245u + 12345u;
  const int16_t pick = int16_t(1 + (seed >> 16) % uint32_t(n));
  for (int16_t i = 1; i <= n; ++i) {
    const twoply::Move m = std::as_const(twoply::MoveLists)(1, i);
    const uint8_t target = twoply::Board(m.to.row, m.to.col);
    const int value = (target >= 1 && target <= 7 ? kValue[target] * 2 : 0) + (i == pick);
    if (value > best) best = value, chosen = m;
  }
  return chosen;
}

TEST(WholeGame, PlayedToTheEndThenEscapeEndsTheLoop) {
  testing_support::StartGame();
  uint32_t seed = 7;
  int moves = 0;
  for (; testing_support::Game().Turn().GameOver == 0 && moves < 400; ++moves) {
    const twoply::Move m = ChooseHumanMove(seed);
    testing_support::PressSquare(m.from.col, m.from.row);
    testing_support::PressSquare(m.to.col, m.to.row);
  }
  ASSERT_NE(testing_support::Game().Turn().GameOver, 0)
      << "no General fell in " << moves << " moves";
  const std::string result = testing_support::Caption(game::StatusLabel);
  EXPECT_TRUE(result == "你赢了" || result == "你输了") << result;

  // Keys go where the desktop sends them: to the widget with the focus, else the window.
  QWidget* target = QApplication::focusWidget();
  if (target == nullptr)
    target = runtime::LiveUnit(game::MainWindow.window, game::MainWindow.unit)->Widget();
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, {}));
  QCoreApplication::postEvent(target, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, {}));
  runtime::RunMessageLoop();
  EXPECT_EQ(runtime::LiveWindowCount(), 0);
  testing_support::StopGame();
}

}  // namespace
