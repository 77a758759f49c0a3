#include "engine/levels.h"

namespace engine {

Limits LevelLimits(int level) {
  Limits limits;
  switch (level < 3 ? 3 : level > kMaxLevel ? kMaxLevel : level) {
    case 3: limits.depth = 2; limits.nodes = 5'000; limits.variety_cp = 90; break;
    case 4: limits.depth = 3; limits.nodes = 30'000; limits.variety_cp = 60; break;
    case 5: limits.depth = 5; limits.nodes = 150'000; limits.variety_cp = 35; break;
    case 6: limits.depth = 7; limits.nodes = 600'000; limits.movetime_ms = 400; limits.variety_cp = 15; break;
    case 7: limits.depth = 10; limits.movetime_ms = 800; break;
    default: limits.movetime_ms = 1300; break;
  }
  return limits;
}

}  // namespace engine
