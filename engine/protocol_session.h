// What the three protocol sessions share: tokens and numbers, the position command, the choice of
// limits for a level, the worker thread and one writer for the lines of two threads.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <istream>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "engine/protocol.h"
#include "engine/text_fields.h"

namespace engine::protocol {

// Whole lines, each flushed at once, from the reading thread and the search thread alike.
class Output {
 public:
  explicit Output(std::ostream& out) : out_(out) {}
  void Line(const std::string& text);

 private:
  std::mutex mutex_;
  std::ostream& out_;
};

// The longest time any protocol takes, in milliseconds (about 35 years): larger numbers are
// refused before they can overflow a clock sum.
inline constexpr int64_t kMaxMs = int64_t(1) << 40;
inline constexpr int64_t kMaxMoveOverheadMs = 5000;
inline constexpr int kMaxMultiPv = 5;
inline constexpr int kMaxNoCapturePlies = 1000;

// Words of a line split on blanks; a carriage return from a Windows interface is a blank too.
std::vector<std::string> Split(std::string_view line);
std::string Lower(std::string_view text);
// The words from `first` on, joined by single spaces.
std::string Join(const std::vector<std::string>& words, size_t first, size_t end);
// " h2e2 h9g7": each move after a blank.
std::string Moves(const std::vector<Move>& moves);
using engine::ParseNumber;

// "startpos [moves ...]" or "fen FEN... [moves ...]" from words[first]. Every move must be legal
// in turn; otherwise nothing, with the reason in `error`.
std::optional<Position> ReadPositionCommand(const std::vector<std::string>& words, size_t first,
                                            std::string& error);
// ICCS moves of words[first..], each one a legal move of `pos`; the bad word in `error`.
std::optional<std::vector<Move>> ReadMoveList(const Position& pos,
                                              const std::vector<std::string>& words, size_t first,
                                              std::string& error);

// What the interface asked of one search, before the level is applied.
struct GoRequest {
  Limits limits;
  bool given = false;     // some depth, node or time limit was named
  bool infinite = false;  // search until told to stop
  bool ponder = false;    // think on the opponent's time until "ponderhit" or "stop"
  std::vector<Move> banned;
};

// The limits of one search: the interface's own, or the level's when it named none. A level
// below the strongest also keeps its own bounds under the interface's, so that it stays weaker.
// The setup's cap bounds everything.
Limits EffectiveLimits(int level, const GoRequest& request, const Limits& cap);

// One job at a time on a thread of its own.
class Worker {
 public:
  ~Worker() { Join(); }
  void Start(std::function<void()> job);
  void Join();
  bool Busy() const { return busy_; }

 private:
  std::thread thread_;
  std::atomic<bool> busy_{false};
};

// The move of `level` in `pos`: the shallow search for levels 1 and 2 when there is one (a move it
// gives that the full rules forbid, or a banned one, falls back to the engine at depth 1), the
// engine within `limits` otherwise. Runs on the worker.
SearchResult FindMove(Searcher& searcher, const ProtocolSetup& setup, int level,
                      const Position& pos, const Limits& limits, const std::vector<Move>& banned,
                      const std::function<void(const SearchInfo&)>& on_info);

// The lines of "go perft N" as Fairy-Stockfish prints them: "h2e2: 1234" for each legal move, a
// blank line, then "Nodes searched: TOTAL".
std::vector<std::string> PerftLines(Position pos, int depth);

// The shared state and habits of a UCI-like session (UCI and UCCI differ in words, not in flow).
struct SearchSession {
  using InfoLine = std::function<std::string(const SearchInfo&)>;
  using Report = std::function<void(const SearchResult&)>;

  explicit SearchSession(std::ostream& out, const ProtocolSetup& setup_in)
      : setup(setup_in),
        output(out),
        searcher(
            std::clamp<size_t>(setup_in.hash_mb, 1, std::max<size_t>(1, setup_in.max_hash_mb))),
        level(setup_in.level) {}
  ~SearchSession() { StopSearch(); }

