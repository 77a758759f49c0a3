#include "game/move_generation.h"

#include <cstdlib>

#include "game/rules.h"

namespace game {

namespace {

struct Offset {
  int8_t col;
  int8_t row;
};
constexpr Offset kElephantOffsets[] = {{2, 2}, {2, -2}, {-2, 2}, {-2, -2}};
constexpr Offset kHorseOffsets[] = {{2, 1},  {2, -1}, {-2, 1}, {-2, -1},
                                    {1, 2},  {1, -2}, {-1, 2}, {-1, -2}};
// The four rays of chariots and cannons: higher columns, lower columns, higher rows, lower rows.
constexpr Offset kRays[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

bool OnBoard(int32_t row, int32_t col) {
  return row >= 1 && row <= kRows && col >= 1 && col <= kCols;
}

Square At(int32_t row, int32_t col) {
  return Square{static_cast<uint8_t>(col), static_cast<uint8_t>(row)};
}

// Candidates of a palace block: rows first..first+2, columns 4..6, each tested by the rules. A
// square out of the piece's shape (a step or the facing column for a General, a diagonal step
// for an Advisor) would fail the rules, so it is not put to them.
void AddPalaceCandidates(Square at, int32_t firstRow, bool general, int16_t depth,
                         const BoardArray& board) {
  for (int32_t row = firstRow; row <= firstRow + 2; ++row)
    for (int32_t col = 4; col <= 6; ++col) {
      int32_t dx = std::abs(col - at.col), dy = std::abs(row - at.row);
      bool shape = general ? (dx == 0 || dx + dy == 1) : (dx == 1 && dy == 1);
      if (!shape) continue;
      Square to = At(row, col);
      if (IsLegalMove(at, to, board)) AddMove(at, to, depth);
    }
}

template <size_t N>
void AddOffsetCandidates(Square at, const Offset (&offsets)[N], int16_t depth,
                         const BoardArray& board) {
  for (const Offset& o : offsets) {
    int32_t row = at.row + o.row, col = at.col + o.col;
    if (!OnBoard(row, col)) continue;
    Square to = At(row, col);
    if (IsLegalMove(at, to, board)) AddMove(at, to, depth);
  }
}

// A soldier's step: added when the square is empty or holds a piece of the other side.
void AddSoldierStep(Square at, int32_t row, int32_t col, Side side, int16_t depth,
                    const BoardArray& board) {
  uint8_t target = board(row, col);
  if (target == Empty || SideOf(target) != side) AddMove(at, At(row, col), depth);
}

}  // namespace

int16_t AddMove(Square from, Square to, int16_t depth) {
  MoveLists(depth, MoveCount + 1) = Move{from, to};
  return ++MoveCount;
}

void GenerateGeneralMoves(Square at, int16_t depth, const BoardArray& board) {
  AddPalaceCandidates(at, 1, true, depth, board);
  AddPalaceCandidates(at, 8, true, depth, board);
}

void GenerateHumanAdvisorMoves(Square at, int16_t depth, const BoardArray& board) {
  AddPalaceCandidates(at, 8, false, depth, board);
}

void GenerateComputerAdvisorMoves(Square at, int16_t depth, const BoardArray& board) {
  AddPalaceCandidates(at, 1, false, depth, board);
}

void GenerateElephantMoves(Square at, int16_t depth, const BoardArray& board) {
  AddOffsetCandidates(at, kElephantOffsets, depth, board);
}

void GenerateHorseMoves(Square at, int16_t depth, const BoardArray& board) {
  AddOffsetCandidates(at, kHorseOffsets, depth, board);
}

void GenerateChariotMoves(Square at, int16_t depth, const BoardArray& board) {
  uint8_t mover = board(at.row, at.col);
  for (const Offset& ray : kRays) {
    int32_t row = at.row + ray.row, col = at.col + ray.col;
    for (; OnBoard(row, col); row += ray.row, col += ray.col) {
      uint8_t target = board(row, col);
      if (target == Empty) {
        AddMove(at, At(row, col), depth);
        continue;
      }
      if (!SameSide(target, mover)) AddMove(at, At(row, col), depth);
      break;
    }
  }
}

void GenerateCannonMoves(Square at, int16_t depth, const BoardArray& board) {
  uint8_t mover = board(at.row, at.col);
  for (const Offset& ray : kRays) {
    bool screened = false;
    int32_t row = at.row + ray.row, col = at.col + ray.col;
    for (; OnBoard(row, col); row += ray.row, col += ray.col) {
      uint8_t target = board(row, col);
      if (!screened) {
        if (target == Empty) {
          AddMove(at, At(row, col), depth);
        } else {
          screened = true;
        }
        continue;
      }
      if (target == Empty) continue;
      if (!SameSide(target, mover)) AddMove(at, At(row, col), depth);
      break;
    }
  }
}

void GenerateHumanSoldierMoves(Square at, int16_t depth, const BoardArray& board) {
  if (at.row - 1 >= 1) AddSoldierStep(at, at.row - 1, at.col, Human, depth, board);
  if (at.row <= 5) {
    if (at.col + 1 <= kCols) AddSoldierStep(at, at.row, at.col + 1, Human, depth, board);
    if (at.col - 1 >= 1) AddSoldierStep(at, at.row, at.col - 1, Human, depth, board);
  }
}

void GenerateComputerSoldierMoves(Square at, int16_t depth, const BoardArray& board) {
  if (at.row + 1 <= kRows) AddSoldierStep(at, at.row + 1, at.col, Computer, depth, board);
  if (at.row >= 6) {
    if (at.col + 1 <= kCols) AddSoldierStep(at, at.row, at.col + 1, Computer, depth, board);
    if (at.col - 1 >= 1) AddSoldierStep(at, at.row, at.col - 1, Computer, depth, board);
  }
}

int16_t GenerateMoves(int16_t depth, Side side, const BoardArray& board) {
  MoveCount = 0;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      uint8_t code = board(row, col);
      if (code == Empty || SideOf(code) != side) continue;
      Square at = At(row, col);
      switch (code) {
        case 1:
        case 8:
          GenerateGeneralMoves(at, depth, board);
          break;
        case 12:
          GenerateHumanAdvisorMoves(at, depth, board);
          break;
        case 5:
          GenerateComputerAdvisorMoves(at, depth, board);
          break;
        case 13:
        case 6:
          GenerateElephantMoves(at, depth, board);
          break;
        case 10:
        case 3:
          GenerateHorseMoves(at, depth, board);
          break;
        case 9:
        case 2:
          GenerateChariotMoves(at, depth, board);
          break;
        case 14:
          GenerateHumanSoldierMoves(at, depth, board);
          break;
        case 7:
          GenerateComputerSoldierMoves(at, depth, board);
          break;
        case 4:
        case 11:
          GenerateCannonMoves(at, depth, board);
          break;
        default:
          break;  // codes above 14 stand on the board but never move
      }
    }
  return MoveCount;
}

}  // namespace game
