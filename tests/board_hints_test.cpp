// 显示提示: why a move is refused, in the player's words, for each piece's law and for the
// standard rules; the marks over the real board panel as a game goes, and nothing at all — the
// panel as the game draws it, pixel for pixel — when they are off.
#include "game/board_hints.h"

#include <gtest/gtest.h>

#include <QWidget>

#include "game/game_menu.h"
#include "game/menu_items.h"
#include "game/move_refusal.h"
#include "game/play/session.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/windows/panel_marks.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

using game::Refusal;

TEST(MoveRefusal, EachLawAndTheStandardRulesSayWhy) {
  struct Case {
    const char* fen;
    const char* move;
    bool standard;
    Refusal why;
  };
  const char* start = testing_support::kStartFen;
  const Case cases[] = {
      {start, "b0c2", false, Refusal::kNone},
      {start, "b0a1", false, Refusal::kNotItsMove},
      {start, "b0d1", false, Refusal::kHorseLegBlocked},
      {start, "h2h0", false, Refusal::kOwnPiece},
      {"4k4/9/9/9/9/9/9/9/2P6/1N2K4 w", "b0c2", false, Refusal::kNone},
      {"4k4/9/9/9/9/9/9/9/1P7/1N2K4 w", "b0c2", false, Refusal::kHorseLegBlocked},
      {"4k4/9/9/9/9/9/9/9/3P5/2B1K4 w", "c0e2", false, Refusal::kElephantEyeBlocked},
      {"4k4/9/9/9/9/2B6/9/9/9/4K4 w", "c4e6", false, Refusal::kElephantRiver},
      {"4k4/9/9/9/9/9/9/9/9/3AK4 w", "d0c1", false, Refusal::kPalace},
      {"4k4/9/9/9/9/9/9/9/9/3K5 w", "d0c0", false, Refusal::kPalace},
      {"4k4/9/9/9/9/9/9/9/9/R1P1K4 w", "a0c0", false, Refusal::kOwnPiece},
      {"4k4/9/9/9/9/9/9/9/9/R1p1K4 w", "a0d0", false, Refusal::kPathBlocked},
      {"4k4/9/9/9/9/9/9/9/9/C2pK4 w", "a0d0", false, Refusal::kCannonNeedsScreen},
      {"4k4/9/9/9/9/9/4P4/9/9/3K5 w", "e3e2", false, Refusal::kSoldierBack},
      {"4k4/9/9/9/9/9/4P4/9/9/3K5 w", "e3d3", false, Refusal::kSoldierBack},
      // The standard rules: the General never left attacked, the two never facing.
      {"4k4/9/9/9/9/9/9/9/9/3K5 w", "d0e0", false, Refusal::kNone},
      {"4k4/9/9/9/9/9/9/9/9/3K5 w", "d0e0", true, Refusal::kGeneralsFace},
      {"5k3/9/9/9/3r5/9/9/9/9/4K4 w", "e0d0", true, Refusal::kIntoCheck},
  };
  for (const Case& c : cases) {
    std::string error;
    const std::optional<twoply::FenPosition> position = twoply::ParseFen(c.fen, error);
    ASSERT_TRUE(position) << c.fen;
    const twoply::Move move = *twoply::ParseIccsMove(c.move);
    EXPECT_EQ(game::WhyRefused(position->board, move.from, move.to, c.standard), c.why)
        << c.fen << " " << c.move;
    EXPECT_EQ(game::RefusalWords(c.why).empty(), c.why == Refusal::kNone);
  }
}

class BoardHints : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override { testing_support::StopGame(); }
  static runtime::PanelMarks Marks() { return runtime::GetPanelMarks(game::BoardPanel, 1); }
  static QImage Board() {
    return runtime::LiveUnit(game::BoardPanel.window, game::BoardPanel.unit)
        ->Widget()
        ->grab()
        .toImage();
  }
};

TEST_F(BoardHints, TheBoardSaysWhatHappensAndNothingWhenOff) {
  const QImage plain = Board();
  EXPECT_EQ(Marks(), runtime::PanelMarks{});  // off by default
  game::ActOnMenuItem(testing_support::Window(), game::kHintsItem);
  testing_support::PressSquare(2, 8);  // the cannon: where it may go
  EXPECT_FALSE(Marks().shapes.empty());
  testing_support::PressSquare(2, 3);  // onto black's cannon with nothing between
  EXPECT_EQ(Marks().note, "炮吃子要隔一个子");
  testing_support::PressSquare(5, 8);  // the move: its squares and the reply's are marked
  ASSERT_TRUE(testing_support::WaitFor([] { return !testing_support::Game().Thinking(); }));
  EXPECT_EQ(Marks().shapes.size(), 2u);  // the reply's two squares
  EXPECT_TRUE(Marks().note.empty());
  // Off again: no marks, the panel exactly as the game draws it.
  game::ActOnMenuItem(testing_support::Window(), game::kHintsItem);
  EXPECT_EQ(Marks(), runtime::PanelMarks{});
  testing_support::Game().NewGame();
  EXPECT_EQ(Board(), plain);
}

}  // namespace
