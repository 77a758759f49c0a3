// Opening a PGN of 1,000 games: the list to choose from (tags only), every game read with its
// moves, the same file in GB18030, and writing a long game.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "game/record/pgn.h"
#include "runtime/text_codec.h"

namespace {

record::PgnGame RandomGame(unsigned& seed, int plies) {
  record::PgnGame game;
  game.tags.Set("Event", "全国象棋个人赛");
  game.tags.Set("Red", "红方棋手");
  game.tags.Set("Black", "黑方棋手");
  engine::Position pos = game.start;
  for (int ply = 0; ply < plies; ++ply) {
    std::vector<engine::Move> moves = pos.LegalMoves();
    if (moves.empty()) break;
    seed = seed * 1103515245u + 12345u;
    engine::Move m = moves[(seed >> 8) % moves.size()];
    pos.MakeMove(m);
    game.moves.push_back(m);
    game.comments.emplace_back(ply % 10 == 0 ? "评注" : "");
  }
  return game;
}

// A thousand games of 60 to 140 plies, in Chinese notation as most files have them.
const std::string& ThousandGames() {
  static const std::string file = [] {
    std::string text;
    unsigned seed = 42;
    for (int i = 0; i < 1000; ++i)
      text += record::WritePgn(RandomGame(seed, 60 + i % 80), record::Notation::kChinese) + "\n";
    return text;
  }();
  return file;
}

void BM_ListThousandGames(benchmark::State& state) {
  const std::string& file = ThousandGames();
  for (auto _ : state) {
    auto list = record::PgnFile::Open(file, nullptr);
    benchmark::DoNotOptimize(list->GameCount());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}
BENCHMARK(BM_ListThousandGames)->Unit(benchmark::kMillisecond);

void BM_ListThousandGamesGb18030(benchmark::State& state) {
  const std::string gb = *runtime::Utf8ToGb(ThousandGames());
  for (auto _ : state) {
    auto list = record::PgnFile::Open(gb, nullptr);
    benchmark::DoNotOptimize(list->GameCount());
  }
}
BENCHMARK(BM_ListThousandGamesGb18030)->Unit(benchmark::kMillisecond);

void BM_ReadThousandGames(benchmark::State& state) {
  const std::string& file = ThousandGames();
  for (auto _ : state) {
    auto games = record::ReadPgn(file, nullptr);
    benchmark::DoNotOptimize(games->size());
  }
}
BENCHMARK(BM_ReadThousandGames)->Unit(benchmark::kMillisecond);

void BM_WriteLongGame(benchmark::State& state) {
  unsigned seed = 7;
  record::PgnGame game = RandomGame(seed, 300);
  for (auto _ : state) benchmark::DoNotOptimize(record::WritePgn(game, record::Notation::kChinese));
}
BENCHMARK(BM_WriteLongGame)->Unit(benchmark::kMicrosecond);

}  // namespace
