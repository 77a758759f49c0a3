#include "game/evaluation.h"

#include <cstdlib>
#include <utility>

#include "game/rules.h"

namespace game {

runtime::Array<int32_t> PieceValue{kLastPieceCode};
runtime::Array<int16_t> MobilityWeight{kLastPieceCode};
runtime::Array<int16_t> HumanSoldierBonus{kRows, kCols};
runtime::Array<int16_t> ComputerSoldierBonus{kRows, kCols};
runtime::Array<Square> RelatedSquares{kRelatedCapacity};
int32_t RelatedCount = 0;
uint64_t EvaluateCalls = 0;

namespace {

// The human soldier's bonus as the program stores it, 9 bytes a row, rows 1..10; the computer's
// table is the same turned over.
constexpr uint8_t kHumanSoldierBytes[kRows * kCols] = {
    0,   0,   0,   0,   0,   0,   0,   0,   0,    //
    120, 120, 140, 150, 150, 150, 140, 120, 120,  //
    120, 120, 140, 150, 150, 150, 140, 120, 120,  //
    100, 120, 140, 140, 140, 140, 140, 120, 100,  //
    100, 100, 100, 100, 100, 100, 100, 100, 100,  //
    0,   0,   0,   0,   0,   0,   0,   0,   0,    //
    0,   0,   0,   0,   0,   0,   0,   0,   0,    //
    0,   0,   0,   0,   0,   0,   0,   0,   0,    //
    0,   0,   0,   0,   0,   0,   0,   0,   0,    //
    0,   0,   0,   0,   0,   0,   0,   0,   0,    //
};
constexpr int32_t kValuesByKind[7] = {10000, 1400, 700, 700, 250, 250, 100};
constexpr int16_t kWeightsByKind[7] = {0, 6, 12, 6, 1, 1, 15};

bool OnBoard(int32_t row, int32_t col) {
  return row >= 1 && row <= kRows && col >= 1 && col <= kCols;
}

Square SquareAt(int32_t row, int32_t col) {
  return Square{static_cast<uint8_t>(col), static_cast<uint8_t>(row)};
}

// Palace squares in row order. Only a square the piece could reach by its shape is put to the
// rules (a step or the facing column for a General, a diagonal step for an Advisor); the others
// would fail them anyway.
void AddPalaceRelations(Square at, int32_t firstRow, bool general, const BoardArray& board) {
  for (int32_t row = firstRow; row <= firstRow + 2; ++row)
    for (int32_t col = 4; col <= 6; ++col) {
      int32_t dx = std::abs(col - at.col), dy = std::abs(row - at.row);
      bool shape = general ? (dx == 0 || dx + dy == 1) : (dx == 1 && dy == 1);
      if (!shape) continue;
      Square to = SquareAt(row, col);
      if (CanReach(at, to, board)) AddRelatedSquare(to);
    }
}

struct Offset {
  int8_t col;
  int8_t row;
};
constexpr Offset kElephantOffsets[] = {{2, 2}, {2, -2}, {-2, 2}, {-2, -2}};
constexpr Offset kHorseOffsets[] = {{2, 1},  {2, -1}, {-2, 1}, {-2, -1},
                                    {1, 2},  {1, -2}, {-1, 2}, {-1, -2}};
constexpr Offset kRays[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

template <size_t N>
void AddOffsetRelations(Square at, const Offset (&offsets)[N], const BoardArray& board) {
  for (const Offset& o : offsets) {
    int32_t row = at.row + o.row, col = at.col + o.col;
    if (!OnBoard(row, col)) continue;
    Square to = SquareAt(row, col);
    if (CanReach(at, to, board)) AddRelatedSquare(to);
  }
}

// Rays of a chariot (screens = 0) or a cannon (screens = 1): the empty squares before the first
// piece, then the next piece after `screens` pieces have been passed.
void AddRayRelations(Square at, int32_t screens, const BoardArray& board) {
  for (const Offset& ray : kRays) {
    int32_t passed = 0;
    for (int32_t row = at.row + ray.row, col = at.col + ray.col; OnBoard(row, col);
         row += ray.row, col += ray.col) {
      bool occupied = board(row, col) != Empty;
      if (passed == screens) {
        if (occupied || screens == 0) AddRelatedSquare(SquareAt(row, col));
        if (occupied) break;
        continue;
      }
      if (occupied) {
        ++passed;
      } else {
        AddRelatedSquare(SquareAt(row, col));
      }
    }
  }
}

void AddSoldierRelations(Square at, int32_t forward, bool sideways) {
  int32_t row = at.row + forward;
  if (row >= 1 && row <= kRows) AddRelatedSquare(SquareAt(row, at.col));
  if (!sideways) return;
  if (at.col + 1 <= kCols) AddRelatedSquare(SquareAt(at.row, at.col + 1));
  if (at.col - 1 >= 1) AddRelatedSquare(SquareAt(at.row, at.col - 1));
}

}  // namespace

void LoadEvaluationTables() {
  HumanSoldierBonus = runtime::Array<int16_t>{kRows, kCols};
  ComputerSoldierBonus = runtime::Array<int16_t>{kRows, kCols};
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      HumanSoldierBonus(row, col) = kHumanSoldierBytes[(row - 1) * 9 + col - 1];
      ComputerSoldierBonus(row, col) = kHumanSoldierBytes[(kRows - row) * 9 + col - 1];
    }
  PieceValue = runtime::Array<int32_t>{kLastPieceCode};
  MobilityWeight = runtime::Array<int16_t>{kLastPieceCode};
  for (int32_t code = 1; code <= kLastPieceCode; ++code) {
    PieceValue[code] = kValuesByKind[(code - 1) % 7];
    MobilityWeight[code] = kWeightsByKind[(code - 1) % 7];
  }
}

void AddRelatedSquare(Square square) {
  RelatedSquares[RelatedCount + 1] = square;
  ++RelatedCount;
}

void ListRelatedSquares(int32_t row, int32_t col, const BoardArray& board) {
  RelatedCount = 0;
  Square at = SquareAt(row, col);
  switch (board(row, col)) {
    case 1:
    case 8:
      AddPalaceRelations(at, 1, true, board);
      AddPalaceRelations(at, 8, true, board);
      break;
    case 12:
      AddPalaceRelations(at, 8, false, board);
      break;
    case 5:
      AddPalaceRelations(at, 1, false, board);
      break;
    case 6:
    case 13:
      AddOffsetRelations(at, kElephantOffsets, board);
      break;
    case 3:
    case 10:
      AddOffsetRelations(at, kHorseOffsets, board);
      break;
    case 2:
    case 9:
      AddRayRelations(at, 0, board);
      break;
    case 4:
    case 11:
      AddRayRelations(at, 1, board);
      break;
    case 14:
      AddSoldierRelations(at, -1, row <= 5);
      break;
    case 7:
      AddSoldierRelations(at, +1, row >= 6);
      break;
    default:
      break;
  }
}

int32_t Evaluate(Side side, const BoardArray& board) {
  ++EvaluateCalls;
  // The work tables of one call. They are kept between calls and cleared, which gives the same
  // numbers as fresh tables without four allocations per leaf of the search.
  static runtime::Array<int32_t> mobilityCount{kRows, kCols};
  static runtime::Array<int32_t> guardCount{kRows, kCols};
  static runtime::Array<int32_t> attackScore{kRows, kCols};
  mobilityCount.Clear();
  guardCount.Clear();
  attackScore.Clear();
  const runtime::Array<Square>& related = RelatedSquares;

  // Relations, in board order: the order decides how each attacker's exchange term is cut.
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      uint8_t p = board(row, col);
      if (p == Empty) continue;
      ListRelatedSquares(row, col, board);
      int32_t mobility = 0;
      for (int32_t i = 1; i <= RelatedCount; ++i) {
        Square t = related[i];
        uint8_t q = board(t.row, t.col);
        if (q == Empty) {
          ++mobility;
          continue;
        }
        if (SameSide(p, q)) {
          guardCount(t.row, t.col) += 1;
          continue;
        }
        ++mobility;
        int32_t& attack = attackScore(t.row, t.col);
        attack += 1;
        if (q == kComputerGeneral || q == kHumanGeneral) {
          if (SideOf(q) != side) return kCanTakeGeneralScore;
          continue;
        }
        double term = (double(PieceValue[q] - PieceValue[p]) / 10 + 30) / 10;
        attack = runtime::TruncateToInteger(attack + term);
      }
      if (mobility != 0) mobilityCount(row, col) = mobility;
    }

