#include "game/board.h"

#include <gtest/gtest.h>

namespace {

using game::Board;

TEST(Board, StartingPositionHasBothArmiesInPlace) {
  game::SetInitialPosition();
  EXPECT_EQ(Board(1, 5), 1);
  EXPECT_EQ(Board(10, 5), 8);
  EXPECT_EQ(Board(3, 2), 4);
  EXPECT_EQ(Board(8, 8), 11);
  EXPECT_EQ(Board(4, 9), 7);
  EXPECT_EQ(Board(7, 1), 14);
  for (int row : {2, 5, 6, 9})
    for (int col = 1; col <= 9; ++col) EXPECT_EQ(Board(row, col), game::Empty) << row << "," << col;
  int computer = 0, human = 0;
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) {
      uint8_t code = Board(row, col);
      if (code == game::Empty) continue;
      (game::SideOf(code) == game::Computer ? computer : human) += 1;
    }
  EXPECT_EQ(computer, 16);
  EXPECT_EQ(human, 16);
}

TEST(Board, TheTwoArmiesMirrorEachOther) {
  game::SetInitialPosition();
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) {
      uint8_t code = Board(row, col), mirror = Board(11 - row, col);
      if (code == game::Empty) {
        EXPECT_EQ(mirror, game::Empty);
      } else {
        EXPECT_EQ(code % 7, mirror % 7) << row << "," << col;
        EXPECT_NE(game::SideOf(code), game::SideOf(mirror));
      }
    }
}

TEST(Board, NewGameLeavesNothingOfTheOldPosition) {
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col) Board(row, col) = 9;
  game::SetInitialPosition();
  for (int row = 1; row <= 10; ++row)
    for (int col = 1; col <= 9; ++col)
      EXPECT_EQ(Board(row, col), game::InitialLayout[(row - 1) * 9 + col]);
}

TEST(Board, SidesOfCodes) {
  for (int code = 1; code <= 7; ++code) EXPECT_EQ(game::SideOf(code), game::Computer) << code;
  for (int code : {0, 8, 14, 15, 255, -1}) EXPECT_EQ(game::SideOf(code), game::Human) << code;
  EXPECT_TRUE(game::SameSide(5, 3));
  EXPECT_TRUE(game::SameSide(9, 14));
  EXPECT_FALSE(game::SameSide(7, 8));
  EXPECT_TRUE(game::SameSide(12, 0));  // Empty counts as the human's side
  EXPECT_FALSE(game::SameSide(1, 0));
}

TEST(Board, MoveListRowsHoldTheLargestPossibleList) {
  // No piece has more than 17 moves; a row must take 17 for every square of the board.
  EXPECT_EQ(game::MoveLists.Dimensions(), 2);
  EXPECT_EQ(game::MoveLists.Size(1), 4);
  EXPECT_GE(game::MoveLists.Size(2), 90 * 17);
}

TEST(BoardDeathTest, AccessOutsideTheBoardIsARuntimeError) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT((void)std::as_const(Board)(11, 1), testing::ExitedWithCode(255), "运行时出错");
  EXPECT_EXIT((void)std::as_const(Board)(1, 0), testing::ExitedWithCode(255), "运行时出错");
}

}  // namespace
