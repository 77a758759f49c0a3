// Playing in the window at each level: the time from the Human's click to the Computer's reply
// drawn, the longest the user-interface thread is held while the Computer thinks at level 8 (and,
// to compare, while the window is idle), and how long 新开局 and closing the window take to stop a
// level-8 search. The record window with a long game, and with a game of many variations: opened,
// stepped through, a variation added by a move played while replaying.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "bench/game_with_variations.h"
#include "bench/offscreen_application.h"
#include "bench/window_game.h"
#include "engine/position.h"
#include "game/board_hints.h"
#include "game/controller.h"
#include "game/game_files.h"
#include "game/handlers.h"
#include "game/play/engine_bridge.h"
#include "game/play/session.h"
#include "game/record/pgn.h"
#include "game/units.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"

namespace {

void StartOnce() {
  if (!bench::StartOffscreenApplication("window_play_bench")) return;
  game::RegisterHandlers(&bench::Host());
  runtime::InitWindowSystem();
  runtime::LoadWindowTemplate();
  const QString settings = QDir::temp().filePath(QStringLiteral("xiangqi-bench-settings.ini"));
  QFile::remove(settings);
  runtime::UseSettingsFile(settings.toStdString());
  // Searches still running when the program ends (the graph's) stop before their table goes:
  // the table is made now, so the call registered after it runs before it is destroyed.
  runtime::BackgroundJobPending(0);
  std::atexit(runtime::CancelAllBackgroundJobs);
}

void ShowGame(int32_t level) {
  StartOnce();
  if (runtime::LiveWindow(game::kMainWindowId) == nullptr) {
    game::CreateGlobals();
    runtime::LoadStartWindow(game::kMainWindowId);
  }
  bench::Game().ChooseLevel(level);
}

void Press(int32_t col, int32_t row) {
  game::OnBoardClick(bench::Window(), (col - 1) * 48 + 24, (row - 1) * 48 + 24);
}

// The cannon selected on a new game; the next press on (5, 8) is the move.
void ReadyToMove() {
  bench::Game().NewGame();
  Press(2, 8);
}

void WaitForReply() {
  while (bench::Game().Thinking())
    QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
}

// Each iteration: 炮二平五 on a new game, timed from the click until the reply is drawn.
void TimeTheFirstMove(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ReadyToMove();
    state.ResumeTiming();
    Press(5, 8);
    WaitForReply();
  }
}

void BM_ClickToReplyDrawn(benchmark::State& state) {
  ShowGame(static_cast<int32_t>(state.range(0)));
  TimeTheFirstMove(state);
  bench::Game().ChooseLevel(game::kDefaultLevel);
}
BENCHMARK(BM_ClickToReplyDrawn)
    ->DenseRange(1, 8)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same move at level 2 without (0) and with (1) what a newcomer sees on: the record window's
