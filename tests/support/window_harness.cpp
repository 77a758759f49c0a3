#include "tests/support/window_harness.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "runtime/windows/event_handlers.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_template.h"
#include "tests/support/application.h"

namespace testing_support {

namespace {

PressAnswer pressAnswer = PressAnswer::kNothing;

runtime::ValueRecord Record(const char* name, std::span<const int32_t> args) {
  const bool about = std::string_view(name) == "OnAboutWindowCreated";
  runtime::WindowUnit* window = runtime::LiveWindow(about ? kAboutWindow : kMainWindow);
  HeardEvents().push_back(
      {name, {args.begin(), args.end()}, window != nullptr && window->isVisible()});
  return {};
}

template <const char* Name>
runtime::ValueRecord Recorder(std::span<const int32_t> args) {
  return Record(Name, args);
}

runtime::ValueRecord BoardPress(std::span<const int32_t> args) {
  Record("OnBoardClick", args);
  if (pressAnswer == PressAnswer::kNothing) return {};
  return runtime::MakeLogic(pressAnswer == PressAnswer::kTrue);
}

constexpr char kCreated[] = "OnMainWindowCreated";
constexpr char kAboutCreated[] = "OnAboutWindowCreated";
constexpr char kAboutClick[] = "OnAboutClick";
constexpr char kExitClick[] = "OnExitClick";
constexpr char kOpen[] = "OpenGame";
constexpr char kSave[] = "SaveGame";
constexpr char kNewGame[] = "NewGame";

}  // namespace

std::vector<Heard>& HeardEvents() {
  static std::vector<Heard> heard;
  return heard;
}

void SetPressAnswer(PressAnswer answer) {
  pressAnswer = answer;
}

void StartWindows(bool withBoardHandler) {
  TestApplication();
  std::vector<runtime::HandlerEntry> table = {
      {kCreated, Recorder<kCreated>},
      {kAboutCreated, Recorder<kAboutCreated>},
      {kAboutClick, Recorder<kAboutClick>},
      {kExitClick, Recorder<kExitClick>},
      {kOpen, Recorder<kOpen>},
      {kSave, Recorder<kSave>},
      {kNewGame, Recorder<kNewGame>},
  };
  if (withBoardHandler) table.push_back({"OnBoardClick", BoardPress});
  ASSERT_TRUE(runtime::RegisterEventHandlers(table));
  runtime::InitWindowSystem();
  runtime::LoadWindowTemplate();
  HeardEvents().clear();
  pressAnswer = PressAnswer::kNothing;
}

void Settle() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  QCoreApplication::processEvents();
}

void StopWindows() {
  for (runtime::WindowRecord& record : runtime::LoadedWindowTemplate().windows)
    if (auto* window = static_cast<runtime::WindowUnit*>(record.object))
      runtime::DestroyWindow(*window);
  Settle();
  // The last window's end posts the quit message; a later loop must not see it.
  QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
}

runtime::Unit& LiveUnitOf(const runtime::UnitRef& ref) {
  runtime::Unit* unit = runtime::LiveUnit(ref.window, ref.unit);
  if (unit == nullptr) throw std::runtime_error("unit not loaded");
  return *unit;
}

QWidget& WidgetOf(const runtime::UnitRef& ref) {
  return *LiveUnitOf(ref).Widget();
}

runtime::DrawPanel& PanelOf(const runtime::UnitRef& ref) {
  return dynamic_cast<runtime::DrawPanel&>(LiveUnitOf(ref));
}

runtime::WindowUnit& WindowOf(runtime::WindowId id) {
  runtime::WindowUnit* window = runtime::LiveWindow(id);
  if (window == nullptr) throw std::runtime_error("window not loaded");
  return *window;
}

}  // namespace testing_support
