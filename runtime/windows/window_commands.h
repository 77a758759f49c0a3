// The window and drawing commands: drawing on panels, the redraw lock, the file dialog, loading
// and destroying windows, and the interface look. Registered by the window system at start; the
// typed calls below go through the command convention like every other command.
#pragma once

#include <cstdint>
#include <optional>

#include "runtime/pictures/surface.h"
#include "runtime/value.h"
#include "runtime/windows/unit_ref.h"

namespace runtime {

// Puts every window and drawing command into the command table; safe to repeat.
void RegisterWindowCommands();

// Clear repaints the panel's background; omitted arguments reach the client area's edges.
void Clear(const UnitRef& panel);
void Clear(const UnitRef& panel, int32_t x, int32_t y, int32_t width, int32_t height);
// A line with the panel's pen.
void DrawLine(const UnitRef& panel, int32_t x1, int32_t y1, int32_t x2, int32_t y2);
// A registered picture at (x, y), stretched to width x height (nothing: its own size); mode is a
// copy mode, or minus a key colour for transparent drawing.
void DrawPicture(const UnitRef& panel, int32_t picture, int32_t x, int32_t y,
                 std::optional<int32_t> width = {}, std::optional<int32_t> height = {},
                 std::optional<int32_t> mode = {});
// Copies a rectangle of the source panel to (tx, ty) of the target panel with a copy mode.
void CopyTo(const UnitRef& source, int32_t x, int32_t y, int32_t width, int32_t height,
            const UnitRef& target, int32_t tx, int32_t ty, std::optional<int32_t> mode = {});
// A copy of a loaded drawing panel's pixels, at scale 1 (a window that shows the board apart
// from the panel); an empty surface for anything else.
Surface PanelSurface(const UnitRef& panel);
// The redraw lock: one window at a time.
void DisableRedraw(const UnitRef& unit);
void AllowRedraw(const UnitRef& unit);
// Shows the file dialog a CommonDlg unit describes; true when the user confirmed a file.
bool OpenDialog(const UnitRef& dialog);
// Creates a window of the template (only activates one that exists); false on failure.
bool LoadWindow(const UnitRef& window, bool modal);
bool LoadWindow(const UnitRef& window, const UnitRef& owner, bool modal);
// A window: marked closing and asked to close (destroyed at once when atOnce); another unit:
// destroyed.
void Destroy(const UnitRef& unit, bool atOnce = false);
// Looks 1, 2 and 3 for every standard control; any other value removes the look. True when a
// look was installed.
bool SetInterfaceStyle(int32_t look);

}  // namespace runtime
