// Positions from the engine's own games for training an evaluation, in a compact binary file:
// records of 32 bytes, a game's header followed by its positions, so a file can be appended to,
// cut off, checked and continued game by game.
//
// A position record: the occupied squares as 90 bits (square s is bit s % 8 of byte s / 8), bit
// 95 set when black is to move; the pieces of the occupied squares in square order, one 4-bit
// code each (Position's piece code, two to a byte, the lower nibble first), unused nibbles 0; the
// search's score for the side to move (int16, little-endian); the search's move and the game's
// result (uint16: from | to << 7 | result << 14, result for red 0 lost, 1 drawn, 2 won).
// A game's header: "XQSP", the number of positions that follow (uint32), three zero bytes, 0x40
// in byte 11 (bit 94, never set in a position), the game's number (uint64), the nodes a move
// (uint32) and the seed (uint64) it was played with.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <string>
#include <vector>

#include "engine/position.h"
#include "engine/tuning.h"

namespace engine {

inline constexpr size_t kRecordBytes = 32;
using Record = std::array<uint8_t, kRecordBytes>;

struct TrainingPosition {
  Position pos;
  int score = 0;        // the search's, for the side to move
  Move best = kNoMove;  // the search's move
  int result = 1;       // for red: 0 lost, 1 drawn, 2 won
};

Record EncodePosition(const Position& pos, int score, Move best, int result);
// Nothing, with the reason, for a record that is not a position this format writes: reserved bits
// set, a bad piece code, more than 32 pieces, a position the full rules refuse, a square out of
// the board or a result above 2. What it accepts encodes back to the same bytes.
std::optional<TrainingPosition> DecodePosition(const Record& record, std::string* error = nullptr);

struct GameHeader {
  uint64_t number = 0;
  uint32_t positions = 0;
  uint32_t nodes = 0;
  uint64_t seed = 0;
};
Record EncodeGameHeader(const GameHeader& header);
std::optional<GameHeader> DecodeGameHeader(const Record& record);

// The whole games of a data file, and how many bytes they fill: a file cut off in a game is
// continued from there. `error` names the first record that is neither a header where one must
// be nor a position where one must be (the games before it are kept).
struct DataIndex {
  std::vector<GameHeader> games;
  uint64_t complete_bytes = 0;
  std::string error;
};
DataIndex IndexTrainingData(std::istream& in);

struct TrainingDataOptions {
  SelfPlayOptions play;  // games, nodes, random plies, seed, adjudication
  int threads = 1;       // games played at once, each on a thread with its own search
};

// Plays the games 0 .. games-1 that `path` does not hold yet and appends them, a whole game at a
// time (so running it again continues a run that was stopped). Each game is a function of the
// seed and its number alone, whichever thread plays it. A position is kept when its side is not
// in check, the search's move is not a capture and its score is no mate nor a win by the rules
// of repetition. False, with the reason, when the file cannot be read or written, or holds games
// of other nodes or another seed. `progress` (may be empty) hears the games held so far.
bool WriteTrainingData(const TrainingDataOptions& options, const std::string& path,
                       std::string* error,
                       const std::function<void(uint64_t games)>& progress = {});

}  // namespace engine
