#include "game/twoply/rules.h"

#include <gtest/gtest.h>

#include "tests/support/engine_positions.h"

namespace {

using testing_support::Fen;
using twoply::BoardArray;
using twoply::CanReach;
using twoply::IsLegalMove;

twoply::Square Sq(int row, int col) {
  return twoply::Square{static_cast<uint8_t>(col), static_cast<uint8_t>(row)};
}

bool Legal(const BoardArray& board, int fromRow, int fromCol, int toRow, int toCol) {
  return IsLegalMove(Sq(fromRow, fromCol), Sq(toRow, toCol), board);
}

// A board with the two Generals off each other's column and one more piece.
BoardArray WithPiece(int row, int col, uint8_t code) {
  BoardArray board = Fen("3k5/9/9/9/9/9/9/9/9/5K3");
  board(row, col) = code;
  return board;
}

TEST(Rules, StayingOnTheSameSquareIsNeverAMove) {
  BoardArray board = Fen(testing_support::kStartFen);
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) {
      EXPECT_FALSE(Legal(board, row, col, row, col));
      EXPECT_FALSE(CanReach(Sq(row, col), Sq(row, col), board));
    }
}

TEST(Rules, EmptySquaresAndUnknownCodesDoNotMove) {
  BoardArray board = WithPiece(5, 5, 15);
  EXPECT_FALSE(Legal(board, 5, 5, 4, 5));
  EXPECT_FALSE(Legal(board, 6, 6, 5, 6));
  EXPECT_FALSE(CanReach(Sq(6, 6), Sq(5, 6), board));
}

TEST(Rules, HorseNeedsAFreeLeg) {
  BoardArray board = Fen(testing_support::kStartFen);
  EXPECT_TRUE(Legal(board, 10, 2, 8, 3));
  EXPECT_TRUE(Legal(board, 10, 2, 8, 1));
  EXPECT_FALSE(Legal(board, 10, 2, 9, 4));  // leg (10,3) holds an elephant
  EXPECT_FALSE(Legal(board, 10, 2, 9, 3));  // not a horse's shape
  // Each of the four legs blocks the two moves on its side.
  BoardArray open = WithPiece(5, 5, 10);
  const int moves[8][2] = {{4, 7}, {6, 7}, {4, 3}, {6, 3}, {7, 4}, {7, 6}, {3, 4}, {3, 6}};
  for (auto [row, col] : moves) EXPECT_TRUE(Legal(open, 5, 5, row, col)) << row << "," << col;
  const int legs[4][2] = {{5, 6}, {5, 4}, {6, 5}, {4, 5}};
  for (int leg = 0; leg < 4; ++leg) {
    BoardArray blocked = open;
    blocked(legs[leg][0], legs[leg][1]) = 7;  // a piece of either side blocks
    for (int m = 0; m < 8; ++m) {
      bool behindLeg = m / 2 == leg;
      EXPECT_EQ(Legal(blocked, 5, 5, moves[m][0], moves[m][1]), !behindLeg) << leg << " " << m;
    }
  }
}

TEST(Rules, CannonMovesFreelyAndCapturesOverExactlyOneScreen) {
  BoardArray board = Fen(testing_support::kStartFen);
  EXPECT_TRUE(Legal(board, 8, 2, 1, 2));  // over the computer's cannon on (3,2)
  for (int row : {4, 5, 6, 7, 9}) EXPECT_TRUE(Legal(board, 8, 2, row, 2)) << row;
  for (int col : {1, 3, 4, 5, 6, 7}) EXPECT_TRUE(Legal(board, 8, 2, 8, col)) << col;
  EXPECT_FALSE(Legal(board, 8, 2, 2, 2));  // empty target beyond a piece
  EXPECT_FALSE(Legal(board, 8, 2, 8, 9));  // own cannon in between
  EXPECT_FALSE(Legal(board, 8, 2, 7, 3));  // not on a line
  BoardArray line = Fen("3k5/9/9/9/9/9/9/9/9/5K3");
  line(5, 1) = 11;
  line(5, 2) = 7;  // adjacent enemy, no screen
  EXPECT_FALSE(Legal(line, 5, 1, 5, 2));
  line(5, 4) = 3;  // one screen (5,2) before it
  EXPECT_TRUE(Legal(line, 5, 1, 5, 4));
  line(5, 3) = 14;  // two pieces between: no capture
  EXPECT_FALSE(Legal(line, 5, 1, 5, 4));
  line(5, 3) = twoply::Empty;
  line(5, 4) = 12;  // own piece: never a capture
  EXPECT_FALSE(Legal(line, 5, 1, 5, 4));
  EXPECT_TRUE(CanReach(Sq(5, 1), Sq(5, 4), line));
}

