#include "game/twoply/move_generation.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "game/twoply/position_text.h"
#include "game/twoply/rules.h"
#include "game/twoply/two_ply_search.h"
#include "tests/support/engine_positions.h"

namespace {

using testing_support::Fen;
using testing_support::ListedMoves;
using twoply::BoardArray;

using Strings = std::vector<std::string>;

Strings Moves(const BoardArray& board, twoply::Side side, int16_t depth = 1) {
  int16_t n = twoply::GenerateMoves(depth, side, board);
  EXPECT_EQ(n, twoply::MoveCount);
  return ListedMoves(depth, n);
}

std::string Joined(const std::vector<std::string>& moves) {
  std::string s;
  for (const auto& m : moves) s += (s.empty() ? "" : " ") + m;
  return s;
}

TEST(MoveGeneration, StartingPositionListsFortyFourMovesPerSideInScanOrder) {
  BoardArray board = Fen(testing_support::kStartFen);
  EXPECT_EQ(Joined(Moves(board, twoply::Human)),
            "a3a4 c3c4 e3e4 g3g4 i3i4 "                                     // soldiers, row 7
            "b2c2 b2d2 b2e2 b2f2 b2g2 b2a2 b2b1 b2b3 b2b4 b2b5 b2b6 b2b9 "  // cannon (8,2)
            "h2i2 h2g2 h2f2 h2e2 h2d2 h2c2 h2h1 h2h3 h2h4 h2h5 h2h6 h2h9 "
            "a0a1 a0a2 b0c2 b0a2 c0e2 c0a2 d0e1 e0e1 f0e1 g0i2 g0e2 h0i2 h0g2 i0i1 i0i2");
  std::vector<std::string> computer = Moves(board, twoply::Computer);
  ASSERT_EQ(computer.size(), 44u);
  EXPECT_EQ(std::vector(computer.begin(), computer.begin() + 4),
            (Strings{"a9a8", "a9a7", "b9c7", "b9a7"}));
  EXPECT_EQ(std::vector(computer.end() - 5, computer.end()),
            (Strings{"a6a5", "c6c5", "e6e5", "g6g5", "i6i5"}));
  // The computer's cannon on (3,2) takes the horse over the human cannon, and stops there.
  EXPECT_NE(std::find(computer.begin(), computer.end(), "b7b0"), computer.end());
  EXPECT_EQ(std::find(computer.begin(), computer.end(), "b7b1"), computer.end());
}

TEST(MoveGeneration, FacingCaptureComesAfterOwnStepsForTheComputerAndBeforeForTheHuman) {
  BoardArray board = Fen("4k4/9/9/9/9/9/9/9/9/4K4");
  EXPECT_EQ(Moves(board, twoply::Computer), (Strings{"e9d9", "e9f9", "e9e8", "e9e0"}));
  EXPECT_EQ(Moves(board, twoply::Human), (Strings{"e0e9", "e0e1", "e0d0", "e0f0"}));
}

TEST(MoveGeneration, CannonOnAnOpenBoardAndBehindAnAdjacentPiece) {
  BoardArray board = Fen("3k5/9/9/9/9/9/9/9/9/5K3");
  board(5, 1) = 11;
  std::vector<std::string> open = Moves(board, twoply::Human);
  // 8 squares along row 5 and 9 along column 1, no capture; then the General's two steps.
  EXPECT_EQ(Joined(open),
            "a5b5 a5c5 a5d5 a5e5 a5f5 a5g5 a5h5 a5i5 a5a4 a5a3 a5a2 a5a1 a5a0 a5a6 a5a7 a5a8 "
            "a5a9 f0f1 f0e0");
  board(5, 2) = 14;  // own soldier right beside it: nothing on that ray, not even beyond
  EXPECT_EQ(Moves(board, twoply::Human)[0], "a5a4");
}

TEST(MoveGeneration, SoldiersAtTheEdges) {
  BoardArray board = Fen("3k5/P8/9/9/9/9/9/9/9/5K3");
  board(1, 9) = 14;  // a human soldier on the far row, in the corner
  // Row 1 comes first: the corner soldier only steps aside; then the one on row 2.
  EXPECT_EQ(Moves(board, twoply::Human), (Strings{"i9h9", "a8a9", "a8b8", "f0f1", "f0e0"}));
  BoardArray computer = Fen("3k5/9/9/9/9/p8/9/9/9/5K3");
  EXPECT_EQ(Moves(computer, twoply::Computer), (Strings{"d9e9", "d9d8", "a4a3", "a4b4"}));
  computer(10, 9) = 7;  // on the far row: sideways only
  EXPECT_EQ(Moves(computer, twoply::Computer), (Strings{"d9e9", "d9d8", "a4a3", "a4b4", "i0h0"}));
}

TEST(MoveGeneration, EmptyBoardAndOneSideOnly) {
  BoardArray empty = twoply::MakeEmptyBoard();
  EXPECT_EQ(twoply::GenerateMoves(1, twoply::Human, empty), 0);
  EXPECT_EQ(twoply::GenerateMoves(1, twoply::Computer, empty), 0);
  BoardArray board = Fen(testing_support::kStartFen);
  for (twoply::Side side : {twoply::Computer, twoply::Human}) {
    int16_t n = twoply::GenerateMoves(2, side, board);
    for (int16_t i = 1; i <= n; ++i) {
      twoply::Move m = std::as_const(twoply::MoveLists)(2, i);
      EXPECT_EQ(twoply::SideOf(board(m.from.row, m.from.col)), side);
    }
  }
}

TEST(MoveGeneration, EachDepthWritesItsOwnRow) {
  BoardArray board = Fen(testing_support::kStartFen);
  twoply::GenerateMoves(3, twoply::Human, board);
  std::vector<std::string> human = ListedMoves(3, 44);
  twoply::GenerateMoves(2, twoply::Computer, board);
  EXPECT_EQ(ListedMoves(3, 44), human);
  EXPECT_EQ(twoply::MoveCount, 44);
}

// Literal generation from the rules: each piece of the side in board order, its candidate
// squares in the generator's order, kept when IsLegalMove accepts them. Rays are walked to the
// board's edge and filtered the same way, which is what the ray generators must amount to.
std::vector<std::string> MovesFromRules(const BoardArray& board, twoply::Side side) {
  std::vector<std::string> moves;
  auto add = [&](int fromRow, int fromCol, int row, int col) {
    if (row < 1 || row > 10 || col < 1 || col > 9) return;
    twoply::Move m{{uint8_t(fromCol), uint8_t(fromRow)}, {uint8_t(col), uint8_t(row)}};
    if (twoply::IsLegalMove(m.from, m.to, board)) moves.push_back(twoply::FormatIccsMove(m));
  };
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) {
      uint8_t p = board(row, col);
      if (p == twoply::Empty || twoply::SideOf(p) != side) continue;
      int kind = (p - 1) % 7 + 1;
      if (kind == twoply::General || kind == twoply::Advisor) {
        std::vector<int> rows = {1, 2, 3, 8, 9, 10};
        if (p == 12) rows = {8, 9, 10};
        if (p == 5) rows = {1, 2, 3};
        for (int r : rows)
          for (int c = 4; c <= 6; ++c) add(row, col, r, c);
      } else if (kind == twoply::Elephant) {
        for (auto [dc, dr] : {std::pair{2, 2}, {2, -2}, {-2, 2}, {-2, -2}})
          add(row, col, row + dr, col + dc);
      } else if (kind == twoply::Horse) {
        for (auto [dc, dr] :
             {std::pair{2, 1}, {2, -1}, {-2, 1}, {-2, -1}, {1, 2}, {1, -2}, {-1, 2}, {-1, -2}})
          add(row, col, row + dr, col + dc);
      } else if (kind == twoply::Chariot || kind == twoply::Cannon) {
        for (int c = col + 1; c <= 9; ++c) add(row, col, row, c);
        for (int c = col - 1; c >= 1; --c) add(row, col, row, c);
        for (int r = row + 1; r <= 10; ++r) add(row, col, r, col);
        for (int r = row - 1; r >= 1; --r) add(row, col, r, col);
      } else {
        int forward = p == 14 ? -1 : 1;
        add(row, col, row + forward, col);
        add(row, col, row, col + 1);
        add(row, col, row, col - 1);
      }
    }
  return moves;
}

