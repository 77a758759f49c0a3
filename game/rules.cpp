#include "game/rules.h"

namespace game {

bool IsLegalMove(Square from, Square to, const BoardArray& board) {
  return IsLegalMoveFrom(board(from.row, from.col), from, to, board);
}

bool CanReach(Square from, Square to, const BoardArray& board) {
  return CanReachFrom(board(from.row, from.col), from, to, board);
}

}  // namespace game
