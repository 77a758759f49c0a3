// The main window's handlers: its creation, the board's clicks, 新开局 and 退出. Each hands the
// player's action to the window's game (game/window_game.h).
#pragma once

#include <cstdint>
#include <optional>

#include "game/twoply/board.h"

namespace game {

class MainWindowHost;
class WindowGame;

void OnMainWindowCreated(MainWindowHost& host);
void NewGame(WindowGame& window);
void OnBoardClick(WindowGame& window, int32_t x, int32_t y);
void OnExitClick();

// The square under panel pixel (x, y) of the board (48-pixel cells), or nothing outside the grid.
std::optional<twoply::Square> SquareAt(int32_t x, int32_t y);

}  // namespace game
