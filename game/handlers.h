// The game's event handlers and the table that makes them reachable from the window template.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/windows/event_handlers.h"

namespace game {

// Main window created: sets up the look, starts a new game, loads the evaluation tables.
void OnMainWindowCreated();
// Left button pressed on the board panel at x, y (panel pixels); the key state is not used.
void OnBoardClick(int32_t x, int32_t y);
// The buttons of the main window.
void OnAboutClick();
void OnExitClick();
void OpenGame();
void SaveGame();
void NewGame();
// About window created: puts the about text into its label.
void OnAboutWindowCreated();

// The game's globals: created by the entry routine before the start window, released by the
// clean-up routine at the end.
void CreateGlobals();
void ReleaseGlobals();

// Every handler with the name the template binds it by, in one table.
std::span<const runtime::HandlerEntry> HandlerTable();
// Hands the table to the runtime; done before the runtime loads the window template.
void RegisterHandlers();

}  // namespace game
