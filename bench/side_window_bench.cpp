// The side window's costs as the player meets them, each with the repaint it causes: a whole game
// put into the move list at once (a record opened), one move added (a move played), and the
// marked move stepped through a game (the arrow keys in replay).
#include <benchmark/benchmark.h>

#include <QApplication>

#include "bench/offscreen_application.h"
#include "game/units.h"
#include "runtime/windows/event_handlers.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"
#include "ui/side_window.h"

namespace {

using Rows = std::vector<std::array<std::string, 3>>;

ui::SideWindow& Side() {
  static ui::SideWindow side;
  return side;
}

void OpenOnce() {
  if (bench::StartOffscreenApplication("side_window_bench")) {
    runtime::RegisterEventHandlers({});
    runtime::InitWindowSystem();
    runtime::LoadWindowTemplate();
    runtime::LoadStartWindow(game::kMainWindowId);
  }
  if (!Side().IsOpen()) Side().Open(game::kMainWindowId, "棋谱", {});
  QCoreApplication::processEvents();
}

// The rows of a game of `plies` moves, in Chinese notation's widths.
Rows GameRows(int64_t plies) {
  Rows rows;
  for (int64_t ply = 0; ply < plies; ++ply) {
    if (ply % 2 == 0) rows.push_back({std::to_string(ply / 2 + 1) + ".", "", ""});
    rows.back()[ply % 2 == 0 ? 1 : 2] = ply % 4 < 2 ? "炮二平五" : "马８进７";
  }
  return rows;
}

void Show(int64_t ply) {
  Side().SetCurrent(static_cast<int32_t>(ply / 2), static_cast<int32_t>(ply % 2 + 1));
  QCoreApplication::processEvents();
}

void BM_FillGame(benchmark::State& state) {
  OpenOnce();
  const Rows rows = GameRows(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    Side().SetRows({});
    QCoreApplication::processEvents();
    state.ResumeTiming();
    Side().SetRows(rows);
    Show(state.range(0) - 1);
  }
}
BENCHMARK(BM_FillGame)->Arg(300)->Arg(600)->Unit(benchmark::kMillisecond);

void BM_AddOneMove(benchmark::State& state) {
  OpenOnce();
  const int64_t plies = state.range(0);
  std::vector<Rows> grown;
  for (int64_t ply = 1; ply <= plies; ++ply) grown.push_back(GameRows(ply));
  int64_t ply = 0;
  for (auto _ : state) {
    Side().SetRows(grown[static_cast<size_t>(ply)]);
    Show(ply);
    ply = (ply + 1) % plies;
  }
}
BENCHMARK(BM_AddOneMove)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_StepThroughGame(benchmark::State& state) {
  OpenOnce();
  const int64_t plies = state.range(0);
  Side().SetRows(GameRows(plies));
  int64_t ply = 0;
  for (auto _ : state) {
    Show(ply);
    ply = (ply + 1) % plies;
  }
}
BENCHMARK(BM_StepThroughGame)->Arg(300)->Unit(benchmark::kMicrosecond);

void BM_StepGraph(benchmark::State& state) {
  OpenOnce();
  const int64_t plies = state.range(0);
  std::vector<std::optional<double>> values;
  for (int64_t i = 0; i <= plies; ++i) values.push_back(static_cast<double>(i % 40) / 4 - 5);
  int32_t current = 0;
  for (auto _ : state) {
    Side().SetGraph(values, current);
    QCoreApplication::processEvents();
    current = (current + 1) % static_cast<int32_t>(values.size());
  }
}
BENCHMARK(BM_StepGraph)->Arg(300)->Unit(benchmark::kMicrosecond);

}  // namespace
