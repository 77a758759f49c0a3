// The main window's one game: a Session shown on the window's panels and labels, its searches on
// the runtime's background jobs and the player's choices in the settings file. The Session is
// made as the main window is created and ends with it.
#pragma once

#include <cstdint>
#include <functional>

#include "game/play/session.h"

namespace game {

// Makes the game of the main window being created, with its remembered choices.
void OpenWindowGame();
// The game of the main window; only while the main window exists.
Session& TheGame();
// `listener` hears every change of the line, the position replayed or the outcome.
void SetLineListener(std::function<void()> listener);
// A colour for this run only (the command line's --black).
void OverrideColourForThisRun(twoply::Colour colour);
// A level for this run only (the command line's), given to every game the window opens.
void OverrideLevelForThisRun(int32_t level);

}  // namespace game
