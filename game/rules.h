// The movement law: whether the piece on one square may go to another square of a board.
#pragma once

#include "game/board.h"

namespace game {

// 1 when the piece on `from` may move to `to` (never onto its own side's piece), else 0. Both
// squares must lie on the board. The side that moves is the side of the piece on `from`.
bool IsLegalMove(Square from, Square to, const BoardArray& board);

// The same law, except that a square holding one of the mover's own pieces counts as reached
// (the evaluation uses it to find protected pieces).
bool CanReach(Square from, Square to, const BoardArray& board);

}  // namespace game
