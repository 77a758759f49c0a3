#include "game/twoply/rules.h"

namespace twoply {

bool IsLegalMove(Square from, Square to, const BoardArray& board) {
  return IsLegalMoveFrom(board(from.row, from.col), from, to, board);
}

bool CanReach(Square from, Square to, const BoardArray& board) {
  return CanReachFrom(board(from.row, from.col), from, to, board);
}

}  // namespace twoply
