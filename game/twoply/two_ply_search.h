// The computer's choice: a fixed-depth negamax alpha-beta search on SearchBoard.
#pragma once

#include <cstdint>

#include "game/twoply/board.h"

namespace twoply {

// Plies searched; 2 in the game, 1..4 allowed (one row of MoveLists per ply).
extern int16_t SearchDepth;
// The move chosen at the root of the latest search.
extern Move BestMove;
// Whether the latest search set BestMove: false when the root had no move, the game was already
// decided there, or no move scored above the window.
extern bool BestMoveSet;

inline constexpr int32_t kWindow = 20000;
inline constexpr int32_t kGameOverBase = 19999;

// The won or lost score of a node whose position lacks a General (looked for in both palaces),
// seen from the side to move at that depth; 0 while both Generals are there.
int32_t GameOverScore(int16_t depth, const BoardArray& board);

// Searches SearchBoard for the side to move at `depth` and returns its score; at the root
// (depth == SearchDepth) a strictly better move replaces BestMove.
int32_t AlphaBeta(int32_t alpha, int32_t beta, int16_t depth);

// Trial moves on SearchBoard: MakeMove returns the code it captured, UnmakeMove restores it.
int16_t MakeMove(const Move& move);
void UnmakeMove(const Move& move, int16_t captured);

// Move sequences of `depth` plies on SearchBoard with `side` first, every move made and unmade; a
// position without both Generals in their palaces has no moves.
uint64_t Perft(int16_t depth, Side side);

// Whether the computer's General stands in its palace on `board`.
bool ComputerGeneralInPalace(const BoardArray& board);

// The computer's choice on Board. `searched` is false when the computer's General is gone (no
// search runs); `moved` is false when the search set no move, and then nothing changes.
struct ComputerChoice {
  bool searched = false;
  bool moved = false;
  Move move{};
  int32_t score = 0;
};

// Copies Board into SearchBoard, searches, and makes the chosen move on SearchBoard only, so the
// caller can still show the move against Board before CommitComputerMove.
ComputerChoice ChooseComputerMove();
// Board = SearchBoard.
void CommitComputerMove();
// Both steps: the whole computer move on Board.
ComputerChoice PlayComputerMove();

}  // namespace twoply
