#include "game/twoply/static_evaluation.h"

#include <cstdlib>
#include <utility>

#include "game/twoply/rules.h"

namespace twoply {

runtime::Array<int32_t> PieceValue{kLastPieceCode};
runtime::Array<int16_t> MobilityWeight{kLastPieceCode};
runtime::Array<int16_t> HumanSoldierBonus{kRows, kCols};
runtime::Array<int16_t> ComputerSoldierBonus{kRows, kCols};
runtime::Array<Square> RelatedSquares{kRelatedCapacity};
int32_t RelatedCount = 0;
uint64_t EvaluateCalls = 0;

namespace {

// The exchange term ((value of the target - value of the attacker) / 10 + 30) / 10 of every
// target and attacker, element (target - 1) * 14 + attacker: the very same expression, evaluated
// whenever PieceValue is filled (and once for the all-zero table before), so that the evaluation
// does no division per attack. One dimension, which keeps the doubles 8-byte aligned behind the
// block's header.
int32_t ExchangeIndex(int32_t target, int32_t attacker) {
  return (target - 1) * kLastPieceCode + attacker;
}
runtime::Array<double> ExchangeTerms() {
  runtime::Array<double> terms{kLastPieceCode * kLastPieceCode};
  for (int32_t target = 1; target <= kLastPieceCode; ++target)
    for (int32_t attacker = 1; attacker <= kLastPieceCode; ++attacker)
      terms[ExchangeIndex(target, attacker)] =
          (double(PieceValue[target] - PieceValue[attacker]) / 10 + 30) / 10;
  return terms;
}
runtime::Array<double> ExchangeTerm = ExchangeTerms();

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
struct PlacedPiece {
  Square at;
  uint8_t code;
};

struct SquareWork {
  int32_t mobility;  // related squares that are empty or hold an enemy piece
  int32_t guard;     // own pieces relating to the square
  int32_t attack;    // enemy pieces relating to it, each with its exchange term
};

constexpr int32_t kValuesByKind[7] = {10000, 1400, 700, 700, 250, 250, 100};
constexpr int16_t kWeightsByKind[7] = {0, 6, 12, 6, 1, 1, 15};

bool OnBoard(int32_t row, int32_t col) {
  return row >= 1 && row <= kRows && col >= 1 && col <= kCols;
}

Square SquareAt(int32_t row, int32_t col) {
  return Square{static_cast<uint8_t>(col), static_cast<uint8_t>(row)};
}

// The related squares of a piece are walked by one routine for both users: ListRelatedSquares
// stores them in RelatedSquares, Evaluate takes each one as it comes, in the same order, without
// the round trip through the list. A visitor gets the square and the code on it and returns
// false to stop the walk.

// Palace squares of the block of rows firstRow..firstRow+2, in row order, that the piece could
// reach by its shape: for a General its own column and the squares beside it, for an Advisor the
// four diagonal neighbours. The other squares of the block would fail the rules anyway, so they
// are not put to them; nor is a square of the General's column that is not next to it and does
// not hold the other General, which only the facing capture could reach.
template <typename Visit>
bool VisitPalace(Square at, int32_t firstRow, uint8_t mover, const BoardArray& board,
                 Visit& visit) {
  auto test = [&](int32_t row, int32_t col) {
    if (col < 4 || col > 6) return true;
    Square to = SquareAt(row, col);
    return !CanReachFrom(mover, at, to, board) || visit(to, board(row, col));
  };
  bool general = mover == kComputerGeneral || mover == kHumanGeneral;
  uint8_t otherGeneral = mover == kComputerGeneral ? kHumanGeneral : kComputerGeneral;
  for (int32_t row = firstRow; row <= firstRow + 2; ++row) {
    if (general) {
      if (row == at.row) {
        if (!test(row, at.col - 1) || !test(row, at.col + 1)) return false;
      } else if (row == at.row - 1 || row == at.row + 1 ||
                 (at.col >= 4 && at.col <= 6 && board(row, at.col) == otherGeneral)) {
        if (!test(row, at.col)) return false;
      }
    } else if (row == at.row - 1 || row == at.row + 1) {
      if (!test(row, at.col - 1) || !test(row, at.col + 1)) return false;
    }
  }
  return true;
}

template <size_t N, typename Visit>
bool VisitOffsets(Square at, uint8_t mover, const Offset (&offsets)[N], const BoardArray& board,
                  Visit& visit) {
  for (const Offset& o : offsets) {
    int32_t row = at.row + o.row, col = at.col + o.col;
    if (!OnBoard(row, col)) continue;
    Square to = SquareAt(row, col);
    if (CanReachFrom(mover, at, to, board) && !visit(to, board(row, col))) return false;
  }
  return true;
}

// One ray of a chariot or a cannon from `at`, stepping by (dRow, dCol): the empty squares up to
// the first piece; then for a chariot that piece, for a cannon (which jumps it as a screen) the
// next piece beyond it.
template <int dRow, int dCol, typename Visit>
bool VisitRay(Square at, bool cannon, const BoardArray& board, Visit& visit) {
  auto inside = [](int32_t row, int32_t col) {
    if constexpr (dRow > 0) return row <= kRows;
    if constexpr (dRow < 0) return row >= 1;
    if constexpr (dCol > 0) return col <= kCols;
    return col >= 1;
  };
  int32_t row = at.row + dRow, col = at.col + dCol;
  for (; inside(row, col); row += dRow, col += dCol) {
    uint8_t code = board(row, col);
    if (code != Empty) break;
    if (!visit(SquareAt(row, col), code)) return false;
  }
  if (!inside(row, col)) return true;
  if (cannon) {
    for (row += dRow, col += dCol; inside(row, col); row += dRow, col += dCol) {
      uint8_t code = board(row, col);
      if (code != Empty) return visit(SquareAt(row, col), code);
    }
    return true;
  }
  return visit(SquareAt(row, col), board(row, col));
}

// The four rays in their order: toward higher columns, lower columns, higher rows, lower rows.
template <typename Visit>
bool VisitRays(Square at, bool cannon, const BoardArray& board, Visit& visit) {
  return VisitRay<0, 1>(at, cannon, board, visit) && VisitRay<0, -1>(at, cannon, board, visit) &&
         VisitRay<1, 0>(at, cannon, board, visit) && VisitRay<-1, 0>(at, cannon, board, visit);
}

template <typename Visit>
bool VisitSoldier(Square at, int32_t forward, bool sideways, const BoardArray& board,
                  Visit& visit) {
  int32_t row = at.row + forward;
  if (row >= 1 && row <= kRows && !visit(SquareAt(row, at.col), board(row, at.col))) return false;
  if (!sideways) return true;
  if (at.col + 1 <= kCols && !visit(SquareAt(at.row, at.col + 1), board(at.row, at.col + 1)))
    return false;
  if (at.col - 1 >= 1 && !visit(SquareAt(at.row, at.col - 1), board(at.row, at.col - 1)))
    return false;
  return true;
}

// Walks the related squares of the piece `code` standing on (row, col), in the listing order;
// false when the visitor stopped the walk.
template <typename Visit>
bool VisitRelatedSquares(int32_t row, int32_t col, uint8_t code, const BoardArray& board,
                         Visit& visit) {
  Square at = SquareAt(row, col);
  switch (code) {
    case 1:
    case 8:
      return VisitPalace(at, 1, code, board, visit) && VisitPalace(at, 8, code, board, visit);
    case 12:
      return VisitPalace(at, 8, code, board, visit);
    case 5:
      return VisitPalace(at, 1, code, board, visit);
    case 6:
    case 13:
      return VisitOffsets(at, code, kElephantOffsets, board, visit);
    case 3:
    case 10:
      return VisitOffsets(at, code, kHorseOffsets, board, visit);
    case 2:
    case 9:
      return VisitRays(at, false, board, visit);
    case 4:
    case 11:
      return VisitRays(at, true, board, visit);
    case 14:
      return VisitSoldier(at, -1, row <= 5, board, visit);
    case 7:
      return VisitSoldier(at, +1, row >= 6, board, visit);
    default:
      return true;
  }
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
  ExchangeTerm = ExchangeTerms();
}

void AddRelatedSquare(Square square) {
  RelatedSquares[RelatedCount + 1] = square;
  ++RelatedCount;
}

void ListRelatedSquares(int32_t row, int32_t col, const BoardArray& board) {
  RelatedCount = 0;
  auto add = [](Square square, uint8_t) {
    AddRelatedSquare(square);
    return true;
  };
  VisitRelatedSquares(row, col, board(row, col), board, add);
}

int32_t Evaluate(Side side, const BoardArray& board) {
  ++EvaluateCalls;
  // The work tables of one call (mobility, guards and attack of each square), kept side by side
  // in one table of records so that a square's three counts are one access. The table is kept
  // between calls and cleared, which gives the same numbers as fresh tables.
  static runtime::Array<SquareWork> work{kRows, kCols};
  work.Clear();
  // The pieces and their squares, in board order, so the second pass need not scan the board.
  static runtime::Array<PlacedPiece> occupied{kRows * kCols};
  int32_t pieces = 0;

  // Relations, in board order: the order decides how each attacker's exchange term is cut.
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      uint8_t p = board(row, col);
      if (p == Empty) continue;
      occupied[++pieces] = PlacedPiece{SquareAt(row, col), p};
      int32_t mobility = 0;
      bool canTakeGeneral = false;
      Side mover = SideOf(p);
      auto relate = [&](Square t, uint8_t q) __attribute__((always_inline)) {
        if (q == Empty) {
          ++mobility;
          return true;
        }
        if (SideOf(q) == mover) {
          work(t.row, t.col).guard += 1;
          return true;
        }
        ++mobility;
        int32_t& attack = work(t.row, t.col).attack;
        attack += 1;
        if (q == kComputerGeneral || q == kHumanGeneral) {
          canTakeGeneral = SideOf(q) != side;
          return !canTakeGeneral;
        }
        double term = std::as_const(ExchangeTerm)[ExchangeIndex(q, p)];
        attack = runtime::TruncateToInteger(attack + term);
        return true;
      };
      VisitRelatedSquares(row, col, p, board, relate);
      if (canTakeGeneral) return kCanTakeGeneralScore;
      if (mobility != 0) work(row, col).mobility = mobility;
    }

  // Each piece's value: its base (soldiers by position, the others by mobility), its material,
  // then the threats to it.
  int32_t totals[2] = {0, 0};
  for (int32_t i = 1; i <= pieces; ++i) {
    PlacedPiece placed = std::as_const(occupied)[i];
    int32_t row = placed.at.row, col = placed.at.col;
    uint8_t p = placed.code;
    const SquareWork& counts = std::as_const(work)(row, col);
    int32_t material = PieceValue[p];
    int32_t value;
    if (p == 7) {
      value = material + ComputerSoldierBonus(row, col);
    } else if (p == 14) {
      value = material + HumanSoldierBonus(row, col);
    } else {
      value = 1 + MobilityWeight[p] * counts.mobility;
    }
    value += material;
    Side owner = SideOf(p);
    int32_t h = material / 16;
    int32_t attack = counts.attack;
    int32_t guards = counts.guard;
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

}  // namespace twoply
