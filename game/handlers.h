// The table that makes the game's event handlers reachable from the window template. The
// handlers themselves live with what they handle: game/controller.h, game/record_file.h and
// game/about.h.
#pragma once

#include <span>

#include "runtime/windows/event_handlers.h"

namespace game {

// Every handler with the name the template binds it by, in one table.
std::span<const runtime::HandlerEntry> HandlerTable();
// Hands the table to the runtime; done before the runtime loads the window template.
void RegisterHandlers();

}  // namespace game
