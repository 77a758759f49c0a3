// The run of a game: its state, the Human's clicks, the Computer's turn, the three labels and the
// end of the game; the program's start and end of the game's globals.
#pragma once

#include <cstdint>

#include "game/board.h"

namespace game {

// The game state. HumanToMove is 0 only inside ComputerTurn; the flags are toggled and tested as
// the numbers they are.
extern int32_t GameOver;
extern int32_t HumanToMove;
extern int32_t PieceSelected;
extern Square SelectedSquare;
extern Square TargetSquare;
extern int32_t StepCount;

// Every global of the game to its start value (empty boards, zero flags, lists and tables), and
// every global released at the end. CreateGlobals runs before the start window is loaded.
void CreateGlobals();
void ReleaseGlobals();

// Handlers bound in the window template.
void OnMainWindowCreated();
void NewGame();
void OnBoardClick(int32_t x, int32_t y);
void OnExitClick();

// The Human's move from SelectedSquare to TargetSquare: drawn, made, counted, answered.
void PerformHumanMove();
// The Computer's reply, its thinking time and the turn handed back.
void ComputerTurn();
// The turn's end once the Computer has moved (or could not): the time since `started`, the turn
// handed back, the end of the game judged.
void EndComputerTurn(int32_t started);
// Ends the game when one General is missing from both palaces.
void CheckGameEnd();
// "到你了..." when the Human is to move, "电脑思考中..." otherwise.
void ShowTurnText();

}  // namespace game
