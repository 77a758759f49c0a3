// The board, the piece codes and sides, squares and moves, and the move lists of the search.
#pragma once

#include <cstdint>

#include "runtime/array.h"

namespace twoply {

// Piece codes: the kind for the computer's pieces, the kind plus 7 for the human's.
inline constexpr uint8_t Empty = 0;
enum PieceKind : uint8_t {
  General = 1,
  Chariot = 2,
  Horse = 3,
  Cannon = 4,
  Advisor = 5,
  Elephant = 6,
  Soldier = 7,
};
inline constexpr uint8_t kHumanCodeOffset = 7;
inline constexpr uint8_t kComputerGeneral = General;
inline constexpr uint8_t kHumanGeneral = General + kHumanCodeOffset;
inline constexpr uint8_t kLastPieceCode = 14;

inline constexpr int32_t kRows = 10;
inline constexpr int32_t kCols = 9;

// The board panel: 48-pixel cells from its top-left corner; a click's square is its pixel divided
// by the cell.
inline constexpr int32_t kCell = 48;
inline constexpr int32_t kGridWidth = kCols * kCell;   // 432
inline constexpr int32_t kGridHeight = kRows * kCell;  // 480

enum Side : int16_t { Computer = 0, Human = 1 };

// The colour of the Human's pieces. Red moves first; whichever colour he has, the Human's pieces
// stand below and keep the codes 8..14.
enum class Colour : uint8_t { kRed, kBlack };

inline Side OtherSide(Side side) {
  return side == Human ? Computer : Human;
}

// Computer for 1..7; every other value, including Empty, counts as Human.
inline Side SideOf(int16_t code) {
  return (code >= 1 && code <= 7) ? Computer : Human;
}
inline bool SameSide(int16_t a, int16_t b) {
  return SideOf(a) == SideOf(b);
}

struct Square {
  uint8_t col;
  uint8_t row;
};
struct Move {
  Square from;
  Square to;
};
inline bool operator==(const Square& a, const Square& b) {
  return a.col == b.col && a.row == b.row;
}
inline bool operator==(const Move& a, const Move& b) {
  return a.from == b.from && a.to == b.to;
}

// 10 rows by 9 columns of piece codes, [row][col], both 1-based, row 1 the computer's back row.
using BoardArray = runtime::Array<uint8_t>;

// The game in progress and the computer's private copy while it searches.
extern BoardArray Board;
extern BoardArray SearchBoard;

// The lists of the search, [depth][n], one row per remaining depth 1..4. A row holds the largest
// list any board can produce: no piece has more than 17 moves and there are 90 squares, so even a
// board set up from a record or a FEN (eight chariots and the like) never overruns a row.
inline constexpr int32_t kMoveListDepths = 4;
inline constexpr int32_t kMoveListCapacity = kRows * kCols * 17;
extern runtime::Array<Move> MoveLists;
// The number of moves appended by the latest generation.
extern int16_t MoveCount;

// The starting position, 90 codes row by row (1-based).
extern const runtime::Array<uint8_t> InitialLayout;

// Writes every square of Board from InitialLayout.
void SetInitialPosition();

// A fresh empty board of the right shape.
BoardArray MakeEmptyBoard();

inline uint8_t At(const BoardArray& board, int32_t row, int32_t col) {
  return board(row, col);
}
inline uint8_t At(const BoardArray& board, Square s) {
  return board(s.row, s.col);
}

}  // namespace twoply
