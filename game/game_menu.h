// The program's menus over the one list of items (game/menu_items.h): the board's context menu
// (右键) with its keys on the main window, the record window's menu bar, what each item does and
// whether it can now, the board's tooltip and the keys as --help lists them. A person who never
// opens a menu plays the game exactly as before.
#pragma once

#include <string>
#include <vector>

#include "runtime/windows/context_menu.h"

namespace game {

class WindowGame;

// As the main window is made: the menu on the board panel, the keys on the window, the board's
// tooltip naming them.
void InstallBoardMenu(WindowGame& window);

// The record window's menu bar: 棋局, 记谱 and 分析.
std::vector<runtime::MenuEntry> RecordWindowMenuEntries();

// Every item's state when its menu opens or its key is pressed, and its action.
runtime::MenuItemState MenuItemStateOf(WindowGame& window, int32_t id);
void ActOnMenuItem(WindowGame& window, int32_t id);

// A position (FEN) starts a game: from the clipboard, the editor or the command line. One that no
// game can reach is refused with every reason in a box (and on standard error from the command
// line) and the board stays; false then.
enum class PositionSource { kClipboard, kEditor, kCommandLine };
bool StartFromPosition(WindowGame& window, const std::string& fen, PositionSource source);

// The keys and where the menu is, one per line, for the board's tooltip (UTF-8).
std::string ShortcutHelpText();
// The menu's items and keys with what they do in English, one per line, for --help.
std::string KeysHelpText();
// 使用说明: how to play, every menu item with its key and what it does, the levels, the files
// and the command line, as Markdown (UTF-8). `recentFolder` is where the recent games are kept.
std::string HelpText(const std::string& recentFolder);

}  // namespace game
