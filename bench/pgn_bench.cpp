// The game record's speed: a 30 MB PGN file listed (with the memory it took), a 300-ply game
// with 50 variations opened, a step through it and a variation added; and the older measures of
// a file of 1,000 games: the list to choose from (tags only), every game read with its moves, the
// same file in GB18030, and writing a long game.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "bench/game_with_variations.h"
#include "game/record/game_list.h"
#include "game/record/game_tree.h"
#include "game/record/pgn.h"
#include "runtime/text_codec.h"

namespace {

// Resident memory in MB: now, and the most the process has had.
double ResidentMb() {
  std::ifstream statm("/proc/self/statm");
  long pages = 0, resident = 0;
  statm >> pages >> resident;
  return double(resident) * double(sysconf(_SC_PAGESIZE)) / (1 << 20);
}
double PeakResidentMb() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024;
}

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

// A file of about 30 MB of games of 60 to 140 plies with comments, in Chinese notation, written
// once into the build folder a game at a time (so that making it takes little memory).
const std::string& ThirtyMegabyteFile() {
  static const std::string path = [] {
    std::string file = std::string(XQ_BINARY_DIR) + "/bench_30mb.pgn";
    if (std::filesystem::exists(file) && std::filesystem::file_size(file) >= (30u << 20)) return file;
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    unsigned seed = 30;
    for (size_t written = 0, i = 0; written < (30u << 20); ++i) {
      std::string game = record::WritePgn(RandomGame(seed, 60 + int(i % 80)), record::Notation::kChinese) + "\n";
      out << game;
      written += game.size();
    }
    return file;
  }();
  return path;
}

// Reading the file and listing every game with its tags and plies, as the list window shows
// them; the memory is the process's most, beside what it held before.
void BM_ListThirtyMegabytes(benchmark::State& state) {
  const std::string& path = ThirtyMegabyteFile();
  double before = ResidentMb();
  size_t games = 0;
  for (auto _ : state) {
    std::string why;
    auto list = record::GameList::Open(*record::ReadGameFile(path, &why), nullptr);
    for (size_t i = 0; i < list->Count(); ++i) benchmark::DoNotOptimize(list->Summary(i).plies);
    games = list->Count();
  }
  double file_mb = double(std::filesystem::file_size(path)) / (1 << 20);
  state.counters["games"] = double(games);
  state.counters["file_MB"] = file_mb;
  state.counters["peak_MB_over_start"] = PeakResidentMb() - before;
  state.counters["limit_MB"] = 2 * file_mb + 50;
}
BENCHMARK(BM_ListThirtyMegabytes)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_OpenGameWithVariations(benchmark::State& state) {
  const std::string text =
      record::WritePgn(bench::GameWithVariations(), record::Notation::kChinese);
  for (auto _ : state) {
    auto list = record::GameList::Open(text, nullptr);
    benchmark::DoNotOptimize(list->Game(0, nullptr)->tree.NodeCount());
  }
}
BENCHMARK(BM_OpenGameWithVariations)->Unit(benchmark::kMillisecond);

// One step, forward along the main line to its end and back to the start.
void BM_Step(benchmark::State& state) {
  record::GameCursor cursor(bench::GameWithVariations());
  bool forward = true;
  for (auto _ : state) {
    if (!(forward ? cursor.Forward() : cursor.Back())) forward = !forward;
    benchmark::DoNotOptimize(cursor.Position().Key());
  }
}
BENCHMARK(BM_Step)->Unit(benchmark::kMicrosecond);

// A move that the game does not have, played at its 150th ply (a new variation), and taken back.
void BM_AddVariation(benchmark::State& state) {
  record::GameCursor cursor(bench::GameWithVariations());
  record::NodeId at = cursor.Tree().MainLine().at(149);
  cursor.GoTo(at);
  engine::Move fresh{};
  for (engine::Move m : cursor.Position().LegalMoves()) {
    bool known = false;
    for (record::NodeId child : cursor.Tree().Children(at)) known |= cursor.Tree().At(child).move == m;
    if (!known) fresh = m;
  }
  for (auto _ : state) {
    record::Change undo = *cursor.Play(fresh);
    cursor.Apply(undo);
  }
}
BENCHMARK(BM_AddVariation)->Unit(benchmark::kMicrosecond);

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
