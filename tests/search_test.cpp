#include "game/search.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cli/engine_suite.h"
#include "game/evaluation.h"
#include "game/move_generation.h"
#include "game/notation.h"
#include "tests/support/engine_positions.h"

namespace {

using game::BoardArray;
using testing_support::Fen;

class Search : public testing::Test {
 protected:
  void SetUp() override {
    game::LoadEvaluationTables();
    game::SearchDepth = 2;
  }

  // The computer's reply on `fen` as "MOVE SCORE", "none SCORE" or "over".
  static std::string Reply(const std::string& fen) {
    game::Board = Fen(fen);
    game::ComputerChoice choice = game::PlayComputerMove();
    if (!choice.searched) return "over";
    return (choice.moved ? game::FormatIccsMove(choice.move) : std::string("none")) + " " +
           std::to_string(choice.score);
  }
};

TEST_F(Search, RepliesToTheFirstMoves) {
  EXPECT_EQ(Reply("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR"), "h9g7 23");
  EXPECT_EQ(Reply("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1CN4C1/9/R1BAKABNR"), "h7h0 -86");
  // The reply is made on Board: the cannon has left (3,8) for (10,8).
  EXPECT_EQ(game::Board(3, 8), game::Empty);
  EXPECT_EQ(game::Board(10, 8), 4);
  // The same position gives the same answer.
  EXPECT_EQ(Reply("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR"), "h9g7 23");
}

TEST_F(Search, GameOverScoresDependOnWhoIsToMoveAndHowSoon) {
  game::SearchDepth = 2;
  BoardArray noHuman = Fen("4k4/9/9/9/9/9/9/9/9/9");
  BoardArray noComputer = Fen("9/9/9/9/9/9/9/9/9/4K4");
  BoardArray both = Fen("4k4/9/9/9/9/9/9/9/9/3K5");
  // Depth 2 (the root) and 0: the computer is to move; depth 1: the human.
  EXPECT_EQ(game::GameOverScore(2, noHuman), 20001);
  EXPECT_EQ(game::GameOverScore(1, noHuman), -20000);
  EXPECT_EQ(game::GameOverScore(0, noHuman), 19999);
  EXPECT_EQ(game::GameOverScore(2, noComputer), -20001);
  EXPECT_EQ(game::GameOverScore(1, noComputer), 20000);
  EXPECT_EQ(game::GameOverScore(0, noComputer), -19999);
  EXPECT_EQ(game::GameOverScore(1, both), 0);
  // A General outside both palaces counts as taken.
  EXPECT_EQ(game::GameOverScore(2, Fen("9/9/9/4k4/9/9/9/9/9/3K5")), -20001);
  game::SearchDepth = 3;
  EXPECT_EQ(game::GameOverScore(2, noHuman), -20001);  // one ply down: the human to move
}

TEST_F(Search, MakeAndUnmakeRestoreTheSearchBoard) {
  game::SearchBoard = Fen(testing_support::kStartFen);
  BoardArray before = game::SearchBoard;
  game::Move capture{{2, 8}, {2, 1}};  // cannon takes the horse on (1,2)
  int16_t captured = game::MakeMove(capture);
  EXPECT_EQ(captured, 3);
  EXPECT_EQ(game::SearchBoard(1, 2), 11);
  EXPECT_EQ(game::SearchBoard(8, 2), game::Empty);
  game::UnmakeMove(capture, captured);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(game::SearchBoard(row, col), before(row, col));
  // A whole search leaves it as it found it too.
  game::AlphaBeta(-20000, 20000, 2);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(game::SearchBoard(row, col), before(row, col));
}

TEST_F(Search, TakesTheHumanGeneralWithTheFirstMoveThatDoes) {
  // Both the cannon on (1,6) (over the chariot) and the chariot on (5,6) can take; the cannon
  // comes first in generation order, scores 20000 and ends the root's loop.
  game::Board = Fen("3k1c3/9/9/9/5r3/9/9/9/9/5K3");
  game::ComputerChoice choice = game::PlayComputerMove();
  EXPECT_TRUE(choice.moved);
  EXPECT_EQ(game::FormatIccsMove(choice.move), "f9f0");
  EXPECT_EQ(choice.score, 20000);
  EXPECT_EQ(game::Board(10, 6), 4);
  EXPECT_EQ(game::Board(1, 6), game::Empty);
}

TEST_F(Search, NeverAllowsTheGeneralToBeTakenWhenItCanAvoidIt) {
  // The human chariot on (2,1) holds row 2: the General's step to (2,4) would be taken at once
  // (-19999 at the leaf), so the computer plays something else.
  game::Board = Fen("3k5/R8/9/9/9/9/9/9/9/5K3");
  game::ComputerChoice choice = game::PlayComputerMove();
  ASSERT_TRUE(choice.moved);
  EXPECT_GT(choice.score, -19999);
  EXPECT_NE(game::FormatIccsMove(choice.move), "d9d8");
  int16_t n = game::GenerateMoves(1, game::Human, game::Board);
  for (int16_t i = 1; i <= n; ++i) {
    game::Move m = std::as_const(game::MoveLists)(1, i);
    EXPECT_NE(game::Board(m.to.row, m.to.col), game::kComputerGeneral);
  }
}

TEST_F(Search, NoSearchWithoutTheComputerGeneral) {
  EXPECT_EQ(Reply("9/9/9/9/9/9/9/9/9/4K4"), "over");
  game::BestMove = game::Move{{1, 1}, {1, 2}};  // a stale move from an earlier turn
  game::Board = Fen("9/9/9/9/9/9/9/9/9/4K4");
  EXPECT_FALSE(game::PlayComputerMove().moved);
  EXPECT_EQ(game::Board(10, 5), 8);
}

TEST_F(Search, AStaleBestMoveIsNeverPlayed) {
  // The human General is already gone: the root is decided, no move is chosen.
  game::BestMove = game::Move{{5, 1}, {5, 2}};
  EXPECT_EQ(Reply("4k4/9/9/9/9/9/9/9/9/9"), "none 20001");
  EXPECT_EQ(game::Board(1, 5), 1);
  // The computer has no move at all: its General is walled in by its own advisor and elephants,
  // whose own moves end on their side's pieces or have their eyes blocked by human soldiers.
  game::BestMove = game::Move{{5, 1}, {5, 2}};
  EXPECT_EQ(Reply("3bkb3/2P1a1P2/3b1b3/2P1P1P2/9/9/9/9/9/3K5"), "none -20000");
  EXPECT_EQ(game::Board(1, 5), 1);
  EXPECT_EQ(game::Board(2, 5), 5);
}

TEST_F(Search, ASideWithNoMoveLosesTheNode) {
  // The human side walled in the same way, by its own pieces and computer soldiers on the eyes.
  // The computer's first move keeps it so: the human node has no move and returns -20000.
  EXPECT_EQ(Reply("5k3/9/9/9/9/9/2p1p1p2/3B1B3/2p1A1p2/3BKB3"), "f9e9 20000");
}

// Plain negamax over the same moves and leaves, with no pruning: the best root move is the first
// one, in generation order, whose value is the highest, and it must beat the window's -20000.
int32_t Negamax(int16_t depth) {
  game::Side side = (game::SearchDepth - depth) % 2 == 1 ? game::Human : game::Computer;
  int32_t over = game::GameOverScore(depth, game::SearchBoard);
  if (over != 0) return over;
  if (depth <= 0) return game::Evaluate(side, game::SearchBoard);
  int16_t n = game::GenerateMoves(depth, side, game::SearchBoard);
  int32_t best = -20000;
  for (int16_t i = 1; i <= n; ++i) {
    game::Move m = std::as_const(game::MoveLists)(depth, i);
    int16_t captured = game::MakeMove(m);
    best = std::max(best, -Negamax(depth - 1));
    game::UnmakeMove(m, captured);
  }
  return best;
}

struct Choice {
  bool moved = false;
  game::Move move{};
  int32_t score = -20000;
};

Choice NegamaxRoot() {
  Choice choice;
  int16_t depth = game::SearchDepth;
  int16_t n = game::GenerateMoves(depth, game::Computer, game::SearchBoard);
  std::vector<game::Move> moves;
  for (int16_t i = 1; i <= n; ++i) moves.push_back(std::as_const(game::MoveLists)(depth, i));
  for (const game::Move& m : moves) {
    int16_t captured = game::MakeMove(m);
    int32_t score = -Negamax(depth - 1);
    game::UnmakeMove(m, captured);
    if (score > choice.score) choice = {true, m, score};
    if (score >= 20000) break;
  }
  return choice;
}

TEST_F(Search, AlphaBetaChoosesWhatFullMinimaxChooses) {
  std::mt19937 random(99);
  std::vector<BoardArray> boards;
  for (const char* fen : cli::kEngineSuite) boards.push_back(Fen(fen));
  size_t suite = boards.size();
  for (int i = 0; i < 40; ++i) boards.push_back(testing_support::RandomBoard(random, 4 + i % 20));
  for (int16_t depth : {1, 2, 3}) {
    game::SearchDepth = depth;
    // Three plies of full minimax only on the sparser random boards.
    size_t first = depth == 3 ? suite : 0, last = depth == 3 ? suite + 12 : boards.size();
    for (size_t i = first; i < last; ++i) {
      game::SearchBoard = boards[i];
      Choice expected = NegamaxRoot();
      game::Board = boards[i];
      game::ComputerChoice choice = game::PlayComputerMove();
      ASSERT_TRUE(choice.searched);
      ASSERT_EQ(choice.moved, expected.moved) << game::FormatFen(boards[i], game::Computer);
      EXPECT_EQ(choice.score, expected.score) << game::FormatFen(boards[i], game::Computer);
      if (expected.moved) {
        EXPECT_EQ(game::FormatIccsMove(choice.move), game::FormatIccsMove(expected.move))
            << depth << " " << game::FormatFen(boards[i], game::Computer);
      }
    }
  }
}

TEST_F(Search, CrowdedBoardsAreSearchedWithoutDroppingMoves) {
  // Far more than 70 moves a side at both plies.
  game::Board = Fen("r1r1r1r1r/3k5/1c1c1c1c1/9/9/9/9/C1C1C1C1C/9/R1R1RK2R");
  game::ComputerChoice choice = game::PlayComputerMove();
  EXPECT_TRUE(choice.moved);
  game::SearchBoard = Fen("r1r1r1r1r/3k5/1c1c1c1c1/9/9/9/9/C1C1C1C1C/9/R1R1RK2R");
  Choice expected = NegamaxRoot();
  EXPECT_EQ(choice.score, expected.score);
  EXPECT_EQ(choice.move, expected.move);
}

}  // namespace
