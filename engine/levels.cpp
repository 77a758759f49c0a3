#include "engine/levels.h"

namespace engine {

Limits LevelLimits(int level) {
  Limits limits;
  level = level < 3 ? 3 : level > kMaxLevel ? kMaxLevel : level;
  // The spread of near-best moves the weaker levels choose among, in centipawns.
  constexpr int kVariety[kMaxLevel + 1] = {0, 0, 0, 90, 60, 35, 15, 0, 0};
  limits.variety_cp = kVariety[level];
  switch (level) {
    case 3: limits.depth = 2; limits.nodes = 5'000; break;
    case 4: limits.depth = 3; limits.nodes = 30'000; break;
    case 5: limits.depth = 5; limits.nodes = 150'000; break;
    case 6: limits.depth = 7; limits.nodes = 600'000; limits.movetime_ms = 400; break;
    case 7: limits.depth = 10; limits.movetime_ms = 800; break;
    default: limits.movetime_ms = 1300; break;
  }
  return limits;
}

}  // namespace engine
