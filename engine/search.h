// The full-rules engine's search: iterative deepening over a principal-variation alpha-beta with
// a transposition table, quiescence on captures, check extension, null move and the usual move
// ordering. Positions that repeat are draws, except that a side checking on every move of the
// cycle loses (the engine never gives perpetual check).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/position.h"

namespace engine {

class Network;

inline constexpr int kMateScore = 30000;  // mate in n plies = kMateScore - n
inline constexpr int kMaxPly = 128;
// A score beyond this is a mate; a perpetual checker's loss is scored kPerpetualScore - ply.
inline constexpr int kMateBound = kMateScore - kMaxPly;
inline constexpr int kPerpetualScore = kMateScore - 1000;
inline constexpr size_t kMaxHashMb = size_t(1) << 22;  // 4 TB: beyond any machine's memory

struct Limits {  // 0 = no limit of that kind
  int depth = 0;
  uint64_t nodes = 0;
  int64_t movetime_ms = 0;  // hard limit for this move
  // Spend movetime_ms whole, as UCI's "go movetime" asks: no iteration is left unstarted because
  // it might not finish (the interrupted one still may change the move). Otherwise the search
  // stops after an iteration once half of movetime_ms is gone.
  bool movetime_exact = false;
  // Time to aim for under a clock (0 = none): after an iteration the search stops once it has
  // used about this much, aiming longer (up to movetime_ms) while the best move changes or the
  // score falls.
  int64_t soft_ms = 0;
  // Variety for the weaker levels: root moves within about this many centipawns of the best may
  // be played instead of it, drawn from `seed` (0: from the clock, so no two games are alike).
  int variety_cp = 0;
  uint64_t seed = 0;
  // Lines to search (MultiPV): the best move, then the best of the others, and so on; each
  // iteration reports every line.
  int multipv = 1;
  // Whether a side that chases on every move of a repetition loses (the Asian rules). Off, a
  // repetition without perpetual check is a draw: the rule of an opponent that does not know
  // chasing, so that the search neither plays for a win the game will not give nor refuses a
  // draw it would.
  bool chase_rule = true;
  // A draw after this many plies without a capture (0: no such rule; 100 is the rule of
  // Fairy-Stockfish and the western engines, 120 the Chinese rules' 60 moves). The search scores
  // such a position a draw, and a lead fades towards half as the count nears it, so that a side
  // ahead makes progress before the rule takes its win away.
  int no_capture_plies = 0;
  // The evaluation network to evaluate with (null: the classical evaluation). The caller keeps it
  // alive while the search runs.
  const Network* network = nullptr;
  // The caller's stop: set it from any thread and the search returns within 10 ms with the best
  // move found so far. Set before Search begins, Search returns at once without searching, still
  // with a legal move when there is one (the table's move for the position if it has a legal one,
  // otherwise the legal move whose position evaluates best, without search). The caller owns the
  // flag, clears it for its next search, and keeps it alive until the search has returned.
  const std::atomic<bool>* stop = nullptr;
};

inline constexpr int64_t kDefaultMoveOverheadMs = 30;

// Time for one move from a clock: the time left and the increment in ms, the moves to the next
// time control (0 = the rest of the game), and the overhead of each move (the interface's and the
// pipe's delay), kept back from every move. The hard limit never exceeds the time left less the
// overhead; at least 1 ms.
struct TimeAllotment {
  int64_t soft_ms = 0;
  int64_t hard_ms = 0;
};
TimeAllotment AllotTime(int64_t remaining_ms, int64_t increment_ms, int movestogo,
                        int64_t overhead_ms = kDefaultMoveOverheadMs);

struct SearchInfo {  // one per line of each completed iteration
  int depth = 0;
  int multipv = 1;  // the line: 1 the best
  int seldepth = 0;
  int score = 0;                     // centipawns from the side to move
  std::optional<int> mate_in_moves;  // + we mate, - we are mated (full moves); not for a win
                                     // by the rules of repetition, a score near kPerpetualScore
  uint64_t nodes = 0;
  int64_t time_ms = 0;
  std::vector<Move> pv;
};

struct SearchResult {
  Move best = kNoMove;  // kNoMove when the side to move has no legal move
  Move ponder = kNoMove;
  int score = 0;
  int depth = 0;
  uint64_t nodes = 0;
};

class Searcher {
 public:
  explicit Searcher(size_t hash_mb = 16);  // default table well under 64 MB
  ~Searcher();
  Searcher(const Searcher&) = delete;
  Searcher& operator=(const Searcher&) = delete;
  // Resizes the transposition table to `mb` MB (1..kMaxHashMb); false, with the old table kept,
  // when the memory cannot be had.
  bool SetHashMb(size_t mb);
  void NewGame();  // clears the table, killers and history

  // Searches `pos` (its history since the game's start is used for repetition) within `limits`.
  // `banned` root moves are not played (UCCI banmoves). `on_info` (may be empty) is called after
  // each iteration. Returns at once with kNoMove if there is no legal move. Runs on the caller's
  // thread; another thread ends it through `limits.stop`.
  SearchResult Search(const Position& pos, const Limits& limits,
                      const std::vector<Move>& banned = {},
                      const std::function<void(const SearchInfo&)>& on_info = {});

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace engine
