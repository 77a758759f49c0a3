// The computer's levels served by the full-rules engine.
#pragma once

#include "engine/search.h"

namespace engine {

inline constexpr int kMinLevel = 1, kMaxLevel = 8;

// Levels 1 and 2 are the game's own two-ply search, at depths 1 and 2; every other level is the
// full-rules engine's. The one place that says which plays a level.
inline constexpr bool PlayedByTwoPlySearch(int level) {
  return level <= 2;
}
inline constexpr int TwoPlyDepth(int level) {
  return level <= 1 ? 1 : 2;
}
// Levels 3..8: the limits of the full-rules engine at that level (levels 1 and 2 are the game's
// own two-ply search at depths 1 and 2 and are not served by this library). Lower levels are
// capped by depth and nodes, and levels 3 to 6 choose among near-best moves with a spread that
// grows as the level falls, seeded from the clock; the top levels add a time limit so that
// level 8 answers within 1.5 s, and play the same move for the same search.
Limits LevelLimits(int level);

}  // namespace engine
