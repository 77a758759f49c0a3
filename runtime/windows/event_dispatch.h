// Unit events: one application-wide filter takes every input message before it reaches its widget,
// gives windows their keyboard behaviour and raises the unit's event; a handler's false result
// swallows the message.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/value.h"
#include "runtime/windows/unit_types.h"

namespace runtime {

class WindowUnit;

// The common input events of every unit.
namespace event {
inline constexpr int32_t kCreatedOrClicked = 0;  // a window created, a button clicked
inline constexpr int32_t kLeftPressed = -1;
inline constexpr int32_t kLeftReleased = -2;
inline constexpr int32_t kLeftDoubleClicked = -3;
inline constexpr int32_t kRightPressed = -4;
inline constexpr int32_t kRightReleased = -5;
inline constexpr int32_t kMouseMoved = -6;
inline constexpr int32_t kFocusedAtShow = -7;
inline constexpr int32_t kKeyPressed = -9;
inline constexpr int32_t kKeyReleased = -10;
inline constexpr int32_t kCharacter = -11;
inline constexpr int32_t kWheel = -12;
}  // namespace event

// The key state of an input event.
inline constexpr int32_t kKeyStateCtrl = 1;
inline constexpr int32_t kKeyStateShift = 2;
inline constexpr int32_t kKeyStateAlt = 4;

// Calls the handler bound to the unit's event, with the event's arguments. Nothing happens while
// a runtime error is being reported, or when the unit has no binding for the event or a binding
// without a handler; an inconsistent source is a runtime error. Returns the handler's result
// (kind 0 when there was none).
ValueRecord RaiseEvent(WindowId window, UnitId unit, int32_t event, std::span<const int32_t> args);

// Whether input for the window is still to become its units' events: false once the window is
// closing or gone, when the input is dropped instead.
bool WindowTakesInput(WindowUnit* window);

// Installs the filter on the application; safe to repeat.
void InstallEventDispatch();

// The system's virtual-key code of a Qt key (letters and digits as their upper-case character);
// 0 for keys without one.
int32_t VirtualKeyOf(int qtKey);

}  // namespace runtime
