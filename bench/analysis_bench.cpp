// Analysis and the graph as the player meets them: the longest the user-interface thread is held
// while the built-in engine analyses three lines, and while an outside analyst floods the window
// with `info` lines (the fake engine's 100000 lines of 13 moves); and the time until the graph of
// a 150-move game is complete at the default time per position.
#include <benchmark/benchmark.h>
#include <time.h>

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTimer>
#include <algorithm>
#include <numeric>

#include "bench/offscreen_application.h"
#include "bench/window_game.h"
#include "game/engine_choice.h"
#include "game/handlers.h"
#include "game/live_analysis.h"
#include "game/play/engine_bridge.h"
#include "game/score_graph.h"
#include "game/units.h"
#include "runtime/system/settings.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"
#include "tests/support/picked_line.h"

namespace {

void ShowGame() {
  if (bench::StartOffscreenApplication("analysis_bench")) {
    game::RegisterHandlers(&bench::Host());
    runtime::InitWindowSystem();
    runtime::LoadWindowTemplate();
    const QString settings = QDir::temp().filePath(QStringLiteral("xiangqi-analysis-bench.ini"));
    QFile::remove(settings);
    runtime::UseSettingsFile(settings.toStdString());
  }
  if (runtime::LiveWindow(game::kMainWindowId) == nullptr) {
    game::CreateGlobals();
    runtime::LoadStartWindow(game::kMainWindowId);
  }
}

double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The longest wall-clock gap between two turns of the event loop, and the user-interface
// thread's own processor time in the longest gap it caused, while the analysis runs `ms`.
void MeasureWhileAnalysing(benchmark::State& state, int64_t ms) {
  double longestWall = 0, longestBusy = 0;
  size_t lines = 0;
  for (auto _ : state) {
    bench::Game().NewGame();
    bench::Window().Analysis().Toggle();
    QElapsedTimer running, sinceLast;
    running.start();
    sinceLast.start();
    double cpuAtLast = ThreadCpuMs();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const double cpu = ThreadCpuMs();
      longestWall = std::max(longestWall, double(sinceLast.nsecsElapsed()) / 1e6);
      longestBusy = std::max(longestBusy, cpu - cpuAtLast);
      sinceLast.restart();
      cpuAtLast = cpu;
    });
    tick.start(0);
    while (running.elapsed() < ms)
      QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    tick.stop();
    lines = bench::Window().Analysis().Lines().size();
    bench::Window().Analysis().Toggle();
  }
  state.counters["longest_gap_ms"] = longestWall;
  state.counters["longest_busy_ms"] = longestBusy;
  state.counters["lines_shown"] = double(lines);
}

void BM_LongestStallWhileOwnEngineAnalysesThreeLines(benchmark::State& state) {
  ShowGame();
  game::ChooseAnalystEngine(0);
  bench::Window().Analysis().AnalystChoiceChanged();
  bench::Window().Analysis().ChooseLineCount(3);
  MeasureWhileAnalysing(state, 3000);
}
BENCHMARK(BM_LongestStallWhileOwnEngineAnalysesThreeLines)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_LongestStallWhileAnAnalystFloods(benchmark::State& state) {
  ShowGame();
  game::SaveEngines({{"flood", "sh '" XQ_SOURCE_DIR "/tests/support/fake_engine.sh' flood-long",
                      std::nullopt, ""}});
  game::ChooseAnalystEngine(1);
  bench::Window().Analysis().AnalystChoiceChanged();
  bench::Window().Analysis().ChooseLineCount(1);
  MeasureWhileAnalysing(state, 3000);
  game::ChooseAnalystEngine(0);
  bench::Window().Analysis().AnalystChoiceChanged();
}
BENCHMARK(BM_LongestStallWhileAnAnalystFloods)
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// 150 moves picked by a fixed rule among the legal ones, loaded as a game at once.
void LoadLongGame() {
  bench::Game().NewGame();
  const twoply::BoardArray start = twoply::Board;
  const std::vector<twoply::Move> moves = testing_support::PickedLine(150, 12345);
  bench::Game().LoadGame(start, twoply::Human, moves, game::Outcome{});
}

// The graph is scored while the record window shows it; the user-interface thread's longest busy
// stretch is measured as above, and the depth the scores came from tells what the speed cost.
void BM_GraphOfA150MoveGame(benchmark::State& state) {
  ShowGame();
  if (!bench::Window().Windows()->RecordWindowShown())
    bench::Window().Windows()->ToggleRecordWindow();
  double longestBusy = 0;
  for (auto _ : state) {
    LoadLongGame();
    auto complete = [] {
      const auto scores = bench::Window().Graph().LineScores();
      return !bench::Window().Graph().Busy() &&
             std::all_of(scores.begin(), scores.end(), [](auto s) { return s.has_value(); });
    };
    double cpuAtLast = ThreadCpuMs();
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, [&] {
      const double cpu = ThreadCpuMs();
      longestBusy = std::max(longestBusy, cpu - cpuAtLast);
      cpuAtLast = cpu;
    });
    // Not spinning: a loop that never waits would take a core from the searches.
    tick.start(1);
    while (!complete()) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
  }
  const std::vector<int> depths = bench::Window().Graph().LineScoreDepths();
  state.counters["positions"] = double(depths.size());
  state.counters["longest_busy_ms"] = longestBusy;
  state.counters["mean_depth"] = double(std::accumulate(depths.begin(), depths.end(), 0)) /
                                 double(std::max<size_t>(depths.size(), 1));
  state.counters["least_depth"] = double(*std::min_element(depths.begin(), depths.end()));
}
BENCHMARK(BM_GraphOfA150MoveGame)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
