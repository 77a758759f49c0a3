// The engine as other programs talk to it: UCCI, UCI (as xiangqi interfaces speak it) and the
// xboard protocol (CECP version 2, variant xiangqi). Each session reads commands line by line from
// a stream and writes its answers to another, so a test can drive it with text and a program can
// hand it standard input and output.
//
// The search runs on a worker thread while the session keeps reading, so "stop", "?" and "isready"
// are answered during a search. Bad input gets one line (UCI and UCCI: "info string ...", xboard:
// "Error (...): ..." or "Illegal move: ...") and the session goes on.
#pragma once

#include <cstddef>
#include <functional>
#include <iosfwd>
#include <optional>

#include "engine/levels.h"
#include "engine/position.h"
#include "engine/search.h"

namespace engine {

// Levels 1 and 2 are the game's own two-ply search, which this library cannot see; the program
// that runs a session hands it in. It answers for the side to move of `pos` at level 1 or 2, or
// nothing when it has no move. Its move is checked against the full rules before it is played.
using ShallowSearch = std::function<std::optional<Move>(const Position& pos, int level)>;

struct ProtocolSetup {
  // Without it levels 1 and 2 are the engine's own search at depth 1 and 2.
  ShallowSearch shallow;
  // Level used until the interface sets one: the strongest, since an interface that loads an
  // engine expects it to play its best unless told otherwise.
  int level = kMaxLevel;
  size_t hash_mb = 16;
  // The largest table an interface may ask for ("Hash", "hashsize", "memory"); larger requests
  // are refused with a line, as are those the machine cannot give at the time. xiangqi-cli sets
  // it from the machine's memory.
  size_t max_hash_mb = 1024;
  // Limits no search may pass, whatever the interface asks (0 = none of that kind). The fuzzer
  // sets them small so that "go infinite" ends by itself.
  Limits cap;
  // The deepest "go perft N" served; deeper requests are refused.
  int max_perft_depth = 6;
  // Told the limits of each search as it starts, on the reading thread (for a log or a test).
  std::function<void(const Limits&)> on_search;
};

// Each returns when the input ends or on "quit". At the end of input a search that has a limit is
// allowed to finish (so "position ...; go depth 5" piped in still prints its move); an unbounded
// one is stopped.
void RunUcci(std::istream& in, std::ostream& out, const ProtocolSetup& setup = {});
void RunUci(std::istream& in, std::ostream& out, const ProtocolSetup& setup = {});
void RunXboard(std::istream& in, std::ostream& out, const ProtocolSetup& setup = {});

}  // namespace engine
