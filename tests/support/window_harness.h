// The game's two windows on the offscreen platform, with handlers that record every event they
// receive instead of the game's routines.
#pragma once

#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "game/units.h"
#include "runtime/windows/draw_panel.h"
#include "runtime/windows/unit_ref.h"
#include "runtime/windows/window_unit.h"

namespace testing_support {

inline constexpr runtime::WindowId kMainWindow = game::kMainWindowId;
inline constexpr runtime::WindowId kAboutWindow = game::kAboutWindowId;
inline constexpr runtime::UnitRef kMain{kMainWindow, 0x06010000, runtime::unit_type::kWindow};
inline constexpr runtime::UnitRef kAbout{kAboutWindow, 0x0601054a, runtime::unit_type::kWindow};
inline constexpr runtime::UnitRef kBoardPanel{kMainWindow, 0x1601000c,
                                              runtime::unit_type::kDrawPanel};
inline constexpr runtime::UnitRef kCleanPanel{kMainWindow, 0x16010172,
                                              runtime::unit_type::kDrawPanel};
inline constexpr runtime::UnitRef kBufferPanel{kMainWindow, 0x160100b5,
                                               runtime::unit_type::kDrawPanel};
inline constexpr runtime::UnitRef kStepLabel{kMainWindow, 0x1601052e,
                                             runtime::unit_type::kTransLabel};
inline constexpr runtime::UnitRef kStatusLabel{kMainWindow, 0x16010539,
                                               runtime::unit_type::kTransLabel};
inline constexpr runtime::UnitRef kLink{kMainWindow, 0x160105cc, runtime::unit_type::kHyperLinker};
inline constexpr runtime::UnitRef kDialog{kMainWindow, 0x160103f8, runtime::unit_type::kCommonDlg};
inline constexpr runtime::UnitRef kNewGameButton{kMainWindow, 0x1601004c,
                                                 runtime::unit_type::kButton};
inline constexpr runtime::UnitRef kAboutButton{kMainWindow, 0x16010548,
                                               runtime::unit_type::kButton};

struct Heard {
  std::string handler;
  std::vector<int32_t> args;
  bool windowVisible = false;  // whether the window of the handler was on screen as it ran
};

// Events reaching the recording handlers, in order.
std::vector<Heard>& HeardEvents();
// What the board panel's press handler returns: nothing, or a logic value.
enum class PressAnswer { kNothing, kTrue, kFalse };
void SetPressAnswer(PressAnswer answer);

// The application, the window system and a fresh copy of the embedded template with the recording
// handlers (or, with `withBoardHandler` false, without the board panel's handler).
void StartWindows(bool withBoardHandler = true);
// Destroys every window that is left and lets their widgets go.
void StopWindows();
// Runs posted events, deferred deletes included.
void Settle();

runtime::Unit& LiveUnitOf(const runtime::UnitRef& ref);
QWidget& WidgetOf(const runtime::UnitRef& ref);
runtime::DrawPanel& PanelOf(const runtime::UnitRef& ref);
runtime::WindowUnit& WindowOf(runtime::WindowId id);

}  // namespace testing_support
