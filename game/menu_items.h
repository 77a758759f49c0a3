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
  kHintsItem,
  kScaleItem,  // the submenu of the board's sizes: kScaleItemBase + 2..4 (in halves)
  kResultBoxItem,
  kHelpItem,
  kLevelItemBase = 100,
  kLinesItemBase = 200,
  kNotationItemBase = 300,
  kScaleItemBase = 400,
};

struct MenuItem {
  MenuItemId id;
  std::string_view name;      // as the menu shows it
  std::string_view key;       // empty: no key
  std::string_view range;     // a submenu's choices, as the tooltip and --help name them
  std::string_view english;   // what it does, for --help; empty: not listed there
  std::string_view tip = {};  // what the menu says of it under the pointer
};

inline constexpr MenuItem kMenuItems[] = {
    {kTakeBackItem, "悔棋", "Ctrl+Z", "", "take back your last move and the reply",
     "收回你的上一步和电脑的应着。"},
    {kHintItem, "提示", "Ctrl+H", "", "hint: the suggested move is selected",
     "电脑替你想一步：选中要走的棋子并标出目标，再点一下就走。"},
    {kLevelsItem, "难度", "", "1-8", "the computer's level, kept for the next runs",
     "电脑的棋力：1、2 是程序自己的两步搜索，3-8 是完整规则的引擎。"},
    {kRulesItem, "标准规则", "", "", "the full rules: check, mate and stalemate",
     "按完整规则下：不能送将，将帅不能照面，将死和困毙结束对局，长将、长捉判负。"},
    {kCopyItem, "复制局面", "Ctrl+C", "", "copy the position (FEN) to the clipboard",
     "把眼前的局面（FEN）复制到剪贴板。"},
    {kPasteItem, "粘贴局面", "Ctrl+V", "", "paste a position (FEN) from the clipboard",
     "从剪贴板里的局面（FEN）开始新的一盘。"},
    {kSetUpItem, "摆棋…", "Ctrl+E", "", "set up a position on an empty board and play it",
     "在空棋盘上摆出一个局面，从它开始下。"},
    {kRecordItem, "棋谱", "Ctrl+L", "", "the record window: the moves, replay, the result",
     "棋谱窗口：每一步着法、回看、结果、分析和分数曲线。"},
    {kHintsItem, "显示提示", "", "",
     "marks on the board: the last move, a check, where a piece may go, why a move was refused",
     "在棋盘上标出上一步、将军、选中棋子能去的点和走不了的原因。"},
    {kSavePgnItem, "保存棋谱…", "Ctrl+S", "", "save the game as PGN",
     "把整盘棋存成棋谱文件（PGN）：开始的局面、每一步、结果和对局信息。"
     "「保存棋局」只存眼前这一个局面。"},
    {kOpenPgnItem, "打开棋谱…", "Ctrl+O", "", "open a game from a PGN file",
     "打开一盘棋的棋谱文件（PGN），可以一步步回看，也可以从任何一步接着下。"
     "「读取棋局」只读入一个局面。"},
    {kBlackItem, "执黑", "", "", "play black: the computer has red and moves first",
     "你执黑：电脑执红先走。"},
    {kScaleItem, "放大棋盘", "", "1×-2×",
     "the board (and the whole window) at 1, 1.5 or 2 times its size; the program starts again",
     "把棋盘放大到 1.5 倍或 2 倍；程序重新启动，这盘棋接着下。"},
    {kSettingsItem, "对局设置…", "", "",
     "the game's settings: level, colour, rules and a clock for both sides",
     "难度、执黑、标准规则和双方的棋钟。"},
    {kResignItem, "认输", "", "", "give the game up", "认输，这盘棋记为你输。"},
    {kDrawItem, "提和", "", "",
     "offer a draw: taken after 20 rounds when the game is even, or when neither side can win",
     "向电脑提和：满 20 回合且局面均衡，或者双方都没有进攻的子力时电脑同意。"},
    {kAnalysisItem, "分析", "Ctrl+A", "",
     "analysis: the engine's lines and best move for the position shown",
     "让引擎分析棋盘上的局面：深度、分数、速度和着法，最好的一步画成箭头。"},
    {kLinesItem, "多线", "", "1-3", "how many lines the analysis shows", "分析显示几条着法。"},
    {kEnginesItem, "引擎…", "", "",
     "outside UCI/UCCI engines: add, test, choose the opponent and the analyst",
     "添加外部引擎（UCI/UCCI），选择和电脑对弈的引擎和分析用的引擎。"},
    {kContinueItem, "从此处继续", "", "", "",
     "把回看中的这个局面当作对局，从这里接着下（后面的着法删去）。"},
    {kRecentItem, "最近的对局…", "", "", "",
     "程序自动留下的最近 50 盘棋（退出、新开局、打开棋谱之前都会留下），选一盘打开。"},
    {kResultBoxItem, "终局提示框", "", "", "", "对局结束时另外弹出一个框说明结果。"},
    {kHelpItem, "使用说明", "F1", "", "", "按键、菜单、难度和文件的说明。"},
    {kNotationItem, "记谱", "", "", "", "棋谱用中文、WXF 或 ICCS 记谱。"},
};

constexpr const MenuItem& Item(MenuItemId id) {
  for (const MenuItem& item : kMenuItems)
    if (item.id == id) return item;
  return kMenuItems[0];
}

}  // namespace game
