#include "tests/support/engine_positions.h"

#include <gtest/gtest.h>

#include "game/twoply/position_text.h"

namespace testing_support {

twoply::BoardArray Fen(const std::string& fen) {
  std::string error;
  auto parsed = twoply::ParseFen(fen, error);
  EXPECT_TRUE(parsed.has_value()) << fen << ": " << error;
  if (!parsed) return twoply::MakeEmptyBoard();
  return parsed->board;
}

twoply::BoardArray RandomBoard(std::mt19937& random, int pieces) {
  twoply::BoardArray board = twoply::MakeEmptyBoard();
  auto pick = [&](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  board(pick(1, 3), pick(4, 6)) = twoply::kComputerGeneral;
  board(pick(8, 10), pick(4, 6)) = twoply::kHumanGeneral;
  for (int placed = 0; placed < pieces;) {
    int row = pick(1, 10), col = pick(1, 9);
    if (board(row, col) != twoply::Empty) continue;
    int kind = pick(2, 7);  // every kind but the General
    board(row, col) =
        static_cast<uint8_t>(pick(0, 1) == 0 ? kind : kind + twoply::kHumanCodeOffset);
    ++placed;
  }
  return board;
}

std::vector<std::string> ListedMoves(int16_t depth, int16_t count) {
  std::vector<std::string> moves;
  for (int16_t i = 1; i <= count; ++i)
    moves.push_back(twoply::FormatIccsMove(std::as_const(twoply::MoveLists)(depth, i)));
  return moves;
}

}  // namespace testing_support
