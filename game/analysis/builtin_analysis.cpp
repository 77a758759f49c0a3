#include "game/analysis/builtin_analysis.h"

#include <algorithm>
#include <chrono>

namespace analysis {

AnalysisLine LineFromSearch(const engine::SearchInfo& info, engine::Color to_move, int multipv) {
  const int sign = to_move == engine::kRed ? 1 : -1;
  AnalysisLine line;
  line.multipv = multipv;
  line.depth = info.depth;
  line.seldepth = info.seldepth;
  if (info.mate_in_moves) {
    line.mate = sign * *info.mate_in_moves;
    if (*info.mate_in_moves == 0) line.mated = to_move;
  } else
    line.score_cp = sign * info.score;
  line.nodes = int64_t(info.nodes);
  line.time_ms = info.time_ms;
  line.pv = info.pv;
  return line;
}

void AnalyseWithOwnEngine(engine::Searcher& searcher, const engine::Position& position, int lines,
                          const std::atomic<bool>& stop,
                          const std::function<void(const std::vector<AnalysisLine>&)>& report,
                          int max_depth) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point started = Clock::now();
  const size_t wanted = std::min(size_t(std::clamp(lines, 1, 3)), position.LegalMoves().size());
  if (wanted == 0) return;
  const int deepest = max_depth > 0 ? max_depth : kDeepestAnalysis;
  std::vector<AnalysisLine> shown(wanted);
  int64_t nodes = 0;
  for (int depth = 1; depth <= deepest; ++depth) {
    std::vector<engine::Move> banned;
    for (size_t k = 0; k < wanted; ++k) {
      engine::Limits limits;
      limits.depth = depth;
      limits.stop = &stop;
      engine::SearchInfo last;
      bool informed = false;
      const engine::SearchResult result =
          searcher.Search(position, limits, banned, [&](const engine::SearchInfo& info) {
            last = info;
            informed = true;
          });
      if (stop.load(std::memory_order_acquire)) return;
      nodes += int64_t(result.nodes);
      if (!informed || result.best == engine::kNoMove) break;
      AnalysisLine line = LineFromSearch(last, position.SideToMove(), int(k) + 1);
      if (line.pv.empty() || line.pv.front() != result.best) line.pv = {result.best};
      const int64_t ms =
          std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started).count();
      line.nodes = nodes;
      line.time_ms = ms;
      line.nps = nodes * 1000 / std::max<int64_t>(ms, 1);
      shown[k] = std::move(line);
      banned.push_back(result.best);
      // A later line still from the depth before may begin with a move an earlier line has taken
      // now: it waits for its own search at this depth.
      std::vector<AnalysisLine> complete;
      for (size_t j = 0; j < wanted; ++j) {
        const bool taken =
            j > k && !shown[j].pv.empty() &&
            std::find(banned.begin(), banned.end(), shown[j].pv.front()) != banned.end();
        if (shown[j].pv.empty() || taken) continue;
        complete.push_back(shown[j]);
      }
      report(complete);
    }
  }
}

}  // namespace analysis