// status line, moves and graph, and 显示提示's marks on the board. The difference is their cost.
void BM_ClickToReplyDrawnWithStatusAndMarks(benchmark::State& state) {
  ShowGame(game::kDefaultLevel);
  game::WindowGame& window = bench::Window();
  const bool shown = state.range(0) == 1;
  if (window.Windows()->RecordWindowShown() != shown) window.Windows()->ToggleRecordWindow();
  if (window.Hints().On() != shown) window.Hints().Toggle();
  TimeTheFirstMove(state);
  if (window.Hints().On()) window.Hints().Toggle();
  if (window.Windows()->RecordWindowShown()) window.Windows()->ToggleRecordWindow();
}
BENCHMARK(BM_ClickToReplyDrawnWithStatusAndMarks)
    ->Arg(0)
    ->Arg(1)
    ->Iterations(200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A timer that fires whenever the event loop is free measures the gaps between its turns. A gap
// is wall time: on a busy machine the system may run other work in it. The user-interface
// thread's own processor time in a gap is what the program itself held the loop for.
struct LoopGaps {
  double longestWallMs = 0;
  double longestBusyMs = 0;
};

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

template <typename Running>
void MeasureLoopGaps(LoopGaps& gaps, Running running) {
  QElapsedTimer sinceLast;
  sinceLast.start();
  double cpuAtLast = ThreadCpuMs();
  QTimer tick;
  QObject::connect(&tick, &QTimer::timeout, [&] {
    const double cpu = ThreadCpuMs();
    gaps.longestWallMs = std::max(gaps.longestWallMs, double(sinceLast.nsecsElapsed()) / 1e6);
    gaps.longestBusyMs = std::max(gaps.longestBusyMs, cpu - cpuAtLast);
    sinceLast.restart();
    cpuAtLast = cpu;
  });
  tick.start(0);
  while (running()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
  tick.stop();
}

void BM_LongestStallWhileThinkingAtLevel8(benchmark::State& state) {
  ShowGame(8);
  LoopGaps gaps;
  for (auto _ : state) {
    ReadyToMove();
    Press(5, 8);
    MeasureLoopGaps(gaps, [] { return bench::Game().Thinking(); });
  }
  state.counters["longest_gap_ms"] = gaps.longestWallMs;
  state.counters["longest_busy_ms"] = gaps.longestBusyMs;
  bench::Game().ChooseLevel(game::kDefaultLevel);
}
BENCHMARK(BM_LongestStallWhileThinkingAtLevel8)
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// The same measure for an idle window over the same time: what the machine alone costs.
void BM_LongestStallWhileIdle(benchmark::State& state) {
  ShowGame(game::kDefaultLevel);
  LoopGaps gaps;
  for (auto _ : state) {
    QElapsedTimer idle;
    idle.start();
    MeasureLoopGaps(gaps, [&] { return idle.elapsed() < 1200; });
  }
  state.counters["longest_gap_ms"] = gaps.longestWallMs;
  state.counters["longest_busy_ms"] = gaps.longestBusyMs;
}
BENCHMARK(BM_LongestStallWhileIdle)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

// 新开局 while the Computer has been thinking for 100 ms: the search stopped, its thread gone and
// the new board drawn, all inside the click.
void BM_NewGameStopsLevel8Search(benchmark::State& state) {
  ShowGame(8);
  for (auto _ : state) {
    state.PauseTiming();
    ReadyToMove();
    Press(5, 8);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    state.ResumeTiming();
    bench::Game().NewGame();
  }
  bench::Game().ChooseLevel(game::kDefaultLevel);
}
BENCHMARK(BM_NewGameStopsLevel8Search)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

// Closing the window while the Computer thinks: from the close to the window gone with the
// search stopped and its thread joined.
void BM_ClosingTheWindowStopsLevel8Search(benchmark::State& state) {
  for (auto _ : state) {
    state.PauseTiming();
    ShowGame(8);
    ReadyToMove();
    Press(5, 8);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 100) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    QWidget* window = runtime::LiveUnit(game::kMainWindowId, game::MainWindow.unit)->Widget();
    state.ResumeTiming();
    window->close();
    while (runtime::LiveWindow(game::kMainWindowId) != nullptr)
      QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    state.PauseTiming();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
    state.ResumeTiming();
  }
  ShowGame(game::kDefaultLevel);
}
BENCHMARK(BM_ClosingTheWindowStopsLevel8Search)
    ->Iterations(5)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// A long game: 300 plies (or as many as a game of random legal moves lasts) from the opening.
std::vector<twoply::Move> LongGame() {
  engine::Position position;
  std::vector<twoply::Move> moves;
  uint64_t seed = 12345;
  while (moves.size() < 300) {
    const std::vector<engine::Move> legal = position.LegalMoves();
    if (legal.empty()) break;
    seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
    const engine::Move move = legal[(seed >> 33) % legal.size()];
    moves.push_back(game::FromEngineMove(move));
    position.MakeMove(move);
  }
  return moves;
}

// The record window filled with a long game opened, every move written in Chinese.
void BM_RecordWindowFillsWithALongGame(benchmark::State& state) {
  ShowGame(game::kDefaultLevel);
  const std::vector<twoply::Move> moves = LongGame();
  twoply::BoardArray start = twoply::Board;
  bench::Game().NewGame();
  start = twoply::Board;
  for (auto _ : state) {
    state.PauseTiming();
    if (bench::Window().Windows()->RecordWindowShown())
      bench::Window().Windows()->ToggleRecordWindow();
    bench::Game().LoadGame(start, twoply::Human, moves,
                           game::Outcome{game::Winner::kHuman, game::Ending::kRecorded});
    state.ResumeTiming();
    bench::Window().Windows()->ToggleRecordWindow();
    QCoreApplication::processEvents();
  }
  state.counters["plies"] = double(moves.size());
}
BENCHMARK(BM_RecordWindowFillsWithALongGame)->Unit(benchmark::kMillisecond)->UseRealTime();

// One step (→) through the long game: the board redrawn at that position and the record's mark.
void BM_StepThroughALongGame(benchmark::State& state) {
  ShowGame(game::kDefaultLevel);
  const std::vector<twoply::Move> moves = LongGame();
  bench::Game().NewGame();
  bench::Game().LoadGame(twoply::Board, twoply::Human, moves,
                         game::Outcome{game::Winner::kHuman, game::Ending::kRecorded});
  if (!bench::Window().Windows()->RecordWindowShown())
    bench::Window().Windows()->ToggleRecordWindow();
  size_t ply = 0;
  double longest = 0;
  for (auto _ : state) {
    QElapsedTimer step;
    step.start();
    bench::Game().View(ply);
    QCoreApplication::processEvents();
    longest = std::max(longest, double(step.nsecsElapsed()) / 1e6);
    ply = (ply + 1) % moves.size();
  }
  state.counters["longest_ms"] = longest;
}
BENCHMARK(BM_StepThroughALongGame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The game of 300 plies with 50 variations, as a file, opened into the window with the record
// window showing it.
const std::string& VariationsFile() {
  static const std::string path = [] {
    const std::string file =
        QDir::temp().filePath(QStringLiteral("xiangqi-bench-variations.pgn")).toStdString();
    std::ofstream(file) << record::WritePgn(bench::GameWithVariations(),
                                            record::Notation::kChinese);
    return file;
  }();
  return path;
}

void OpenVariations() {
  ShowGame(game::kDefaultLevel);
  if (!bench::Window().Windows()->RecordWindowShown())
    bench::Window().Windows()->ToggleRecordWindow();
  game::OpenPgnFile(bench::Window(), VariationsFile());
  QCoreApplication::processEvents();
}

void BM_OpenGameWithVariations(benchmark::State& state) {
  OpenVariations();
  for (auto _ : state) {
    game::OpenPgnFile(bench::Window(), VariationsFile());
    QCoreApplication::processEvents();
  }
  state.counters["nodes"] = double(bench::Game().Record().NodeCount());
}
BENCHMARK(BM_OpenGameWithVariations)->Unit(benchmark::kMillisecond)->UseRealTime();

// One step to each node in turn, the variations' too: the board, the record's line, its choices
// and comment.
void BM_StepThroughTheVariations(benchmark::State& state) {
  OpenVariations();
  const record::GameTree& tree = bench::Game().Record();
  std::vector<record::NodeId> nodes;
  for (record::NodeId id = 0; id < tree.NodeCount(); ++id) nodes.push_back(id);
  size_t next = 0;
  double longest = 0;
  for (auto _ : state) {
    QElapsedTimer step;
    step.start();
    bench::Game().ViewNode(nodes[next]);
    QCoreApplication::processEvents();
    longest = std::max(longest, double(step.nsecsElapsed()) / 1e6);
    next = (next + 1) % nodes.size();
  }
  state.counters["longest_ms"] = longest;
}
BENCHMARK(BM_StepThroughTheVariations)->Unit(benchmark::kMillisecond)->UseRealTime();

// A move the record does not have, played on the position of ply 150 shown: a new variation the
// game goes on in, with the Computer's answer at level 2; taken back between the runs.
void BM_AddAVariationWhileReplaying(benchmark::State& state) {
  OpenVariations();
  const record::GameTree& tree = bench::Game().Record();
  const record::NodeId at = tree.MainLine().at(149);
  engine::Move fresh{};
  for (engine::Move m : tree.PositionAt(at).LegalMoves()) {
    bool known = false;
    for (record::NodeId child : tree.Children(at)) known |= tree.At(child).move == m;
    if (!known) fresh = m;
  }
  for (auto _ : state) {
    state.PauseTiming();
    bench::Game().ViewNode(at);
    QCoreApplication::processEvents();
    state.ResumeTiming();
    bench::Game().PlayHumanMove(game::FromEngineMove(fresh));
    QCoreApplication::processEvents();
    state.PauseTiming();
    bench::Game().TakeBack();
    QCoreApplication::processEvents();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_AddAVariationWhileReplaying)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
