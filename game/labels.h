// The game's words: the game tells what its labels show and how it ended as values
// (game/play/ports.h, game/play/session.h) and the window says it in words: the main window's
// three labels as GB18030 captions, the endings and results in UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "game/play/ports.h"
#include "game/play/session.h"

namespace game {

// "到你了...", "步数:3", "时间15毫秒" and the rest, in GB18030.
std::string LabelCaption(Label label, const Labels& labels);

// How a game ended, in the words of a record (UTF-8): 将死, 困毙, 吃将, 认输, 超时, or empty.
std::string EndingWords(Ending ending);
// The result from red's side and how the game ended: "红胜（将死）", "和棋（自然限着）"; empty
// while it goes on.
std::string ResultText(const Outcome& outcome, twoply::Colour human);
// The same for PGN: 1-0, 0-1, 1/2-1/2 or *.
std::string PgnResult(const Outcome& outcome, twoply::Colour human);
// What the game stands at, in one line for the record window:
// "你执红 · 轮到你 · 难度 2 · 内置引擎 · 简易规则 · 电脑用时 2.1 秒".
struct StatusFacts {
  twoply::Colour human = twoply::Colour::kRed;
  bool humanToMove = true;
  bool thinking = false;  // the Computer's reply is being searched
  Outcome outcome;
  int32_t level = 0;
  std::string opponent;  // the outside engine playing; empty: the built-in engine
  // An outside engine chosen that does not play at this level.
  std::string idleEngine;
  bool standardRules = false;
  std::optional<int32_t> thinkingMs;  // the Computer's last reply took this long
};
std::string StatusLine(const StatusFacts& facts);
// "不到 0.1 秒", "0.4 秒", "2.1 秒", "1 分 05 秒".
std::string SecondsText(int64_t ms);
// Where a ply of a line stands for a player: "第 3 回合红方" (rounds counted from the line's
// start, `blackBegan` when black made the first move).
std::string RoundText(size_t ply, bool blackBegan);
// Why a move was refused, in the player's words (UTF-8).
std::string ProblemWords(const engine::PositionProblem& problem);

}  // namespace game
