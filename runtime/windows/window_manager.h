// Windows made from the template: creation with their units, activation of one that exists,
// closing and destruction, and the message loop that runs until the last window is gone.
#pragma once

#include <cstdint>

#include "runtime/value.h"
#include "runtime/windows/unit_ref.h"

namespace runtime {

class Unit;
class WindowUnit;

// Sets up the window system once a QApplication exists and the runtime has started: the window
// template read (the game registers its event handlers before), the interface font, the event
// dispatch, the window and drawing commands, and the closing of windows left at shutdown. Safe to
// repeat.
void InitWindowSystem();

// Creates the window from its template record and shows it when its visible flag is set; false
// when the record is missing or a unit cannot be created. A window that exists and is not
// closing is only activated. `owner` (0 for none) is the window that owns the new one.
bool LoadWindowFromTemplate(WindowId id, WindowId owner, bool modal);
// The same for the start window, whose failure is the runtime error "载入启动窗口失败".
void LoadStartWindow(WindowId id);

// Null when the window or unit is not loaded.
WindowUnit* LiveWindow(WindowId id);
Unit* LiveUnit(WindowId window, UnitId unit);
int32_t LiveWindowCount();
// The live unit a command argument names; the runtime error "指定窗口或窗口组件不存在或尚未载入"
// when there is none.
Unit& UnitArgumentOf(const ValueRecord& argument);

// Marks the window closing and posts it a close request: it goes when the request is processed.
void RequestWindowClose(WindowUnit& window);
// Destroys the window now, with the windows it owns; the last window's end posts the quit message.
void DestroyWindow(WindowUnit& window);

// Processes messages until the quit message; returns at once when no window exists.
void RunMessageLoop();

}  // namespace runtime
