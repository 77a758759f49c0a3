// The 32 pieces in the order XQF and DhtmlXQ list their places: red's 车马相仕帅仕相马车炮炮兵兵兵兵兵,
// then black's the same.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "engine/position.h"

namespace record {

// The square of each piece, -1 for one that is not on the board.
using PiecePlaces = std::array<int, 32>;

// Each piece of the position in the first free place of its kind.
PiecePlaces PlacesOf(const engine::Position& pos);

// The position with these pieces, `black` to move; nothing, and the reason, when two pieces
// stand on one square or the position is not one the rules allow.
std::optional<engine::Position> PositionOfPlaces(const PiecePlaces& places, bool black,
                                                 std::string* why);

// Whether the piece on `square` is black; nothing when no piece stands there.
std::optional<bool> BlackAt(const PiecePlaces& places, int square);

}  // namespace record
