// Every item of the program's menus, listed once: its id, its name, its key and what it does in
// English. The board's menu, the record window's menu bar, the board's tooltip and the program's
// --help are all made from this table (game/game_menu.h).
#pragma once

#include <cstdint>
#include <string_view>

namespace game {

enum MenuItemId : int32_t {
  kTakeBackItem = 1,
  kHintItem,
  kLevelsItem,  // the submenu of the levels: kLevelItemBase + 1..8
  kRulesItem,
  kCopyItem,
  kPasteItem,
  kRecordItem,
  kSavePgnItem,
  kOpenPgnItem,
  kBlackItem,
  kAnalysisItem,
  kLinesItem,  // the submenu of the analysis's lines: kLinesItemBase + 1..3
  kEnginesItem,
  kContinueItem,
  kNotationItem,  // the submenu of the record's notations: kNotationItemBase + 0..2
  kSetUpItem,
  kSettingsItem,
  kResignItem,
  kDrawItem,
  kRecentItem,
  kCopyRecordItem,
  kUndoEditItem,
  kPromoteItem,
  kRemoveVariationItem,
  kCommentItem,
  kInfoItem,
  kHintsItem,
  kScaleItem,  // the submenu of the board's sizes: kScaleItemBase + 2..4 (in halves)
  kLevelItemBase = 100,
  kLinesItemBase = 200,
  kNotationItemBase = 300,
  kScaleItemBase = 400,
};

struct MenuItem {
  MenuItemId id;
  std::string_view name;     // as the menu shows it
  std::string_view key;      // empty: no key
  std::string_view range;    // a submenu's choices, as the tooltip and --help name them
  std::string_view english;  // what it does, for --help; empty: not listed there
};

inline constexpr MenuItem kMenuItems[] = {
    {kTakeBackItem, "悔棋", "Ctrl+Z", "", "take back your last move and the reply"},
    {kHintItem, "提示", "Ctrl+H", "", "hint: the suggested move is selected"},
    {kLevelsItem, "难度", "", "1-8", "the computer's level, kept for the next runs"},
    {kRulesItem, "标准规则", "", "", "the full rules: check, mate and stalemate"},
    {kCopyItem, "复制局面", "Ctrl+C", "", "copy the position (FEN) to the clipboard"},
    {kCopyRecordItem, "复制棋谱", "Ctrl+Shift+C", "",
     "copy the game to the clipboard as PGN (and as DhtmlXQ)"},
    {kPasteItem, "粘贴局面", "Ctrl+V", "",
     "paste a position (FEN) or a game (PGN, DhtmlXQ) from the clipboard"},
    {kSetUpItem, "摆棋…", "Ctrl+E", "", "set up a position on an empty board and play it"},
    {kRecordItem, "棋谱", "Ctrl+L", "", "the record window: the moves, replay, the result"},
    {kHintsItem, "显示提示", "", "",
     "marks on the board: the last move, a check, where a piece may go, why a move was refused"},
    {kSavePgnItem, "保存棋谱…", "Ctrl+S", "", "save the game as PGN or XQF"},
    {kOpenPgnItem, "打开棋谱…", "Ctrl+O", "", "open a game from a PGN, XQF or DhtmlXQ file"},
    {kBlackItem, "执黑", "", "", "play black: the computer has red and moves first"},
    {kScaleItem, "放大棋盘", "", "1×-2×",
     "the board (and the whole window) at 1, 1.5 or 2 times its size; the program starts again"},
    {kSettingsItem, "对局设置…", "", "",
     "the game's settings: level, colour, rules and a clock for both sides"},
    {kResignItem, "认输", "", "", "give the game up"},
    {kDrawItem, "提和", "", "",
     "offer a draw: taken after 20 rounds when the game is even, or when neither side can win"},
    {kAnalysisItem, "分析", "Ctrl+A", "",
     "analysis: the engine's lines and best move for the position shown"},
    {kLinesItem, "多线", "", "1-3", "how many lines the analysis shows"},
    {kEnginesItem, "引擎…", "", "",
     "outside UCI/UCCI engines: add, test, choose the opponent and the analyst"},
    {kContinueItem, "从此处继续", "", "", ""},
    {kRecentItem, "最近的对局…", "", "", ""},
    {kNotationItem, "记谱", "", "", ""},
    // The record window's edits of the move shown.
    {kUndoEditItem, "撤销", "Ctrl+Z", "", ""},
    {kPromoteItem, "升为主线", "", "", ""},
    {kRemoveVariationItem, "删除此变", "", "", ""},
    {kCommentItem, "编辑注释…", "", "", ""},
    {kInfoItem, "棋局信息…", "", "", ""},
};

constexpr const MenuItem& Item(MenuItemId id) {
  for (const MenuItem& item : kMenuItems)
    if (item.id == id) return item;
  return kMenuItems[0];
}

}  // namespace game
