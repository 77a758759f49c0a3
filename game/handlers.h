// The table that makes the game's event handlers reachable from the window template, and the one
// pointer through which they find the main window's game. The handlers themselves live with what
// they handle: game/controller.h, game/record_file.h and game/about.h.
#pragma once

#include <span>

#include "runtime/windows/event_handlers.h"

namespace game {

class MainWindowHost;

// Every handler with the name the template binds it by, in one table.
std::span<const runtime::HandlerEntry> HandlerTable();
// Hands the table to the runtime, with the host the handlers use; done before the runtime loads
// the window template. The host must outlive the windows (nothing: the handlers do nothing).
void RegisterHandlers(MainWindowHost* host);

}  // namespace game
