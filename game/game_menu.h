// The board's context menu and the same actions as keys of the main window: 悔棋, 提示, the
// level, the standard rules, and the position copied to and pasted from the clipboard.
#pragma once

#include <string>

namespace game {

// As the main window is made: the remembered choices, the menu on the board panel, the keys on
// the window, the board's tooltip naming them.
void InstallGameMenu();

// The menu's actions, also for the keys.
void CopyPosition();
// A valid position on the clipboard becomes a new game from it (the Computer moves first when
// the position says it is to move); anything else is refused with a box and nothing changes.
void PastePosition();

// The keys and where the menu is, one per line, for the board's tooltip (UTF-8).
std::string ShortcutHelpText();

}  // namespace game
