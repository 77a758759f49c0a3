// Taking moves back (悔棋): the state before each of the Human's moves, kept from the start of the
// game or from the position last opened or pasted, and the line of moves played since then.
#pragma once

#include <optional>
#include <vector>

#include "game/board.h"

namespace game {

// Remembers everything a take-back restores: Board, the flags, the selection and its highlight,
// StepCount and the three labels. Called as the Human's move begins, before anything changes.
void RememberBeforeHumanMove();
// Adds the Computer's reply to the line (for the engine's view of repetitions).
void NoteComputerMove(const Move& move);
// Forgets every remembered move: a new game, or a board replaced from a record or a paste.
void ForgetTakeBacks();

bool CanTakeBack();
// Takes back the Human's last move and the Computer's reply, stopping a search of that reply, and
// shows the state from before that move again. Nothing happens when there is nothing to take back.
void TakeBack();

// The moves of the line in order, Human's and Computer's, and the board they start from (Board
// itself when nothing was played).
struct GameLine {
  BoardArray start;
  std::vector<Move> moves;
};
GameLine CurrentLine();

}  // namespace game
