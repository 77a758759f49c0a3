// The game's words: the game tells what its labels show and how it ended as values
// (game/play/ports.h, game/play/session.h) and the window says it in words: the main window's
// three labels as GB18030 captions, the endings and results in UTF-8.
#pragma once

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
// Why a board cannot stand in a game, in the player's words (UTF-8).
std::string ProblemWords(const engine::PositionProblem& problem);

}  // namespace game
