// The static evaluation: material, mobility, soldier positions, attacks and protection.
#pragma once

#include <cstdint>

#include "game/twoply/board.h"

namespace twoply {

// Constant tables, all zero until LoadEvaluationTables runs. Indexed by piece code 1..14, or by
// [row][column] for the soldier bonuses.
extern runtime::Array<int32_t> PieceValue;
extern runtime::Array<int16_t> MobilityWeight;
extern runtime::Array<int16_t> HumanSoldierBonus;
extern runtime::Array<int16_t> ComputerSoldierBonus;

// Fills the four tables (soldier bonuses first), replacing whatever they held.
void LoadEvaluationTables();

// The squares a piece relates to (moves, captures and protected pieces), refilled by every
// ListRelatedSquares. No piece relates to more than 17 squares.
inline constexpr int32_t kRelatedCapacity = 20;
extern runtime::Array<Square> RelatedSquares;
extern int32_t RelatedCount;

void ListRelatedSquares(int32_t row, int32_t col, const BoardArray& board);
void AddRelatedSquare(Square square);

// The score of `board` for `side` to move (higher is better for it); 18888 when `side` can take
// the other General. Both Generals must be on the board.
inline constexpr int32_t kCanTakeGeneralScore = 18888;
int32_t Evaluate(Side side, const BoardArray& board);

// How many times Evaluate has run since the program started (a signature of a search's size).
extern uint64_t EvaluateCalls;

}  // namespace twoply
