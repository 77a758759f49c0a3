#include "game/twoply/two_ply_search.h"

#include <cmath>
#include <utility>

#include "game/twoply/move_generation.h"
#include "game/twoply/static_evaluation.h"

namespace twoply {

int16_t SearchDepth = 2;
Move BestMove{};
bool BestMoveSet = false;

namespace {

// The remainder of a non-negative ply distance by 2, as the game computes it in floating point.
int32_t Parity(int32_t plies) {
  double r = std::fmod(double(plies), 2.0);
  return std::fabs(r - 1.0) < 1e-7 ? 1 : 0;
}

}  // namespace

int32_t GameOverScore(int16_t depth, const BoardArray& board) {
  bool computerGeneral = false, humanGeneral = false;
  for (int32_t firstRow : {8, 1})
    for (int32_t row = firstRow; row <= firstRow + 2; ++row)
      for (int32_t col = 4; col <= 6; ++col) {
        uint8_t code = board(row, col);
        if (code == kComputerGeneral) computerGeneral = true;
        if (code == kHumanGeneral) humanGeneral = true;
      }
  bool computerToMove = Parity(SearchDepth - depth + 1) == 1;
  int32_t won = depth + kGameOverBase, lost = -kGameOverBase - depth;
  if (!humanGeneral) return computerToMove ? won : lost;
  if (!computerGeneral) return computerToMove ? lost : won;
  return 0;
}

int16_t MakeMove(const Move& move) {
  int16_t captured = SearchBoard(move.to.row, move.to.col);
  SearchBoard(move.to.row, move.to.col) = SearchBoard(move.from.row, move.from.col);
  SearchBoard(move.from.row, move.from.col) = Empty;
  return captured;
}

void UnmakeMove(const Move& move, int16_t captured) {
  SearchBoard(move.from.row, move.from.col) = SearchBoard(move.to.row, move.to.col);
  SearchBoard(move.to.row, move.to.col) = static_cast<uint8_t>(captured);
}

int32_t AlphaBeta(int32_t alpha, int32_t beta, int16_t depth) {
  Side side = Parity(SearchDepth - depth) == 1 ? Human : Computer;
  const BoardArray& board = SearchBoard;
  int32_t over = GameOverScore(depth, board);
  if (over != 0) return over;
  if (depth <= 0) return Evaluate(side, board);
  int16_t n = GenerateMoves(depth, side, board);
  for (int16_t i = 1; i <= n; ++i) {
    Move m = std::as_const(MoveLists)(depth, i);
    int16_t captured = MakeMove(m);
    int32_t score = -AlphaBeta(-beta, -alpha, static_cast<int16_t>(depth - 1));
    UnmakeMove(m, captured);
    if (score > alpha) {
      alpha = score;
      if (depth == SearchDepth) {
        BestMove = m;
        BestMoveSet = true;
      }
    }
    if (alpha >= beta) break;
  }
  return alpha;
}

uint64_t Perft(int16_t depth, Side side) {
  if (depth == 0) return 1;
  if (GameOverScore(depth, SearchBoard) != 0) return 0;
  int16_t n = GenerateMoves(depth, side, SearchBoard);
  Side other = side == Human ? Computer : Human;
  uint64_t total = 0;
  for (int16_t i = 1; i <= n; ++i) {
    Move m = std::as_const(MoveLists)(depth, i);
    int16_t captured = MakeMove(m);
    total += Perft(static_cast<int16_t>(depth - 1), other);
    UnmakeMove(m, captured);
  }
  return total;
}

bool ComputerGeneralInPalace(const BoardArray& board) {
  for (int32_t row = 1; row <= 3; ++row)
    for (int32_t col = 4; col <= 6; ++col)
      if (board(row, col) == kComputerGeneral) return true;
  return false;
}

ComputerChoice ChooseComputerMove() {
  ComputerChoice choice;
  if (!ComputerGeneralInPalace(Board)) return choice;
  choice.searched = true;
  SearchBoard = Board;
  BestMoveSet = false;
  choice.score = AlphaBeta(-kWindow, kWindow, SearchDepth);
  if (!BestMoveSet) return choice;
  choice.moved = true;
  choice.move = BestMove;
  MakeMove(BestMove);
  return choice;
}

void CommitComputerMove() {
  Board = SearchBoard;
}

ComputerChoice PlayComputerMove() {
  ComputerChoice choice = ChooseComputerMove();
  if (choice.moved) CommitComputerMove();
  return choice;
}

}  // namespace twoply
