// One line of an engine's analysis, the same whichever engine found it (the program's own or an
// outside one): depth, score from red's side, speed and the moves.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "engine/position.h"

namespace analysis {

// Scores are from red's side.
struct AnalysisLine {
  int multipv = 1;
  int depth = 0, seldepth = 0;
  std::optional<int> score_cp;  // red's advantage in centipawns
  std::optional<int> mate;      // moves to mate; positive when red mates, negative when black does
  std::optional<engine::Color> mated;  // the side to move is mated already (mate is then 0)
  bool bound = false;           // only a bound of the score
  int64_t nodes = 0, nps = 0, time_ms = 0;
  std::vector<engine::Move> pv;  // legal from the searched position (cut at a move that is not)
};

}  // namespace analysis