TEST(MoveGeneration, MatchesTheRulesOnRandomBoards) {
  std::mt19937 random(20261207);
  for (int trial = 0; trial < 400; ++trial) {
    BoardArray board = testing_support::RandomBoard(random, 4 + trial % 40);
    for (twoply::Side side : {twoply::Computer, twoply::Human})
      ASSERT_EQ(Moves(board, side), MovesFromRules(board, side)) << twoply::FormatFen(board, side);
  }
}

TEST(MoveGeneration, CrowdedBoardsKeepEveryMoveInOrder) {
  // Ten chariots and nine cannons: far beyond 70 moves.
  BoardArray board = Fen("R1R1R1R1R/3k5/1C1C1C1C1/9/R1R1R1R1R/9/C1C1C1C1C/9/9/5K3");
  std::vector<std::string> moves = Moves(board, twoply::Human);
  EXPECT_GT(moves.size(), 100u);
  EXPECT_EQ(moves, MovesFromRules(board, twoply::Human));
  EXPECT_EQ(twoply::GenerateMoves(4, twoply::Human, board), int16_t(moves.size()));
}

uint64_t PerftOf(const std::string& fen, int16_t depth, twoply::Side side) {
  twoply::SearchBoard = Fen(fen);
  twoply::SearchDepth = 4;
  BoardArray before = twoply::SearchBoard;
  uint64_t count = twoply::Perft(depth, side);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(twoply::SearchBoard(row, col), before(row, col));
  return count;
}

