// The game's board and moves in the full-rules engine's terms. The game's FEN is already the
// common one (row 1 is black's back rank, upper case is red, the Human), so a position crosses as
// its FEN with the side named; squares cross by arithmetic.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/board.h"

namespace game {

// The board with `toMove` to move; nothing, with the engine's reason in `error` when given, when
// the engine refuses it (a General missing, pieces where they cannot stand, the side not to move
// in check).
std::optional<engine::Position> EnginePosition(const BoardArray& board, Side toMove,
                                               std::string* error = nullptr);
engine::Move ToEngineMove(const Move& move);
Move FromEngineMove(engine::Move move);

// The moves played from `start` (the Human moving first), replayed so the engine sees their
// repetitions, when they lead to `now` with `toMove` to move; otherwise `now` on its own.
std::optional<engine::Position> LinePosition(const BoardArray& start,
                                             const std::vector<Move>& moves, const BoardArray& now,
                                             Side toMove);

}  // namespace game
