// The games of a file, to open one (打开棋谱 on a file of several games): number, red, black,
// result, event, date and plies a game, what is broken in a game at its line, and a filter that
// keeps the games whose words hold the text typed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "game/record/game_list.h"

namespace ui {

// Shows the list (modal, `caption` its title); the index of the game chosen, or nothing when the
// player cancelled.
std::optional<size_t> ChooseGameDialog(const record::GameList& list, const std::string& caption);

}  // namespace ui
