// The window layer's costs: copying a cell between panels and drawing a sprite with its key colour
// (each with its repaint request), and creating the main window with all its units.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "game/units.h"
#include "runtime/pictures/picture_commands.h"
#include "runtime/windows/event_handlers.h"
#include "runtime/windows/window_commands.h"
#include "bench/offscreen_application.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"

namespace {

constexpr runtime::WindowId kMain = game::kMainWindowId;
constexpr runtime::UnitRef kBoard{kMain, 0x1601000c, runtime::unit_type::kDrawPanel};
constexpr runtime::UnitRef kClean{kMain, 0x16010172, runtime::unit_type::kDrawPanel};
constexpr runtime::UnitRef kBuffer{kMain, 0x160100b5, runtime::unit_type::kDrawPanel};

// The application and the template with no handlers bound: what is measured is the runtime alone.
void StartOnce() {
  if (!bench::StartOffscreenApplication("window_bench")) return;
  runtime::RegisterEventHandlers({});
  runtime::InitWindowSystem();
  runtime::LoadWindowTemplate();
}

void ShowMainWindow() {
  StartOnce();
  if (runtime::LiveWindow(kMain) == nullptr) runtime::LoadStartWindow(kMain);
}

void BM_CopyCellBetweenPanels(benchmark::State& state) {
  ShowMainWindow();
  for (auto _ : state) runtime::CopyTo(kClean, 48, 96, 48, 48, kBoard, 48, 96);
  QCoreApplication::processEvents();
}
BENCHMARK(BM_CopyCellBetweenPanels)->Unit(benchmark::kMicrosecond);

void BM_DrawSpriteWithKeyColour(benchmark::State& state) {
  ShowMainWindow();
  std::ifstream in(XQ_SOURCE_DIR "/assets/sprites/piece08.gif", std::ios::binary);
  const std::vector<uint8_t> gif{std::istreambuf_iterator<char>(in), {}};
  const int32_t sprite = runtime::RegisterPicture(runtime::LoadPictureFromMemory(gif));
  for (auto _ : state) runtime::DrawPicture(kBuffer, sprite, 0, 0, 44, 44, -0xFFFFFF);
  runtime::UnregisterPicture(sprite);
  QCoreApplication::processEvents();
}
BENCHMARK(BM_DrawSpriteWithKeyColour)->Unit(benchmark::kMicrosecond);

void BM_CreateMainWindow(benchmark::State& state) {
  StartOnce();
  for (auto _ : state) {
    if (runtime::WindowUnit* window = runtime::LiveWindow(kMain)) runtime::DestroyWindow(*window);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    runtime::LoadStartWindow(kMain);
  }
  QCoreApplication::processEvents();
}
BENCHMARK(BM_CreateMainWindow)->Unit(benchmark::kMillisecond);

}  // namespace
