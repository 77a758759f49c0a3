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
  kCopyRecordItem,
  kUndoEditItem,
  kPromoteItem,
  kRemoveVariationItem,
  kCommentItem,
  kInfoItem,
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
    {kCopyRecordItem, "复制棋谱", "Ctrl+Shift+C", "",
     "copy the game to the clipboard as PGN (and as DhtmlXQ)",
     "把整盘棋（变着和注释在内）以 PGN 复制到剪贴板，旁边另有 DhtmlXQ 格式。"},
    {kPasteItem, "粘贴局面", "Ctrl+V", "",
     "paste a position (FEN) or a game (PGN, DhtmlXQ) from the clipboard",
     "从剪贴板里的局面（FEN）开始新的一盘，或打开剪贴板里的棋谱（PGN 或 DhtmlXQ）。"},
    {kSetUpItem, "摆棋…", "Ctrl+E", "", "set up a position on an empty board and play it",
     "在空棋盘上摆出一个局面，从它开始下。"},
    {kRecordItem, "棋谱", "Ctrl+L", "", "the record window: the moves, replay, the result",
     "棋谱窗口：每一步着法、回看、结果、分析和分数曲线。"},
    {kHintsItem, "显示提示", "", "",
     "marks on the board: the last move, a check, where a piece may go, why a move was refused",
     "在棋盘上标出上一步、将军、选中棋子能去的点和走不了的原因。"},
    {kSavePgnItem, "保存棋谱…", "Ctrl+S", "", "save the game as PGN or XQF",
     "把整盘棋存成棋谱文件（PGN，或文件名以 .xqf 结尾时存成 XQF）：开始的局面、每一步、变着、"
     "注释、结果和对局信息。"
     "「保存棋局」只存眼前这一个局面。"},
    {kOpenPgnItem, "打开棋谱…", "Ctrl+O", "", "open a game from a PGN, XQF or DhtmlXQ file",
     "打开棋谱文件（PGN、XQF 或 DhtmlXQ），连同变着和注释，可以一步步回看，也可以从任何一步"
     "接着下；一个文件有几盘棋时先列出来选一盘。"
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
     "把回看中的这个局面当作对局，从这里接着下（后面的着法留在棋谱里）。"},
    {kRecentItem, "最近的对局…", "", "", "",
     "程序自动留下的最近 50 盘棋（退出、新开局、打开棋谱之前都会留下），选一盘打开。"},
    {kResultBoxItem, "终局提示框", "", "", "", "对局结束时另外弹出一个框说明结果。"},
    {kHelpItem, "使用说明", "F1", "", "", "按键、菜单、难度和文件的说明。"},
    {kNotationItem, "记谱", "", "", "", "棋谱用中文、WXF 或 ICCS 记谱。"},
    // The record window's edits of the move shown.
    {kUndoEditItem, "撤销", "Ctrl+Z", "", "",
     "在棋谱窗口里撤销棋谱的上一次编辑（升为主线、删除此变、注释、棋局信息）。"},
    {kPromoteItem, "升为主线", "", "", "", "把眼前这步所在的变着升为主线。"},
    {kRemoveVariationItem, "删除此变", "", "", "",
     "删除眼前这步所在的变着和它后面的着法（先问一下，可以撤销）。"},
    {kCommentItem, "编辑注释…", "", "", "", "编辑眼前这步之后的注释（开局时是第一步之前的）。"},
    {kInfoItem, "棋局信息…", "", "", "",
     "赛事、地点、日期、轮次、红方、黑方、结果、开局、ECCO 和棋谱里的其他标签。"},
};

constexpr const MenuItem& Item(MenuItemId id) {
  for (const MenuItem& item : kMenuItems)
    if (item.id == id) return item;
  return kMenuItems[0];
}

}  // namespace game
