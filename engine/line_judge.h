// The rules a tournament judges a game by after each move, under the Asian rules: the third time a
// position stands (the same side to move, no capture between) ends the game — the side that gave
// check with every one of its moves since the first time loses (长将), failing that the side that
// chased (长捉), else it is a draw (不变作和) — and 60 rounds (120 plies) without a capture are a
// draw (自然限着). The repetition rules themselves are engine/repetition.h's: the window, the
// search and xiangqi-cli judge alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/position.h"

namespace engine {

inline constexpr int kRepetitionsToEnd = 3;
inline constexpr int kPliesWithoutCapture = 120;

struct LineVerdict {
  enum class Ending : uint8_t {
    kNone,
    kPerpetualCheck,  // `loser` checked with every move
    kPerpetualChase,  // `loser` chased with every move
    kRepetitionDraw,  // the position stood a third time, neither side to blame
    kMoveLimitDraw,   // 120 plies without a capture
  };
  Ending ending = Ending::kNone;
  Color loser = kRed;  // with a perpetual check or chase
  // With a chase: one of the loser's pieces and a piece it chased, where they stood as the
  // loser's last move chased it (-1: not found).
  Square chaser = -1, chased = -1;
  Kind chaserKind = kNoKind, chasedKind = kNoKind;
  friend bool operator==(const LineVerdict&, const LineVerdict&) = default;
};

// The verdict on the line `pos` has played, after its last move. Leaves `pos` as it was (its check
// flags worked out).
LineVerdict JudgeLine(Position& pos);

// "perpetual check by red", "chase by black: cannon b7 chases chariot h2", "draw: repetition",
// "draw: 60 rounds", "none".
std::string DescribeVerdict(const LineVerdict& verdict);

}  // namespace engine
