#include "game/twoply/board.h"

#include <gtest/gtest.h>

namespace {

using twoply::Board;

TEST(Board, StartingPositionHasBothArmiesInPlace) {
  twoply::SetInitialPosition();
  EXPECT_EQ(Board(1, 5), 1);
  EXPECT_EQ(Board(10, 5), 8);
  EXPECT_EQ(Board(3, 2), 4);
  EXPECT_EQ(Board(8, 8), 11);
  EXPECT_EQ(Board(4, 9), 7);
  EXPECT_EQ(Board(7, 1), 14);
  for (int row : {2, 5, 6, 9})
    for (int col = 1; col <= 9; ++col)
      EXPECT_EQ(Board(row, col), twoply::Empty) << row << "," << col;
  int computer = 0, human = 0;
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) {
      uint8_t code = Board(row, col);
      if (code == twoply::Empty) continue;
      (twoply::SideOf(code) == twoply::Computer ? computer : human) += 1;
    }
  EXPECT_EQ(computer, 16);
  EXPECT_EQ(human, 16);
}

TEST(Board, TheTwoArmiesMirrorEachOther) {
  twoply::SetInitialPosition();
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) {
      uint8_t code = Board(row, col), mirror = Board(11 - row, col);
      if (code == twoply::Empty) {
        EXPECT_EQ(mirror, twoply::Empty);
      } else {
        EXPECT_EQ(code % 7, mirror % 7) << row << "," << col;
        EXPECT_NE(twoply::SideOf(code), twoply::SideOf(mirror));
      }
    }
}

TEST(Board, NewGameLeavesNothingOfTheOldPosition) {
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) Board(row, col) = 9;
  twoply::SetInitialPosition();
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col)
      EXPECT_EQ(Board(row, col), twoply::InitialLayout[(row - 1) * 9 + col]);
}

TEST(Board, SidesOfCodes) {
  for (int code = 1; code <= 7; ++code) EXPECT_EQ(twoply::SideOf(code), twoply::Computer) << code;
  for (int code : {0, 8, 14, 15, 255, -1}) EXPECT_EQ(twoply::SideOf(code), twoply::Human) << code;
  EXPECT_TRUE(twoply::SameSide(5, 3));
  EXPECT_TRUE(twoply::SameSide(9, 14));
  EXPECT_FALSE(twoply::SameSide(7, 8));
  EXPECT_TRUE(twoply::SameSide(12, 0));  // Empty counts as the human's side
  EXPECT_FALSE(twoply::SameSide(1, 0));
}

TEST(Board, MoveListRowsHoldTheLargestPossibleList) {
  // No piece has more than 17 moves; a row must take 17 for every square of the board.
  EXPECT_EQ(twoply::MoveLists.Dimensions(), 2);
  EXPECT_EQ(twoply::MoveLists.Size(1), 4);
  EXPECT_GE(twoply::MoveLists.Size(2), 90 * 17);
}

TEST(BoardDeathTest, AccessOutsideTheBoardIsARuntimeError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((void)std::as_const(Board)(11, 1), testing::ExitedWithCode(255), "运行时出错");
  EXPECT_EXIT((void)std::as_const(Board)(1, 0), testing::ExitedWithCode(255), "运行时出错");
}

}  // namespace
