#include "game/twoply/board.h"

namespace twoply {

namespace {

runtime::Array<uint8_t> BuildInitialLayout() {
  static constexpr uint8_t kCodes[kRows * kCols] = {
      2,  3,  6,  5,  1,  5,  6,  3,  2,   //
      0,  0,  0,  0,  0,  0,  0,  0,  0,   //
      0,  4,  0,  0,  0,  0,  0,  4,  0,   //
      7,  0,  7,  0,  7,  0,  7,  0,  7,   //
      0,  0,  0,  0,  0,  0,  0,  0,  0,   //
      0,  0,  0,  0,  0,  0,  0,  0,  0,   //
      14, 0,  14, 0,  14, 0,  14, 0,  14,  //
      0,  11, 0,  0,  0,  0,  0,  11, 0,   //
      0,  0,  0,  0,  0,  0,  0,  0,  0,   //
      9,  10, 13, 12, 8,  12, 13, 10, 9,   //
  };
  runtime::Array<uint8_t> layout{kRows * kCols};
  for (int32_t i = 1; i <= kRows * kCols; ++i) layout[i] = kCodes[i - 1];
  return layout;
}

}  // namespace

BoardArray Board{kRows, kCols};
BoardArray SearchBoard{kRows, kCols};
runtime::Array<Move> MoveLists{kMoveListDepths, kMoveListCapacity};
int16_t MoveCount = 0;
const runtime::Array<uint8_t> InitialLayout = BuildInitialLayout();

void SetInitialPosition() {
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) Board(row, col) = InitialLayout[(row - 1) * 9 + col];
}

BoardArray MakeEmptyBoard() {
  return BoardArray{kRows, kCols};
}

}  // namespace twoply
