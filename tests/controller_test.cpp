// The game played through the real main window, offscreen: clicks on the board panel and the
// buttons, the labels, the board's pixels and the game state they leave.
#include "game/controller.h"

#include <gtest/gtest.h>

#include <regex>

#include "game/about.h"
#include "game/board_drawing.h"
#include "game/play/session.h"
#include "game/twoply/position_text.h"
#include "game/twoply/two_ply_search.h"
#include "game/units.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::Caption;
using testing_support::ExpectedBoard;
using testing_support::FirstDifference;
using testing_support::PanelPixels;
using testing_support::PressBoard;
using testing_support::PressSquare;
using twoply::Square;

class Controller : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override { testing_support::StopGame(); }

  // The board panel shows Board, with `highlighted` lit.
  static void ExpectBoardShown(std::optional<Square> highlighted = {}) {
    EXPECT_EQ(
        FirstDifference(ExpectedBoard(twoply::Board, highlighted), PanelPixels(game::BoardPanel)),
        "");
  }
  // A position set up on Board and drawn as opening a record draws it.
  static void SetPosition(const char* fen) {
    twoply::Board = testing_support::Fen(fen);
    game::RedrawBoard();
  }
  static std::string Position() { return twoply::FormatFen(twoply::Board, twoply::Human); }
  // What the start-up and every new game leave: the initial position, fresh labels, no selection.
  static void ExpectNewGame() {
    EXPECT_EQ(Position(),
              twoply::FormatFen(testing_support::Fen(testing_support::kStartFen), twoply::Human));
    EXPECT_EQ(testing_support::Game().Turn().GameOver, 0);
    EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 1);
    EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);
    EXPECT_EQ(testing_support::Game().Turn().StepCount, 0);
    EXPECT_EQ(Caption(game::StatusLabel), "");
    EXPECT_EQ(Caption(game::StepLabel), "步数:");
    EXPECT_EQ(Caption(game::TimeLabel), "时间");
    ExpectBoardShown();
  }
};

TEST_F(Controller, SelectionAndItsQuirks) {
  ExpectNewGame();
  EXPECT_EQ(twoply::SearchDepth, 2);
  // Clicking a Computer piece with nothing selected changes nothing.
  PressSquare(1, 1);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);
  ExpectBoardShown();

  PressSquare(2, 8);  // the left cannon
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 1);
  EXPECT_TRUE((testing_support::Game().Turn().SelectedSquare == Square{2, 8}));
  ExpectBoardShown(Square{2, 8});

  // An empty square the cannon cannot reach becomes the selection: nothing is lit any more.
  PressSquare(1, 6);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 1);
  EXPECT_TRUE((testing_support::Game().Turn().SelectedSquare == Square{1, 6}));
  ExpectBoardShown();

  // A Computer piece the cannon cannot capture keeps the selection and its highlight.
  PressSquare(2, 8);
  PressSquare(1, 1);
  EXPECT_TRUE((testing_support::Game().Turn().SelectedSquare == Square{2, 8}));
  ExpectBoardShown(Square{2, 8});

  // Another own piece takes the highlight over.
  PressSquare(8, 8);
  EXPECT_TRUE((testing_support::Game().Turn().SelectedSquare == Square{8, 8}));
  ExpectBoardShown(Square{8, 8});
  EXPECT_EQ(Caption(game::StepLabel), "步数:");
}

TEST_F(Controller, AMoveIsDrawnAndAnsweredByTheComputer) {
  PressSquare(2, 8);
  PressSquare(5, 8);  // cannon to the centre; the computer answers with its horse h9g7
  EXPECT_EQ(Position(), "rnbakab1r/9/1c4nc1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR w");
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);
  EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 1);
  ExpectBoardShown();  // both start cells show the empty board again
  EXPECT_EQ(Caption(game::StepLabel), "步数:1");
  EXPECT_EQ(Caption(game::StatusLabel), "到你了...");
  EXPECT_TRUE(std::regex_match(Caption(game::TimeLabel), std::regex("时间[0-9]+毫秒")))
      << Caption(game::TimeLabel);

  // A new game in the middle of a game, with a piece selected, starts afresh.
  PressSquare(8, 8);
  testing_support::ClickButton(game::NewGameButton);
  ExpectNewGame();
}