TEST(Rules, ChariotStopsAtTheFirstPieceInEachDirection) {
  for (uint8_t blocker : {uint8_t{14}, uint8_t{7}}) {
    BoardArray board = WithPiece(5, 9, 9);
    board(5, 6) = blocker;
    for (int col = 1; col <= 5; ++col) EXPECT_FALSE(Legal(board, 5, 9, 5, col)) << col;
    EXPECT_TRUE(Legal(board, 5, 9, 5, 7));
    EXPECT_TRUE(Legal(board, 5, 9, 5, 8));
    EXPECT_EQ(Legal(board, 5, 9, 5, 6), blocker == 7);
  }
  // The other three directions, with the chariot in the middle of the board.
  BoardArray board = WithPiece(5, 5, 2);
  board(5, 7) = 14;
  board(8, 5) = 6;
  board(3, 5) = 10;
  EXPECT_TRUE(Legal(board, 5, 5, 5, 7));
  EXPECT_FALSE(Legal(board, 5, 5, 5, 8));
  EXPECT_TRUE(Legal(board, 5, 5, 7, 5));
  EXPECT_FALSE(Legal(board, 5, 5, 8, 5));  // own elephant
  EXPECT_FALSE(Legal(board, 5, 5, 9, 5));
  EXPECT_TRUE(Legal(board, 5, 5, 3, 5));
  EXPECT_FALSE(Legal(board, 5, 5, 2, 5));
  EXPECT_FALSE(Legal(board, 5, 5, 4, 4));
}

TEST(Rules, ElephantsStayOnTheirSideAndNeedAFreeEye) {
  BoardArray human = WithPiece(6, 3, 13);
  EXPECT_TRUE(Legal(human, 6, 3, 8, 1));
  EXPECT_TRUE(Legal(human, 6, 3, 8, 5));
  EXPECT_FALSE(Legal(human, 6, 3, 4, 1));  // across the river
  EXPECT_FALSE(Legal(human, 6, 3, 4, 5));
  EXPECT_FALSE(Legal(human, 6, 3, 7, 4));  // one step
  human(7, 4) = 7;                         // an enemy piece on the eye blocks too
  EXPECT_FALSE(Legal(human, 6, 3, 8, 5));
  BoardArray computer = WithPiece(5, 7, 6);
  EXPECT_TRUE(Legal(computer, 5, 7, 3, 5));
  EXPECT_TRUE(Legal(computer, 5, 7, 3, 9));
  EXPECT_FALSE(Legal(computer, 5, 7, 7, 5));
  EXPECT_FALSE(Legal(computer, 5, 7, 7, 9));
  computer(4, 8) = 6;
  EXPECT_FALSE(Legal(computer, 5, 7, 3, 9));
}

TEST(Rules, AdvisorsStepDiagonallyInsideTheirPalace) {
  BoardArray human = WithPiece(9, 5, 12);
  for (auto [row, col] : {std::pair{8, 4}, {8, 6}, {10, 4}})
    EXPECT_TRUE(Legal(human, 9, 5, row, col));
  EXPECT_FALSE(Legal(human, 9, 5, 10, 6));  // its own General stands there
  EXPECT_FALSE(Legal(human, 9, 5, 8, 5));   // straight
  EXPECT_FALSE(Legal(human, 9, 5, 10, 5));
  BoardArray edge = WithPiece(8, 4, 12);
  EXPECT_FALSE(Legal(edge, 8, 4, 7, 3));  // out of the palace
  EXPECT_TRUE(Legal(edge, 8, 4, 9, 5));
  BoardArray computer = WithPiece(3, 6, 5);
  EXPECT_TRUE(Legal(computer, 3, 6, 2, 5));
  EXPECT_FALSE(Legal(computer, 3, 6, 4, 7));
  EXPECT_FALSE(Legal(computer, 3, 6, 4, 5));
}

