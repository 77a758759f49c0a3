// The Computer's strength and rules as the player chose them, and its move under them: levels 1
// and 2 are the two-ply search inside the click; levels 3 to 8 are the full-rules engine thinking
// on a worker thread, its move coming back to the user-interface thread. Also the game's boundary
// to the engine: the board as an engine position, and moves both ways.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "engine/position.h"
#include "game/board.h"

namespace game {

inline constexpr int32_t kMinLevel = 1;
inline constexpr int32_t kMaxLevel = 8;
inline constexpr int32_t kDefaultLevel = 2;

int32_t Level();
// A level chosen in the window: used from the Computer's next move on and remembered.
void ChooseLevel(int32_t level);
bool StandardRules();
// The full rules on or off, from the next move on, remembered.
void ChooseStandardRules(bool on);
// The remembered choices, as the window opens; a level given for this run wins over the
// remembered one.
void LoadRememberedChoices();
// A level for this run only (the command line's); ignored outside 1..8.
void OverrideLevelForThisRun(int32_t level);

// The Computer's move of this turn, after the Human's move: true when the turn is over now
// (levels 1 and 2, or nothing to think about); false when the engine thinks on the worker, and
// EndComputerTurn follows when its move has been drawn and made.
bool PlayComputerReply(int32_t started);
bool ComputerThinking();
// Stops the Computer's search, waits for its thread and drops its move; true when it was thinking.
// HumanToMove stays as it is: the caller decides whose turn it is now.
bool StopThinking();

// The Human's move from `from` to `to` by the game's rules and, with the standard rules, one that
// leaves the own General safe and the Generals apart.
bool HumanMoveAllowed(Square from, Square to);
// At the end of the Computer's turn, with the standard rules: a Computer without a legal move
// loses, a Human without one loses, a Human in check reads "将军!" before "到你了...".
void JudgeStandardRules();

// The board as an engine position with `toMove` to move; nothing when the engine refuses it
// (a General missing, pieces where they cannot stand, the side not to move in check).
std::optional<engine::Position> EnginePosition(const BoardArray& board, Side toMove);
// The position of the line played so far, so the engine sees its repetitions; the bare position
// when the line cannot be replayed under the full rules.
std::optional<engine::Position> LinePosition(Side toMove);
engine::Move ToEngineMove(const Move& move);
Move FromEngineMove(engine::Move move);

// One engine search on the worker thread: `arrived` gets its best move (kNoMove when there is no
// legal move) on the user-interface thread. The Computer's move and the hint share the engine,
// one search at a time. Returns the search's job.
uint64_t StartEngineSearch(const engine::Position& position, int32_t level,
                           std::function<void(engine::Move)> arrived);
// Stops a search started above; true when it was still running.
bool StopEngineSearch(uint64_t job);
// A new game for the engine: what it learnt in the last one (its table, killers, history) goes.
// Only while nothing is being searched.
void ForgetEngineMemory();

}  // namespace game
