// The rules of a repeated position, as the Asian rules have them in their simplest form: a side
// that gives check with every one of its moves of the cycle while the other does not loses
// (perpetual check); failing that, a side that chases the same unprotected piece with every one
// of its moves while the other does not chase loses (perpetual chase, 长捉); anything else, mutual
// checks or chases included, is a draw. The search, xiangqi-cli and the match tool all judge by
// these functions.
#pragma once

#include <cstdint>

#include "engine/position.h"

namespace engine {

enum class RepetitionRule : uint8_t { kDraw, kPerpetualCheck, kPerpetualChase };

struct RepetitionVerdict {
  int result = 0;  // for the side to move: +1 it wins, -1 it loses, 0 a draw
  RepetitionRule rule = RepetitionRule::kDraw;
};

// Plies since the current position last stood with the same side to move, looking back no
// further than the last capture; 0 when it has not stood before.
int RepetitionDistance(const Position& pos);

// The verdict on the cycle of the last `plies` plies (a RepetitionDistance). Uses the check flags
// of the line (Position::MarkChecks or InCheckCached along the way), replays the cycle to find
// chases and leaves `pos` as it was, its check flags included.
RepetitionVerdict JudgeRepetition(Position& pos, int plies);

// The pieces of the side to move, as bits of their slots (Position::Slots), that the last move
// chases: attacks that it created (by the moved piece or by opening a line) on a piece that is
// not protected, or on a chariot by a horse or cannon, protected or not. The General and the
// soldiers that have not crossed the river are never chased; a General or soldier does not chase.
uint32_t ChasedByLastMove(Position& pos);

}  // namespace engine