TEST(Rules, SoldiersAdvanceAndGoSidewaysOnlyAcrossTheRiver) {
  BoardArray human = WithPiece(7, 3, 14);
  EXPECT_TRUE(Legal(human, 7, 3, 6, 3));
  EXPECT_FALSE(Legal(human, 7, 3, 7, 2));
  EXPECT_FALSE(Legal(human, 7, 3, 7, 4));
  EXPECT_FALSE(Legal(human, 7, 3, 8, 3));
  human = WithPiece(5, 3, 14);
  EXPECT_TRUE(Legal(human, 5, 3, 4, 3));
  EXPECT_TRUE(Legal(human, 5, 3, 5, 2));
  EXPECT_TRUE(Legal(human, 5, 3, 5, 4));
  EXPECT_FALSE(Legal(human, 5, 3, 6, 3));
  EXPECT_FALSE(Legal(human, 5, 3, 3, 3));
  EXPECT_FALSE(Legal(human, 5, 3, 4, 4));
  BoardArray computer = WithPiece(5, 3, 7);
  EXPECT_TRUE(Legal(computer, 5, 3, 6, 3));
  EXPECT_FALSE(Legal(computer, 5, 3, 5, 2));
  EXPECT_FALSE(Legal(computer, 5, 3, 4, 3));
  computer = WithPiece(6, 3, 7);
  EXPECT_TRUE(Legal(computer, 6, 3, 7, 3));
  EXPECT_TRUE(Legal(computer, 6, 3, 6, 2));
  EXPECT_TRUE(Legal(computer, 6, 3, 6, 4));
  EXPECT_FALSE(Legal(computer, 6, 3, 5, 3));
}

TEST(Rules, GeneralsStepStraightInsideTheirPalace) {
  BoardArray board = Fen("9/4k4/9/9/9/9/9/9/3K5/9");
  for (auto [row, col] : {std::pair{1, 5}, {3, 5}, {2, 4}, {2, 6}})
    EXPECT_TRUE(Legal(board, 2, 5, row, col));
  EXPECT_FALSE(Legal(board, 2, 5, 1, 4));  // diagonal
  EXPECT_FALSE(Legal(board, 2, 5, 3, 6));
  EXPECT_FALSE(Legal(board, 2, 5, 2, 7));  // two steps
  EXPECT_TRUE(Legal(board, 9, 4, 8, 4));
  EXPECT_TRUE(Legal(board, 9, 4, 9, 5));
  EXPECT_FALSE(Legal(board, 9, 4, 9, 3));  // out of the palace
  EXPECT_FALSE(Legal(board, 9, 4, 10, 5));
  BoardArray low = Fen("9/9/3k5/9/9/9/9/9/9/5K3");
  EXPECT_FALSE(Legal(low, 3, 4, 4, 4));  // leaving the palace forward
}

TEST(Rules, GeneralsFacingOnAnOpenColumnCaptureEachOther) {
  BoardArray board = Fen("4k4/9/9/9/9/9/9/9/9/4K4");
  EXPECT_TRUE(Legal(board, 1, 5, 10, 5));
  EXPECT_TRUE(Legal(board, 10, 5, 1, 5));
  for (int row = 2; row <= 9; ++row) {
    BoardArray blocked = board;
    blocked(row, 5) = row % 2 == 0 ? 7 : 11;
    EXPECT_FALSE(Legal(blocked, 1, 5, 10, 5)) << row;
    EXPECT_FALSE(Legal(blocked, 10, 5, 1, 5)) << row;
  }
  BoardArray apart = Fen("4k4/9/9/9/9/9/9/9/9/3K5");
  EXPECT_FALSE(Legal(apart, 1, 5, 10, 4));
  EXPECT_FALSE(Legal(apart, 10, 4, 1, 5));
  // Only the enemy General can be taken this way: any other piece far down the column cannot.
  BoardArray other = Fen("4k4/9/9/9/9/9/4R4/9/9/3K5");
  EXPECT_FALSE(Legal(other, 1, 5, 7, 5));
}

TEST(Rules, OwnPiecesAreReachedButNeverTaken) {
  BoardArray board = Fen(testing_support::kStartFen);
  // Horse onto its own soldier's square, advisor onto its own general's square.
  board(8, 3) = 14;
  EXPECT_FALSE(Legal(board, 10, 2, 8, 3));
  EXPECT_TRUE(CanReach(Sq(10, 2), Sq(8, 3), board));
  EXPECT_TRUE(Legal(board, 10, 4, 9, 5));
  board(9, 5) = 8;
  EXPECT_FALSE(Legal(board, 10, 4, 9, 5));
  EXPECT_TRUE(CanReach(Sq(10, 4), Sq(9, 5), board));
  // The rest of the rule still holds for CanReach: a blocked leg stays blocked.
  EXPECT_FALSE(CanReach(Sq(10, 2), Sq(9, 4), board));
}

}  // namespace
