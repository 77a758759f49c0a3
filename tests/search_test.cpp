#include <gtest/gtest.h>

#include <random>
#include <string>

#include "cli/engine_suite.h"
#include "game/twoply/move_generation.h"
#include "game/twoply/position_text.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"
#include "tests/support/engine_positions.h"

namespace {

using testing_support::Fen;
using twoply::BoardArray;

class Search : public testing::Test {
 protected:
  void SetUp() override {
    twoply::LoadEvaluationTables();
    twoply::SearchDepth = 2;
  }

  // The computer's reply on `fen` as "MOVE SCORE", "none SCORE" or "over".
  static std::string Reply(const std::string& fen) {
    twoply::Board = Fen(fen);
    twoply::ComputerChoice choice = twoply::PlayComputerMove();
    if (!choice.searched) return "over";
    return (choice.moved ? twoply::FormatIccsMove(choice.move) : std::string("none")) + " " +
           std::to_string(choice.score);
  }
};

TEST_F(Search, RepliesToTheFirstMoves) {
  EXPECT_EQ(Reply("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR"), "h9g7 23");
  EXPECT_EQ(Reply("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1CN4C1/9/R1BAKABNR"), "h7h0 -86");
  // The reply is made on Board: the cannon has left (3,8) for (10,8).
  EXPECT_EQ(twoply::Board(3, 8), twoply::Empty);
  EXPECT_EQ(twoply::Board(10, 8), 4);
  // The same position gives the same answer.
  EXPECT_EQ(Reply("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR"), "h9g7 23");
}

TEST_F(Search, GameOverScoresDependOnWhoIsToMoveAndHowSoon) {
  twoply::SearchDepth = 2;
  BoardArray noHuman = Fen("4k4/9/9/9/9/9/9/9/9/9");
  BoardArray noComputer = Fen("9/9/9/9/9/9/9/9/9/4K4");
  BoardArray both = Fen("4k4/9/9/9/9/9/9/9/9/3K5");
  // Depth 2 (the root) and 0: the computer is to move; depth 1: the human.
  EXPECT_EQ(twoply::GameOverScore(2, noHuman), 20001);
  EXPECT_EQ(twoply::GameOverScore(1, noHuman), -20000);
  EXPECT_EQ(twoply::GameOverScore(0, noHuman), 19999);
  EXPECT_EQ(twoply::GameOverScore(2, noComputer), -20001);
  EXPECT_EQ(twoply::GameOverScore(1, noComputer), 20000);
  EXPECT_EQ(twoply::GameOverScore(0, noComputer), -19999);
  EXPECT_EQ(twoply::GameOverScore(1, both), 0);
  // A General outside both palaces counts as taken.
  EXPECT_EQ(twoply::GameOverScore(2, Fen("9/9/9/4k4/9/9/9/9/9/3K5")), -20001);
  twoply::SearchDepth = 3;
  EXPECT_EQ(twoply::GameOverScore(2, noHuman), -20001);  // one ply down: the human to move
}

TEST_F(Search, MakeAndUnmakeRestoreTheSearchBoard) {
  twoply::SearchBoard = Fen(testing_support::kStartFen);
  BoardArray before = twoply::SearchBoard;
  twoply::Move capture{{2, 8}, {2, 1}};  // cannon takes the horse on (1,2)
  int16_t captured = twoply::MakeMove(capture);
  EXPECT_EQ(captured, 3);
  EXPECT_EQ(twoply::SearchBoard(1, 2), 11);
  EXPECT_EQ(twoply::SearchBoard(8, 2), twoply::Empty);
  twoply::UnmakeMove(capture, captured);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(twoply::SearchBoard(row, col), before(row, col));
  // A whole search leaves it as it found it too.
  twoply::AlphaBeta(-20000, 20000, 2);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(twoply::SearchBoard(row, col), before(row, col));
}

TEST_F(Search, TakesTheHumanGeneralWithTheFirstMoveThatDoes) {
  // Both the cannon on (1,6) (over the chariot) and the chariot on (5,6) can take; the cannon
  // comes first in generation order, scores 20000 and ends the root's loop.
  twoply::Board = Fen("3k1c3/9/9/9/5r3/9/9/9/9/5K3");
  twoply::ComputerChoice choice = twoply::PlayComputerMove();
  EXPECT_TRUE(choice.moved);
  EXPECT_EQ(twoply::FormatIccsMove(choice.move), "f9f0");
  EXPECT_EQ(choice.score, 20000);
  EXPECT_EQ(twoply::Board(10, 6), 4);
  EXPECT_EQ(twoply::Board(1, 6), twoply::Empty);
}

TEST_F(Search, NeverAllowsTheGeneralToBeTakenWhenItCanAvoidIt) {
  // The human chariot on (2,1) holds row 2: the General's step to (2,4) would be taken at once
  // (-19999 at the leaf), so the computer plays something else.
  twoply::Board = Fen("3k5/R8/9/9/9/9/9/9/9/5K3");
  twoply::ComputerChoice choice = twoply::PlayComputerMove();
  ASSERT_TRUE(choice.moved);
  EXPECT_GT(choice.score, -19999);
  EXPECT_NE(twoply::FormatIccsMove(choice.move), "d9d8");
  int16_t n = twoply::GenerateMoves(1, twoply::Human, twoply::Board);
  for (int16_t i = 1; i <= n; ++i) {
    twoply::Move m = std::as_const(twoply::MoveLists)(1, i);
    EXPECT_NE(twoply::Board(m.to.row, m.to.col), twoply::kComputerGeneral);
  }
}

TEST_F(Search, NoSearchWithoutTheComputerGeneral) {
  EXPECT_EQ(Reply("9/9/9/9/9/9/9/9/9/4K4"), "over");
  twoply::BestMove = twoply::Move{{1, 1}, {1, 2}};  // a stale move from an earlier turn
  twoply::Board = Fen("9/9/9/9/9/9/9/9/9/4K4");
  EXPECT_FALSE(twoply::PlayComputerMove().moved);
  EXPECT_EQ(twoply::Board(10, 5), 8);
}

TEST_F(Search, AStaleBestMoveIsNeverPlayed) {
  // The human General is already gone: the root is decided, no move is chosen.
  twoply::BestMove = twoply::Move{{5, 1}, {5, 2}};
  EXPECT_EQ(Reply("4k4/9/9/9/9/9/9/9/9/9"), "none 20001");
  EXPECT_EQ(twoply::Board(1, 5), 1);
  // The computer has no move at all: its General is walled in by its own advisor and elephants,
  // whose own moves end on their side's pieces or have their eyes blocked by human soldiers.
  twoply::BestMove = twoply::Move{{5, 1}, {5, 2}};
  EXPECT_EQ(Reply("3bkb3/2P1a1P2/3b1b3/2P1P1P2/9/9/9/9/9/3K5"), "none -20000");
  EXPECT_EQ(twoply::Board(1, 5), 1);
  EXPECT_EQ(twoply::Board(2, 5), 5);
}

TEST_F(Search, ASideWithNoMoveLosesTheNode) {
  // The human side walled in the same way, by its own pieces and computer soldiers on the eyes.
  // The computer's first move keeps it so: the human node has no move and returns -20000.
  EXPECT_EQ(Reply("5k3/9/9/9/9/9/2p1p1p2/3B1B3/2p1A1p2/3BKB3"), "f9e9 20000");
}

// Plain negamax over the same moves and leaves, with no pruning: the best root move is the first
// one, in generation order, whose value is the highest, and it must beat the window's -20000.
int32_t Negamax(int16_t depth) {
  twoply::Side side = (twoply::SearchDepth - depth) % 2 == 1 ? twoply::Human : twoply::Computer;
  int32_t over = twoply::GameOverScore(depth, twoply::SearchBoard);
  if (over != 0) return over;
  if (depth <= 0) return twoply::Evaluate(side, twoply::SearchBoard);
  int16_t n = twoply::GenerateMoves(depth, side, twoply::SearchBoard);
  int32_t best = -20000;
  for (int16_t i = 1; i <= n; ++i) {
    twoply::Move m = std::as_const(twoply::MoveLists)(depth, i);
    int16_t captured = twoply::MakeMove(m);
    best = std::max(best, -Negamax(depth - 1));
    twoply::UnmakeMove(m, captured);
  }
  return best;
}

struct Choice {
  bool moved = false;
  twoply::Move move{};
  int32_t score = -20000;
};

Choice NegamaxRoot() {
  Choice choice;
  int16_t depth = twoply::SearchDepth;
  int16_t n = twoply::GenerateMoves(depth, twoply::Computer, twoply::SearchBoard);
  std::vector<twoply::Move> moves;
  for (int16_t i = 1; i <= n; ++i) moves.push_back(std::as_const(twoply::MoveLists)(depth, i));
  for (const twoply::Move& m : moves) {
    int16_t captured = twoply::MakeMove(m);
    int32_t score = -Negamax(depth - 1);
    twoply::UnmakeMove(m, captured);
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
    twoply::SearchDepth = depth;
    // Three plies of full minimax only on the sparser random boards.
    size_t first = depth == 3 ? suite : 0, last = depth == 3 ? suite + 12 : boards.size();
    for (size_t i = first; i < last; ++i) {
      twoply::SearchBoard = boards[i];
      Choice expected = NegamaxRoot();
      twoply::Board = boards[i];
      twoply::ComputerChoice choice = twoply::PlayComputerMove();
      ASSERT_TRUE(choice.searched);
      ASSERT_EQ(choice.moved, expected.moved) << twoply::FormatFen(boards[i], twoply::Computer);
      EXPECT_EQ(choice.score, expected.score) << twoply::FormatFen(boards[i], twoply::Computer);
      if (expected.moved) {
        EXPECT_EQ(twoply::FormatIccsMove(choice.move), twoply::FormatIccsMove(expected.move))
            << depth << " " << twoply::FormatFen(boards[i], twoply::Computer);
      }
    }
  }
}

TEST_F(Search, CrowdedBoardsAreSearchedWithoutDroppingMoves) {
  // Far more than 70 moves a side at both plies.
  twoply::Board = Fen("r1r1r1r1r/3k5/1c1c1c1c1/9/9/9/9/C1C1C1C1C/9/R1R1RK2R");
  twoply::ComputerChoice choice = twoply::PlayComputerMove();
  EXPECT_TRUE(choice.moved);
  twoply::SearchBoard = Fen("r1r1r1r1r/3k5/1c1c1c1c1/9/9/9/9/C1C1C1C1C/9/R1R1RK2R");
  Choice expected = NegamaxRoot();
  EXPECT_EQ(choice.score, expected.score);
  EXPECT_EQ(choice.move, expected.move);
}

}  // namespace
