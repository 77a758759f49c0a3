// Speed of the two-ply search: move generation, evaluation and the computer's reply.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "cli/engine_suite.h"
#include "game/board.h"
#include "game/evaluation.h"
#include "game/move_generation.h"
#include "game/notation.h"
#include "game/search.h"

namespace {

game::BoardArray BoardOf(const char* fen) {
  std::string error;
  auto parsed = game::ParseFen(fen, error);
  if (!parsed) std::abort();
  return parsed->board;
}

// A middle game with most pieces still on the board and many relations between them.
constexpr const char* kMiddleGame =
    "1rbakabn1/8r/1c7/p1p1p1p1p/7C1/7c1/P1P1P1P1P/2N6/1R7/2BAKABR1 b";

void BM_GenerateMovesStart(benchmark::State& state) {
  game::BoardArray board = BoardOf("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR");
  for (auto _ : state) benchmark::DoNotOptimize(game::GenerateMoves(1, game::Human, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GenerateMovesStart);

void BM_GenerateMovesMiddleGame(benchmark::State& state) {
  game::BoardArray board = BoardOf(kMiddleGame);
  for (auto _ : state) benchmark::DoNotOptimize(game::GenerateMoves(1, game::Computer, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_GenerateMovesMiddleGame);

void BM_EvaluateMiddleGame(benchmark::State& state) {
  game::LoadEvaluationTables();
  game::BoardArray board = BoardOf(kMiddleGame);
  for (auto _ : state) benchmark::DoNotOptimize(game::Evaluate(game::Computer, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateMiddleGame);

void BM_EvaluateStart(benchmark::State& state) {
  game::LoadEvaluationTables();
  game::BoardArray board = BoardOf("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR");
  for (auto _ : state) benchmark::DoNotOptimize(game::Evaluate(game::Computer, board));
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_EvaluateStart);

// The computer's depth-2 reply on each position of the suite; the median over the suite is the
// figure to watch (one benchmark per position).
void BM_Reply(benchmark::State& state) {
  game::LoadEvaluationTables();
  game::SearchDepth = 2;
  game::BoardArray board = BoardOf(cli::kEngineSuite[state.range(0)]);
  for (auto _ : state) {
    game::Board = board;
    benchmark::DoNotOptimize(game::PlayComputerMove());
  }
}
BENCHMARK(BM_Reply)->DenseRange(0, std::size(cli::kEngineSuite) - 1)->Unit(benchmark::kMicrosecond);

// Perft 4 from the start: every move made and unmade on SearchBoard.
void BM_PerftStart4(benchmark::State& state) {
  game::SearchDepth = 4;
  game::SearchBoard = BoardOf("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR");
  for (auto _ : state) benchmark::DoNotOptimize(game::Perft(4, game::Human));
}
BENCHMARK(BM_PerftStart4)->Unit(benchmark::kMillisecond);

}  // namespace
