// The hint (提示): the engine's best move for the Human, shown as a selection and a marked
// target square, so one click on the target plays it.
#pragma once

#include <optional>

#include "game/board.h"

namespace game {

// The engine searches at the chosen level, at least level 4, on the worker thread.
inline constexpr int32_t kLowestHintLevel = 4;

// The Human is to move, the game is on and nothing is being searched.
bool CanHint();
// Starts the search for a hint; its move is shown when it arrives. A position the engine cannot
// take gets a hint from the game's rules when the Computer's General can be taken, else a box.
void RequestHint();
bool HintPending();
// Where the last hint points, while its mark is on the board.
std::optional<Square> HintTarget();

// Before a board click: a hint still being searched is dropped and the mark's square is drawn
// again as it was. False while the Computer thinks: the click is to be ignored.
bool ReadyForBoardClick();
// Drops a pending hint and forgets the mark without drawing (the whole board is drawn anew).
void ForgetHint();

}  // namespace game