  // Starts the search of `position` on the worker, once any running one has settled. Each iteration
  // becomes the line `info` makes of it (none when it makes an empty one); `done` reports the move.
  // An endless or pondering search reports only once it is told to stop, even when it has ended
  // by itself (a mate found, one legal move): an interface waits for its own "stop".
  void Go(const GoRequest& request, InfoLine info, Report done);
  // The move pondered on was played: the ponder search ends without a report and the search under
  // the request's own limits begins (the table keeps what pondering found). Nothing when not
  // pondering.
  void PonderHit();
  // Resizes the table, within the setup's largest size. False when the size is beyond that or the
  // memory cannot be had (the old table stays). While a search runs the table is resized once it
  // has ended, before the next search: a refusal then comes as an "info string".
  bool SetHash(int64_t mb);
  // Clears the table and the histories, at once or, while a search runs, before the next one.
  void NewGame();
  // Under a fixed time a move: the move overhead is kept back from it too (at least 1 ms is left).
  void MoveTime(GoRequest& request, int64_t ms, bool exact) const;
  // Stops a running search (it still reports its move) and waits for it.
  void StopSearch();
  // Before a new search, and at the end of the input: a search with a limit is allowed to
  // finish, as a script that pipes "go depth 5" and then "go perft 2" expects; one without a
  // limit, or pondering, is stopped. Other commands (a position, an option, isready) are taken
  // at once while a search runs: it searches its own copy.
  void Settle();

  ProtocolSetup setup;
  Output output;
  Searcher searcher;
  Worker worker;
  Position position;
  // False after a refused "position" until a good one: a search then has no position to answer.
  bool position_valid = true;
  int level;
  int multipv = 1;           // lines a search reports (MultiPV), 1..kMaxMultiPv
  bool chase_rule = true;    // a perpetual chase loses (else it is a draw): Limits::chase_rule
  int no_capture_plies = 0;  // plies without a capture that draw: Limits::no_capture_plies
  // The evaluation network rather than the classical evaluation. A change of evaluation clears
  // the table (it keeps evaluations) as a new game does.
  void UseNetwork(bool on);
  bool use_network = true;
  // Reads the network EvalFile names ("<built-in>" or nothing: the program's own); false, with
  // the reason, when it cannot (the network in use stays). A search under way keeps its own.
  // Clears the table too.
  bool LoadNetwork(const std::string& path, std::string* error);
  int64_t move_overhead_ms = kDefaultMoveOverheadMs;  // kept back from each move's time
  // Under a clock: the limits of a move from the time left, its increment and the moves to go.
  void UseClock(GoRequest& request, int64_t remaining_ms, int64_t increment_ms,
                int movestogo) const;

 private:
  void Start(const GoRequest& request, bool hold, InfoLine info, Report done);
  // The table work asked for while a search ran, done now that none runs.
  void ApplyPending();

  bool unbounded = false;  // the running search has no limit of its own, or waits for a stop
  bool pondering = false;
  GoRequest ponder_request;  // what "ponderhit" turns into
  InfoLine ponder_info;
  Report ponder_done;
  std::atomic<bool> stop{false};     // the running search's stop, cleared as each search starts
  std::atomic<bool> discard{false};  // the stopped search's move is not reported
  int64_t pending_hash_mb = 0;       // a table size asked for during a search (0: none)
  std::shared_ptr<const Network> network;  // EvalFile's network; null: the built-in one
  bool pending_new_game = false;
};

// The read loop every protocol shares: each line that has words goes to `handle`, which answers
// false to end the session; at the end of the input a search under way settles as above.
// Returns whether the session was ended by a command rather than by the end of the input.
template <typename Handle>
bool ReadCommands(std::istream& in, SearchSession& session, Handle handle) {
  std::string line;
  while (std::getline(in, line)) {
    auto words = Split(line);
    if (!words.empty() && !handle(words)) return true;
  }
  session.Settle();
  return false;
}

}  // namespace engine::protocol
