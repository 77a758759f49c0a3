// The full-rules engine's evaluation: material and piece-square values kept by the position as
// moves are made, plus terms computed at the leaf (mobility, the general's guard, cannons aimed
// at the general, a side that cannot win). Every weight is a parameter of eval_params.h.
#pragma once

#include <vector>

#include "engine/eval_params.h"
#include "engine/position.h"

namespace engine {

// The value of the position in centipawns for the side to move, with the active parameters.
int Evaluate(const Position& pos);

// The same evaluation taken apart for the tuner: how often each parameter counts, for red less
// for black (the placement values by the share of the middle game or the endgame left, so
// fractions). With the active parameters w, the value for red is
//   (sum over i != kTempo of coef[i] * w[i]) * scale / 64 + coef[kTempo] * w[kTempo]
// to within the rounding of the two divisions, and Evaluate is that value for the side to move.
struct EvalTrace {
  std::vector<double> coef;  // EvalParamCount() entries
  int scale = 64;         // a side that cannot win has its lead cut
};
int EvaluateTraced(const Position& pos, EvalTrace& trace);

}  // namespace engine