TEST(MoveGeneration, PerftOfSmallPositionsCountedByHand) {
  // Generals alone, off each other's column. The human's General on (10,5) has 3 steps; the
  // computer's on (1,4) then has 2, plus the facing capture after the human steps to column 4.
  EXPECT_EQ(PerftOf("3k5/9/9/9/9/9/9/9/9/4K4", 1, twoply::Human), 3u);
  EXPECT_EQ(PerftOf("3k5/9/9/9/9/9/9/9/9/4K4", 2, twoply::Human), 2u + 3u + 2u);
  // Generals facing. The human has the capture e0e9 (after which nothing moves) and 3 steps;
  // after e0e1 the column stays open, so the computer has its 3 steps and the capture e9e1.
  EXPECT_EQ(PerftOf("4k4/9/9/9/9/9/9/9/9/4K4", 1, twoply::Human), 4u);
  EXPECT_EQ(PerftOf("4k4/9/9/9/9/9/9/9/9/4K4", 2, twoply::Human), 0u + 4u + 3u + 3u);
  // A soldier each. Human: a4a5, f0f1, f0e0. Computer: d9e9, d9d8, i5i4 after each.
  // Then the human has: after a4a5 the soldier's a5a6 a5b5 and the General's 2 steps (4 x 3);
  // after f0f1 the soldier's 1 and the General's 3 steps (4 x 3); after f0e0 the same 4, and
  // one more, the facing capture, when the computer's General went to e9 (4 + 4 + 5).
  EXPECT_EQ(PerftOf("3k5/9/9/9/8p/P8/9/9/9/5K3", 1, twoply::Human), 3u);
  EXPECT_EQ(PerftOf("3k5/9/9/9/8p/P8/9/9/9/5K3", 3, twoply::Human), 12u + 12u + 13u);
}

TEST(MoveGeneration, PerftFromTheStart) {
  EXPECT_EQ(PerftOf(testing_support::kStartFen, 1, twoply::Human), 44u);
  EXPECT_EQ(PerftOf(testing_support::kStartFen, 2, twoply::Human), 1926u);
  EXPECT_EQ(PerftOf(testing_support::kStartFen, 3, twoply::Human), 80288u);
}

}  // namespace
