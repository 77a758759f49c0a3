// All moves of one side on a board, in the fixed order the computer's tie-breaking relies on.
#pragma once

#include "game/twoply/board.h"

namespace twoply {

// Fills MoveLists[depth][1..n] with every move of `side` on `board` and returns n (= MoveCount).
// Squares are scanned row 1..10, column 1..9; each piece's moves follow its generator's order.
int16_t GenerateMoves(int16_t depth, Side side, const BoardArray& board);

// Appends one move to MoveLists[depth] and returns the new MoveCount.
int16_t AddMove(Square from, Square to, int16_t depth);

// The per-kind generators; each appends the moves of the piece on `at`.
void GenerateGeneralMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateHumanAdvisorMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateComputerAdvisorMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateElephantMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateHorseMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateChariotMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateHumanSoldierMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateComputerSoldierMoves(Square at, int16_t depth, const BoardArray& board);
void GenerateCannonMoves(Square at, int16_t depth, const BoardArray& board);

}  // namespace twoply
