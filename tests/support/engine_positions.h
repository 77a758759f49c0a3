// Positions for the engine's tests: boards from FEN text and random boards from a fixed seed.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "game/twoply/board.h"

namespace testing_support {

// The board of a FEN; the test fails (and an empty board comes back) when the FEN is refused.
twoply::BoardArray Fen(const std::string& fen);

// A random board: both Generals somewhere in their palaces, then `pieces` other pieces of random
// kinds and sides on random empty squares (anywhere: the rules do not care how a piece got there).
twoply::BoardArray RandomBoard(std::mt19937& random, int pieces);

// The moves of MoveLists row `depth`, entries 1..count, as ICCS text.
std::vector<std::string> ListedMoves(int16_t depth, int16_t count);

inline constexpr const char* kStartFen =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR";

}  // namespace testing_support
