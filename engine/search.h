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

inline constexpr int kMateScore = 30000;  // mate in n plies = kMateScore - n
inline constexpr int kMaxPly = 128;
// A score beyond this is a mate; a perpetual checker's loss is scored kPerpetualScore - ply.
inline constexpr int kMateBound = kMateScore - kMaxPly;
inline constexpr int kPerpetualScore = kMateScore - 1000;

struct Limits {  // 0 = no limit of that kind
  int depth = 0;
  uint64_t nodes = 0;
  int64_t movetime_ms = 0;  // hard limit for this move
};

// Time for one move from a clock: remaining and increment in ms, moves to go (0 = sudden death).
int64_t AllotTime(int64_t remaining_ms, int64_t increment_ms, int movestogo);

struct SearchInfo {  // one per completed iteration
  int depth = 0;
  int seldepth = 0;
  int score = 0;                     // centipawns from the side to move
  std::optional<int> mate_in_moves;  // + we mate, - we are mated (full moves)
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
  void SetHashMb(size_t mb);  // resizes the transposition table (1..1024)
  void NewGame();             // clears the table, killers and history

  // Searches `pos` (its history since the game's start is used for repetition) within `limits`.
  // `banned` root moves are not played (UCCI banmoves). `on_info` (may be empty) is called after
  // each iteration. Returns at once with kNoMove if there is no legal move.
  // Safe to call on a worker thread while Stop() is called from another thread.
  SearchResult Search(const Position& pos, const Limits& limits,
                      const std::vector<Move>& banned = {},
                      const std::function<void(const SearchInfo&)>& on_info = {});
  // Thread-safe; Search returns within 10 ms. A Stop that comes before Search has begun is
  // forgotten when the search has limits (it was meant for an earlier search), and kept for
  // 20 ms for a search without limits, which could otherwise never end: "go infinite" followed
  // at once by "stop" must not leave the caller waiting.
  void Stop();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
  std::atomic<bool> stop_{false};
  std::atomic<int64_t> stop_time_ns_{0};  // steady clock of the last Stop
};

}  // namespace engine
