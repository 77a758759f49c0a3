// The text an outside engine prints and the moves it reads, in UCI and UCCI, turned into values
// and back. No state and no I/O: the client (engine_client.h) keeps the state, and the fuzzer
// feeds these functions anything at all.
//
// Squares are ICCS-like: a file letter a..i and a rank. UCI engines number the ranks either 0..9
// (Pikafish, ours: "h2e2") or 1..10 (Fairy-Stockfish, Sjaak II: "h3e3", "a10a9"); UCCI always 0..9.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/position.h"

namespace outside {

enum class Protocol { kUnknown, kUci, kUcci };
enum class Numbering { kFromZero, kFromOne };

// "h2e2" (or "h3e3" from one; upper case is taken too); nullopt unless exactly two squares.
std::optional<engine::Move> ParseEngineMove(std::string_view text, Numbering numbering);
std::string FormatEngineMove(engine::Move move, Numbering numbering);

// The numbering an engine uses, guessed from its "id name": Fairy-Stockfish and Sjaak count
// from one, everyone else (Pikafish, ElephantEye, ours) from zero. Only a first guess: the
// engine's own moves tell (below).
Numbering NumberingForName(std::string_view engine_name);
// The numbering a move as an engine wrote it must be in: one with a rank 10 counts from one, one
// with a rank 0 from zero. Nothing when it reads in both, or in neither.
std::optional<Numbering> NumberingShownBy(std::string_view move);
// The numbering the engine's moves from `position` (a line, or its best move and the one it
// expects in reply) are in: a move of one numbering only, else the only numbering in which the
// whole line is legal. Nothing when they do not tell.
std::optional<Numbering> NumberingOfLine(const engine::Position& position,
                                         const std::vector<std::string>& moves);

// One "option" line. UCI: "option name Skill Level type spin default 20 min -20 max 20";
// UCCI: "option hashsize type spin min 1 max 1024 default 16". Names, defaults and vars may hold
// blanks. Nullopt when the line is not an option or has no name.
struct EngineOption {
  std::string name;
  std::string type;  // check, spin, combo, button, string, label (as the engine says)
  std::string default_value;
  std::optional<long long> min, max;
  std::vector<std::string> vars;
  friend bool operator==(const EngineOption&, const EngineOption&) = default;
};
std::optional<EngineOption> ParseOptionLine(std::string_view line, Protocol protocol);

// One "info" line as the engine wrote it (moves still text). Fields it did not send stay unset.
// Scores are read by each protocol's own convention: UCI's "score cp" and "score mate N" (moves,
// negative when the side to move is being mated, 0 when it is mated already); UCCI's plain
// "score S", a mate told by its size (engine_lines.cpp).
struct InfoText {
  std::optional<int> depth, seldepth, multipv;
  std::optional<int> score_cp;  // from the side to move
  std::optional<int> mate;      // moves; negative when the side to move is mated, 0: mated now
  bool bound = false;           // lowerbound or upperbound: not an exact score
  std::optional<int64_t> nodes, nps, time_ms;
  std::vector<std::string> pv;
  std::string text;  // "info string ..."
  friend bool operator==(const InfoText&, const InfoText&) = default;
};
std::optional<InfoText> ParseInfoLine(std::string_view line, Protocol protocol);

// "bestmove h2e2 [ponder h9g7]", "bestmove (none)", "bestmove 0000" and UCCI's "nobestmove".
struct BestMoveText {
  std::string move;  // empty when the engine has none
  std::string ponder;
  friend bool operator==(const BestMoveText&, const BestMoveText&) = default;
};
std::optional<BestMoveText> ParseBestMoveLine(std::string_view line);

// The first word of a line ("uciok", "id", "info", ...), for dispatching.
std::string_view FirstWord(std::string_view line);

}  // namespace outside
