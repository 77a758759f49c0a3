// What the rules a tournament judges cost per move: the judge of a line after each of its plies,
// over a 300-ply game without a capture (every ply looks back to the start), and the check of a
// position the board editor asks for on 确定.
#include <benchmark/benchmark.h>

#include "engine/line_judge.h"
#include "engine/position.h"

namespace {

// Chariots walking their ranks without a capture or a third repetition: 300 plies.
engine::Position LongQuietLine() {
  engine::Position position = *engine::Position::FromFen("5k3/r8/9/9/9/9/9/9/R8/4K4 w");
  const char red[] = "abcdeghi", black[] = "abcdghi";
  for (int i = 0; i < 150; ++i) {
    const std::string r = std::string(1, red[i % 8]) + "1" + red[(i + 1) % 8] + "1";
    const std::string b = std::string(1, black[i % 7]) + "8" + black[(i + 1) % 7] + "8";
    position.MakeMove(*engine::ParseIccs(r));
    position.MakeMove(*engine::ParseIccs(b));
  }
  return position;
}

void BM_JudgeAfterEachPly(benchmark::State& state) {
  engine::Position line = LongQuietLine();
  for (auto _ : state) benchmark::DoNotOptimize(engine::JudgeLine(line));
  state.counters["plies"] = double(line.Ply());
}
BENCHMARK(BM_JudgeAfterEachPly)->Unit(benchmark::kMicrosecond);

void BM_PositionCheck(benchmark::State& state) {
  for (auto _ : state)
    benchmark::DoNotOptimize(engine::Position::CheckFen("3k5/9/9/9/9/9/9/8r/9/4K4 b"));
}
BENCHMARK(BM_PositionCheck)->Unit(benchmark::kMicrosecond);

}  // namespace
