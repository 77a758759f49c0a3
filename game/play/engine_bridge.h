// The game's board and moves in the full-rules engine's terms. The game keeps the Human's pieces
// below (codes 8..14) whatever their colour; for a Human playing red that is already the common
// FEN's view (row 1 is black's back rank, upper case is red), and for a Human playing black the
// board turns half a circle and the colours swap. A position crosses as its FEN with the side
// named; squares cross by arithmetic.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/twoply/board.h"

namespace game {

// The board as the common FEN sees it, red below: the same board for a red Human; turned and
// with the codes of the two sides swapped for a black one. Its own inverse.
twoply::BoardArray RedBelow(const twoply::BoardArray& board, twoply::Colour human);
// The side that has red.
inline twoply::Side RedSide(twoply::Colour human) {
  return human == twoply::Colour::kRed ? twoply::Human : twoply::Computer;
}

// The board with `toMove` to move; nothing, with the engine's reason in `error` when given, when
// the engine refuses it (a General missing, pieces where they cannot stand, the side not to move
// in check).
std::optional<engine::Position> EnginePosition(const twoply::BoardArray& board, twoply::Side toMove,
                                               twoply::Colour human = twoply::Colour::kRed,
                                               std::string* error = nullptr);
engine::Move ToEngineMove(const twoply::Move& move, twoply::Colour human = twoply::Colour::kRed);
twoply::Move FromEngineMove(engine::Move move, twoply::Colour human = twoply::Colour::kRed);

// The moves played from `start` (`first` moving first), replayed so the engine sees their
// repetitions, when they lead to `now` with `toMove` to move; otherwise `now` on its own.
std::optional<engine::Position> LinePosition(const twoply::BoardArray& start, twoply::Side first,
                                             const std::vector<twoply::Move>& moves,
                                             const twoply::BoardArray& now, twoply::Side toMove,
                                             twoply::Colour human = twoply::Colour::kRed);

}  // namespace game
