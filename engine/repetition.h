// The rules of a repeated position, after the Asian (AXF) rules: a side that gives check with every
// one of its moves of the cycle while the other does not loses (perpetual check); failing that, a
// side that chases one and the same piece with every one of its moves while the other does not
// chase loses (perpetual chase, 长捉); anything else is a draw: mutual checks or chases, one check
// and one chase, one piece chasing two in turn, offers to exchange. The search, xiangqi-cli and
// the match tool all judge by these functions.
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
// chases. A piece is chased when one of the mover's pieces could take it next, legally, and
//  - it cannot be taken back at once by a legal move (protection is a real recapture), or it is a
//    chariot and the attacker a horse or a cannon, protected or not;
//  - it is not of the attacker's kind and able to take the attacker first (a chariot facing a
//    chariot, a cannon a cannon, a horse a horse that is free to take: an offer to exchange);
//  - that attack was not a chase before the move: the move made it, by the moved piece, by
//    opening a line or a cannon's screen, or by taking away the piece's protection.
// A General or a soldier does not chase; the General and the soldiers that have not crossed the
// river are never chased. A check may chase too.
uint32_t ChasedByLastMove(Position& pos);

}  // namespace engine