  // Each piece's value: its base (soldiers by position, the others by mobility), its material,
  // then the threats to it.
  int32_t totals[2] = {0, 0};
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      uint8_t p = board(row, col);
      if (p == Empty) continue;
      int32_t material = PieceValue[p];
      int32_t value;
      if (p == 7) {
        value = material + ComputerSoldierBonus(row, col);
      } else if (p == 14) {
        value = material + HumanSoldierBonus(row, col);
      } else {
        value = 1 + MobilityWeight[p] * std::as_const(mobilityCount)(row, col);
      }
      value += material;
      Side owner = SideOf(p);
      int32_t h = material / 16;
      int32_t attack = std::as_const(attackScore)(row, col);
      int32_t guards = std::as_const(guardCount)(row, col);
      if (attack != 0) {
        if (owner == side) {
          if (p == kComputerGeneral || p == kHumanGeneral) {
            value -= 20;
          } else {
            value -= 2 * h;
            if (guards != 0) value += h;
          }
        } else {
          value -= 10 * h;
          if (guards != 0) value += 9 * h;
        }
        value -= attack;
      } else if (guards != 0) {
        value += 5;
      }
      totals[owner] += value;
    }
  return side == Computer ? totals[0] - totals[1] : totals[1] - totals[0];
}

}  // namespace game
