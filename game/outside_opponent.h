// An outside engine as the Computer (levels 3 to 8): the engine chosen in 引擎… or given for one
// run by `xiangqi --engine COMMAND` answers the game's questions through its process. When it
// fails, the player is told which engine and what went wrong, its process is ended, and the
// built-in engine plays on at the chosen level with nothing of the game lost.
#pragma once

#include <string>

namespace game {

// As the main window is made (after its game): the chosen engine becomes the Computer.
void InstallOutsideOpponent();
// COMMAND plays for this run only, whatever is chosen.
void UseOpponentEngineForThisRun(std::string command);
// The choice changed (the engine dialog): the new engine plays from the next reply on.
void OpponentChoiceChanged();
// The engine given for this run gives way to the one chosen (the player chose in the dialog).
void ForgetOpponentForThisRun();
// The name of the outside engine playing now, or empty for the built-in engine.
std::string OpponentName();

}  // namespace game
