// The main window's handlers: its creation, the board's clicks, 新开局 and 退出. Each hands the
// player's action to the window's game (game/window_session.h).
#pragma once

#include <cstdint>

namespace game {

void OnMainWindowCreated();
void NewGame();
void OnBoardClick(int32_t x, int32_t y);
void OnExitClick();

}  // namespace game
