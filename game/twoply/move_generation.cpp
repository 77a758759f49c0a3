#include "game/twoply/move_generation.h"

#include <cstdlib>

#include "game/twoply/rules.h"

namespace twoply {

namespace {

// The four rays of chariots and cannons: higher columns, lower columns, higher rows, lower rows.
constexpr Offset kRays[] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};

bool OnBoard(int32_t row, int32_t col) {
  return row >= 1 && row <= kRows && col >= 1 && col <= kCols;
}

Square At(int32_t row, int32_t col) {
  return Square{static_cast<uint8_t>(col), static_cast<uint8_t>(row)};
}

// Candidates of a palace block, rows firstRow..firstRow+2 and columns 4..6 in row order, each
// tested by the rules. A square out of the piece's shape is not put to them, since it would fail
// anyway: for a General everything but its own column and the squares beside it (and of its
// column, a square not next to it that does not hold the other General, which only the facing
// capture could reach), for an Advisor everything but the four diagonal neighbours.
void AddPalaceCandidates(Square at, uint8_t mover, int32_t firstRow, int16_t depth,
                         const BoardArray& board) {
  auto test = [&](int32_t row, int32_t col) {
    if (col < 4 || col > 6) return;
    Square to = At(row, col);
    if (IsLegalMoveFrom(mover, at, to, board)) AddMove(at, to, depth);
  };
  bool general = mover == kComputerGeneral || mover == kHumanGeneral;
  uint8_t otherGeneral = mover == kComputerGeneral ? kHumanGeneral : kComputerGeneral;
  for (int32_t row = firstRow; row <= firstRow + 2; ++row) {
    if (general) {
      if (row == at.row) {
        test(row, at.col - 1);
        test(row, at.col + 1);
      } else if (row == at.row - 1 || row == at.row + 1 ||
                 (at.col >= 4 && at.col <= 6 && board(row, at.col) == otherGeneral)) {
        test(row, at.col);
      }
    } else if (row == at.row - 1 || row == at.row + 1) {
      test(row, at.col - 1);
      test(row, at.col + 1);
    }
  }
}

template <size_t N>
void AddOffsetCandidates(Square at, const Offset (&offsets)[N], int16_t depth,
                         const BoardArray& board) {
  uint8_t mover = board(at.row, at.col);
  for (const Offset& o : offsets) {
    int32_t row = at.row + o.row, col = at.col + o.col;
    if (!OnBoard(row, col)) continue;
    Square to = At(row, col);
    if (IsLegalMoveFrom(mover, at, to, board)) AddMove(at, to, depth);
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
  uint8_t mover = board(at.row, at.col);
  AddPalaceCandidates(at, mover, 1, depth, board);
  AddPalaceCandidates(at, mover, 8, depth, board);
}

void GenerateHumanAdvisorMoves(Square at, int16_t depth, const BoardArray& board) {
  AddPalaceCandidates(at, board(at.row, at.col), 8, depth, board);
}

void GenerateComputerAdvisorMoves(Square at, int16_t depth, const BoardArray& board) {
  AddPalaceCandidates(at, board(at.row, at.col), 1, depth, board);
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

}  // namespace twoply
