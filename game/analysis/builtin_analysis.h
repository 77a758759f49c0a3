// The program's own engine as an analyst: the lines the window shows, from a Searcher on the
// caller's thread. The engine gives one line per search; more lines come from searching again
// with the earlier lines' first moves left out (the way UCCI's banmoves works), depth by depth,
// so every line reaches the same depth before the next depth starts.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "engine/position.h"
#include "engine/search.h"
#include "game/analysis/analysis_line.h"

namespace analysis {

// The deepest the analysis goes on its own (a search of this depth is never finished in
// practice, and a mate is found long before).
inline constexpr int kDeepestAnalysis = 64;

// Analyses `position` (its history counts for repetitions) with `lines` lines (1..3; fewer when
// the position has fewer legal moves) until `stop` is set or `max_depth` (0: kDeepestAnalysis) is
// reached. `report` is called on this thread with the lines each time one of them is complete at
// a new depth (a line from the depth before whose first move an earlier line has taken since is
// left out until it is searched again, so no two lines ever begin alike); scores are from red's
// side, nodes and speed counted over all lines since the start. A search cut short by `stop` is not
// reported. Nothing is reported for a position without a legal move.
void AnalyseWithOwnEngine(engine::Searcher& searcher, const engine::Position& position, int lines,
                          const std::atomic<bool>& stop,
                          const std::function<void(const std::vector<AnalysisLine>&)>& report,
                          int max_depth = 0);

// One of the engine's iterations as a line of analysis, the score turned to red's side.
AnalysisLine LineFromSearch(const engine::SearchInfo& info, engine::Color to_move, int multipv);

}  // namespace analysis
