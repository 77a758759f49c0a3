// Why a move of the Human's was refused, in one line the player understands ("马脚被绊",
// "不能送将"): the piece's own law of movement first, then, under the standard rules, what the
// move would do to the player's own General.
#pragma once

#include <string>
#include <vector>

#include "game/twoply/board.h"

namespace game {

enum class Refusal {
  kNone,
  kNotItsMove,          // not a way this piece moves at all
  kPathBlocked,         // a chariot's or cannon's line is not clear
  kCannonNeedsScreen,   // a cannon takes over exactly one piece
  kHorseLegBlocked,     // 马脚被绊
  kElephantEyeBlocked,  // 塞象眼
  kElephantRiver,       // an elephant does not cross the river
  kPalace,              // the General and the advisors keep to the palace
  kSoldierBack,         // a soldier never goes back, nor sideways before the river
  kOwnPiece,
  kGeneralsFace,  // 将帅不能照面
  kIntoCheck,     // 不能送将
};

// The reason the move `from` → `to` on `board` is refused; kNone when the game's rules take it
// and, with `standardRules`, the full rules too.
Refusal WhyRefused(const twoply::BoardArray& board, twoply::Square from, twoply::Square to,
                   bool standardRules);
// The squares the piece on `from` may go to, as WhyRefused would take them (asked once, not for
// every square).
std::vector<twoply::Square> LegalTargets(const twoply::BoardArray& board, twoply::Square from,
                                         bool standardRules);
// The reason in the player's words (UTF-8).
std::string RefusalWords(Refusal refusal);

}  // namespace game