TEST_F(Controller, TheStripsBesideAndBelowTheGridAreDead) {
  PressSquare(2, 8);
  const std::string before = Position();
  for (auto [x, y] : {std::pair{432, 100},
                      {435, 100},
                      {100, 480},
                      {100, 483},
                      {435, 483},
                      {-1, 100},
                      {100, -1}}) {
    PressBoard(x, y);
    EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 1) << x << "," << y;
    EXPECT_TRUE((testing_support::Game().Turn().SelectedSquare == Square{2, 8})) << x << "," << y;
  }
  EXPECT_EQ(Position(), before);
  EXPECT_EQ(Caption(game::StepLabel), "步数:");
  ExpectBoardShown(Square{2, 8});
}

TEST_F(Controller, TakingTheComputersGeneralWinsAndFreezesTheBoard) {
  SetPosition("4k4/9/9/9/9/9/9/9/9/3KR4");
  PressSquare(5, 10);
  PressSquare(5, 1);
  EXPECT_EQ(testing_support::Game().Turn().GameOver, 1);
  EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 1);
  EXPECT_EQ(Caption(game::StatusLabel), "你赢了");
  EXPECT_EQ(Caption(game::StepLabel), "步数:1");
  EXPECT_TRUE(std::regex_match(Caption(game::TimeLabel), std::regex("时间[0-9]+毫秒")));
  ExpectBoardShown();

  const std::string over = Position();
  PressSquare(4, 10);
  PressSquare(4, 9);
  EXPECT_EQ(Position(), over);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);

  testing_support::ClickButton(game::NewGameButton);
  EXPECT_EQ(testing_support::Game().Turn().GameOver, 0);
  EXPECT_EQ(Caption(game::StatusLabel), "");
  EXPECT_EQ(Caption(game::StepLabel), "步数:");
  EXPECT_EQ(Caption(game::TimeLabel), "时间");
  EXPECT_EQ(Position(),
            twoply::FormatFen(testing_support::Fen(testing_support::kStartFen), twoply::Human));
  ExpectBoardShown();
  PressSquare(2, 8);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 1);
}

TEST_F(Controller, TheComputerTakingTheHumansGeneralLoses) {
  SetPosition("3k5/9/9/9/9/9/9/9/3r5/3K4R");
  PressSquare(9, 10);
  PressSquare(9, 9);
  EXPECT_EQ(Position(), "3k5/9/9/9/9/9/9/9/8R/3r5 w");
  EXPECT_EQ(testing_support::Game().Turn().GameOver, 1);
  EXPECT_EQ(Caption(game::StatusLabel), "你输了");
  ExpectBoardShown();
  PressSquare(9, 9);
  PressSquare(9, 10);
  EXPECT_EQ(Position(), "3k5/9/9/9/9/9/9/9/8R/3r5 w");
}

TEST_F(Controller, TheAboutWindowOpensModallyOnceAtATime) {
  testing_support::ClickButton(game::AboutButton);
  runtime::WindowUnit* about = runtime::LiveWindow(game::kAboutWindowId);
  ASSERT_NE(about, nullptr);
  EXPECT_FALSE(runtime::LiveWindow(game::kMainWindowId)->isEnabled());
  EXPECT_EQ(Caption(game::AboutLabel), game::AboutText());
  game::OnAboutClick();
  EXPECT_EQ(runtime::LiveWindow(game::kAboutWindowId), about);
  EXPECT_EQ(runtime::LiveWindowCount(), 2);
  runtime::DestroyWindow(*about);
  testing_support::SettleEvents();
  EXPECT_TRUE(runtime::LiveWindow(game::kMainWindowId)->isEnabled());
}

TEST_F(Controller, ExitClosesTheMainWindow) {
  testing_support::ClickButton(game::ExitButton);
  EXPECT_EQ(runtime::LiveWindow(game::kMainWindowId), nullptr);
}

}  // namespace
