// The board's menu items and their keys, listed once: the board's tooltip and the program's --help
// are both made from this table (the one in Chinese, the other with an English gloss).
#pragma once

#include <string_view>

namespace game {

struct BoardKey {
  std::string_view key;      // empty: a menu item without a key
  std::string_view name;     // the menu item
  std::string_view english;  // what it does, for --help
};

inline constexpr BoardKey kBoardKeys[] = {
    {"Ctrl+Z", "悔棋", "take back your last move and the reply"},
    {"Ctrl+H", "提示", "hint: the suggested move is selected"},
    {"", "难度 1-8", "the computer's level, kept for the next runs"},
    {"", "标准规则", "the full rules: check, mate and stalemate"},
    {"Ctrl+C", "复制局面", "copy the position (FEN) to the clipboard"},
    {"Ctrl+V", "粘贴局面", "paste a position (FEN) from the clipboard"},
    {"Ctrl+L", "棋谱", "the record window: the moves, replay, the result"},
    {"Ctrl+S", "保存棋谱…", "save the game as PGN"},
    {"Ctrl+O", "打开棋谱…", "open a game from a PGN file"},
    {"", "执黑", "play black: the computer has red and moves first"},
    {"Ctrl+A", "分析", "analysis: the engine's lines and best move for the position shown"},
    {"", "多线 1-3", "how many lines the analysis shows"},
    {"", "引擎…", "outside UCI/UCCI engines: add, test, choose the opponent and the analyst"},
};

}  // namespace game
