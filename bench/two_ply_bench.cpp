// Speed of the two-ply search: move generation, evaluation and the computer's reply.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "cli/engine_suite.h"
#include "game/twoply/board.h"
#include "game/twoply/move_generation.h"
#include "game/twoply/position_text.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"

namespace {

twoply::BoardArray BoardOf(const char* fen) {
  std::string error;
  auto parsed = twoply::ParseFen(fen, error);
  if (!parsed) std::abort();
  return parsed->board;
}

// A middle game with most pieces still on the board and many relations between them.
constexpr const char* kMiddleGame =
    "1rbakabn1/8r/1c7/p1p1p1p1p/7C1/7c1/P1P1P1P1P/2N6/1R7/2BAKABR1 b";

void BM_GenerateMovesStart(benchmark::State& state) {
  twoply::BoardArray board = BoardOf("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR");
  for (auto _ : state) benchmark::DoNotOptimize(twoply::GenerateMoves(1, twoply::Human, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GenerateMovesStart);

void BM_GenerateMovesMiddleGame(benchmark::State& state) {
  twoply::BoardArray board = BoardOf(kMiddleGame);
  for (auto _ : state) benchmark::DoNotOptimize(twoply::GenerateMoves(1, twoply::Computer, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GenerateMovesMiddleGame);

void BM_EvaluateMiddleGame(benchmark::State& state) {
  twoply::LoadEvaluationTables();
  twoply::BoardArray board = BoardOf(kMiddleGame);
  for (auto _ : state) benchmark::DoNotOptimize(twoply::Evaluate(twoply::Computer, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateMiddleGame);

void BM_EvaluateStart(benchmark::State& state) {
  twoply::LoadEvaluationTables();
  twoply::BoardArray board = BoardOf("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR");
  for (auto _ : state) benchmark::DoNotOptimize(twoply::Evaluate(twoply::Computer, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateStart);

// The computer's depth-2 reply on each position of the suite; the median over the suite is the
// figure to watch (one benchmark per position).
void BM_Reply(benchmark::State& state) {
  twoply::LoadEvaluationTables();
  twoply::SearchDepth = 2;
  twoply::BoardArray board = BoardOf(cli::kEngineSuite[state.range(0)]);
  for (auto _ : state) {
    twoply::Board = board;
    benchmark::DoNotOptimize(twoply::PlayComputerMove());
  }
}
BENCHMARK(BM_Reply)->DenseRange(0, std::size(cli::kEngineSuite) - 1)->Unit(benchmark::kMicrosecond);

// Perft 4 from the start: every move made and unmade on SearchBoard.
void BM_PerftStart4(benchmark::State& state) {
  twoply::SearchDepth = 4;
  twoply::SearchBoard = BoardOf("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR");
  for (auto _ : state) benchmark::DoNotOptimize(twoply::Perft(4, twoply::Human));
}
BENCHMARK(BM_PerftStart4)->Unit(benchmark::kMillisecond);

}  // namespace
