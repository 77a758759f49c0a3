// A long line of legal moves for the tests and benchmarks that need a whole game: each move is
// picked among the legal ones by a fixed rule, so the same seed gives the same line every time.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/position.h"
#include "game/play/engine_bridge.h"

namespace testing_support {

// Up to `plies` moves from the starting position (fewer if the line reaches a mate).
inline std::vector<twoply::Move> PickedLine(int plies, uint32_t seed) {
  engine::Position position;
  std::vector<twoply::Move> moves;
  for (int ply = 0; ply < plies; ++ply) {
    const std::vector<engine::Move> legal = position.LegalMoves();
    if (legal.empty()) break;
    seed = seed * 1103515245 + 12345;
    const engine::Move move = legal[(seed >> 16) % legal.size()];
    position.MakeMove(move);
    moves.push_back(game::FromEngineMove(move));
  }
  return moves;
}

}  // namespace testing_support
