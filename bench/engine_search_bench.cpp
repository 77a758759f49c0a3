// Speed of the full-rules engine: perft from the start, the leaf evaluation, and a fixed-depth
// search of the suite positions. The search's node total is its signature: a change that only
// makes it faster keeps the number, a change to what it searches shows in it.
#include <benchmark/benchmark.h>

#include <vector>

#include "cli/engine_suite.h"
#include "engine/evaluation.h"
#include "engine/position.h"
#include "engine/search.h"

namespace {

// The suite positions the full rules accept (a few leave red's general attacked).
std::vector<engine::Position> SuitePositions() {
  std::vector<engine::Position> positions;
  for (const char* fen : cli::kEngineSuite)
    if (auto parsed = engine::Position::FromFen(fen)) positions.push_back(*parsed);
  return positions;
}

void BM_EnginePerftStart(benchmark::State& state) {
  engine::Position pos;
  uint64_t leaves = 0;
  for (auto _ : state) leaves += engine::Perft(pos, int(state.range(0)));
  state.counters["leaves/s"] = benchmark::Counter(double(leaves), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EnginePerftStart)->Arg(4)->Unit(benchmark::kMillisecond);

void BM_EngineEvaluateSuite(benchmark::State& state) {
  std::vector<engine::Position> positions = SuitePositions();
  for (auto _ : state)
    for (const auto& pos : positions) benchmark::DoNotOptimize(engine::Evaluate(pos));
  state.SetItemsProcessed(state.iterations() * int64_t(positions.size()));
}
BENCHMARK(BM_EngineEvaluateSuite);

void BM_EngineSearchSuite(benchmark::State& state) {
  std::vector<engine::Position> positions = SuitePositions();
  engine::Searcher searcher;
  engine::Limits limits;
  limits.depth = int(state.range(0));
  uint64_t nodes = 0, signature = 0;
  for (auto _ : state) {
    signature = 0;
    for (const auto& pos : positions) {
      searcher.NewGame();
      signature += searcher.Search(pos, limits).nodes;
    }
    nodes += signature;
  }
  state.counters["signature"] = double(signature);
  state.counters["nodes/s"] = benchmark::Counter(double(nodes), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_EngineSearchSuite)->Arg(7)->Unit(benchmark::kMillisecond);

}  // namespace
