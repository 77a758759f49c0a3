// The movement law: whether the piece on one square may go to another square of a board.
#pragma once

#include <cstdlib>

#include "game/twoply/board.h"

namespace twoply {

// A step on the board, in columns and rows.
struct Offset {
  int8_t col;
  int8_t row;
};
// The targets of an Elephant and a Horse from their square, in the order their moves are listed.
inline constexpr Offset kElephantOffsets[] = {{2, 2}, {2, -2}, {-2, 2}, {-2, -2}};
inline constexpr Offset kHorseOffsets[] = {{2, 1}, {2, -1}, {-2, 1}, {-2, -1},
                                           {1, 2}, {1, -2}, {-1, 2}, {-1, -2}};

// 1 when the piece on `from` may move to `to` (never onto its own side's piece), else 0. Both
// squares must lie on the board. The side that moves is the side of the piece on `from`.
bool IsLegalMove(Square from, Square to, const BoardArray& board);

// The same law, except that a square holding one of the mover's own pieces counts as reached
// (the evaluation uses it to find protected pieces).
bool CanReach(Square from, Square to, const BoardArray& board);

// The law itself, for a mover the caller has already read from `from`. Inline, since it runs for
// every candidate square of every node of the search and every leaf's evaluation.
namespace rules_internal {

inline bool InComputerPalace(Square s) {
  return s.row <= 3 && s.col >= 4 && s.col <= 6;
}
inline bool InHumanPalace(Square s) {
  return s.row >= 8 && s.col >= 4 && s.col <= 6;
}

// Every square strictly between two squares of one row or one column is Empty.
inline bool LineIsClear(Square from, Square to, const BoardArray& board) {
  if (from.row == to.row) {
    int32_t low = from.col < to.col ? from.col : to.col;
    int32_t high = from.col < to.col ? to.col : from.col;
    for (int32_t col = low + 1; col <= high - 1; ++col)
      if (board(from.row, col) != Empty) return false;
    return true;
  }
  int32_t low = from.row < to.row ? from.row : to.row;
  int32_t high = from.row < to.row ? to.row : from.row;
  for (int32_t row = low + 1; row <= high - 1; ++row)
    if (board(row, from.col) != Empty) return false;
  return true;
}

// The number of occupied squares strictly between two squares of one row or one column.
inline int32_t PiecesBetween(Square from, Square to, const BoardArray& board) {
  int32_t count = 0;
  if (from.row == to.row) {
    int32_t low = from.col < to.col ? from.col : to.col;
    int32_t high = from.col < to.col ? to.col : from.col;
    for (int32_t col = low + 1; col <= high - 1; ++col)
      if (board(from.row, col) != Empty) ++count;
    return count;
  }
  int32_t low = from.row < to.row ? from.row : to.row;
  int32_t high = from.row < to.row ? to.row : from.row;
  for (int32_t row = low + 1; row <= high - 1; ++row)
    if (board(row, from.col) != Empty) ++count;
  return count;
}

inline bool SharesLine(Square from, Square to) {
  return from.row == to.row || from.col == to.col;
}

inline bool GeneralRule(Square from, Square to, uint8_t target, uint8_t enemyGeneral,
                        bool ownPalace, int32_t dx, int32_t dy, const BoardArray& board) {
  if (target == enemyGeneral) {
    if (to.col != from.col) return false;
    return LineIsClear(from, to, board);
  }
  if (!ownPalace) return false;
  return std::abs(dy) + std::abs(dx) == 1;
}

inline bool HorseRule(Square from, int32_t dx, int32_t dy, const BoardArray& board) {
  int32_t adx = std::abs(dx), ady = std::abs(dy);
  if (!((adx == 1 && ady == 2) || (adx == 2 && ady == 1))) return false;
  int32_t legRow = from.row, legCol = from.col;
  if (dx == 2) {
    legCol = from.col + 1;
  } else if (dx == -2) {
    legCol = from.col - 1;
  } else if (dy == 2) {
    legRow = from.row + 1;
  } else {
    legRow = from.row - 1;
  }
  return board(legRow, legCol) == Empty;
}

inline bool ElephantRule(Square from, Square to, int32_t dx, int32_t dy, const BoardArray& board) {
  if (std::abs(dy) != 2 || std::abs(dx) != 2) return false;
  return board((from.row + to.row) / 2, (from.col + to.col) / 2) == Empty;
}

inline bool TestMove(uint8_t mover, Square from, Square to, const BoardArray& board,
                     bool refuseOwnTarget) {
  // The target is read only where a rule looks at it; reading it has no effect of its own.
  if (from == to) return false;
  if (refuseOwnTarget) {
    uint8_t target = board(to.row, to.col);
    if (target != Empty && SameSide(mover, target)) return false;
  }
  int32_t dx = int32_t{to.col} - from.col;
  int32_t dy = int32_t{to.row} - from.row;
  switch (mover) {
    case 1:
      return GeneralRule(from, to, board(to.row, to.col), kHumanGeneral, InComputerPalace(to), dx,
                         dy, board);
    case 8:
      return GeneralRule(from, to, board(to.row, to.col), kComputerGeneral, InHumanPalace(to), dx,
                         dy, board);
    case 12:
      return InHumanPalace(to) && std::abs(dy) == 1 && std::abs(dx) == 1;
    case 5:
      return InComputerPalace(to) && std::abs(dy) == 1 && std::abs(dx) == 1;
    case 13:
      return to.row >= 6 && ElephantRule(from, to, dx, dy, board);
    case 6:
      return to.row <= 5 && ElephantRule(from, to, dx, dy, board);
    case 7:
      if (to.row < from.row) return false;
      if (from.row <= 5 && to.row == from.row) return false;
      return dy + std::abs(dx) == 1;
    case 14:
      if (to.row > from.row) return false;
      if (from.row >= 6 && to.row == from.row) return false;
      return -dy + std::abs(dx) == 1;
    case 9:
    case 2:
      return SharesLine(from, to) && LineIsClear(from, to, board);
    case 10:
    case 3:
      return HorseRule(from, dx, dy, board);
    case 11:
    case 4:
      if (!SharesLine(from, to)) return false;
      if (board(to.row, to.col) == Empty) return LineIsClear(from, to, board);
      return PiecesBetween(from, to, board) == 1;
    default:
      return false;
  }
}

}  // namespace rules_internal

// CanReach for the piece `mover` standing on `from`.
inline bool CanReachFrom(uint8_t mover, Square from, Square to, const BoardArray& board) {
  return rules_internal::TestMove(mover, from, to, board, false);
}
// IsLegalMove for the piece `mover` standing on `from`.
inline bool IsLegalMoveFrom(uint8_t mover, Square from, Square to, const BoardArray& board) {
  return rules_internal::TestMove(mover, from, to, board, true);
}

}  // namespace twoply
