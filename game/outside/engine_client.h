// An outside engine (UCI or UCCI) in a process of its own, driven from one thread without ever
// waiting for it: the window's thread or a command-line loop.
//
// How to drive it:
//
//   outside::EngineClient client(config);
//   client.SetWakeup([&] { runtime::PostToUiThread([&] { Handle(client.Poll()); }); });
//   client.Start();                       // returns at once; the handshake runs in the background
//   client.NewGame();                     // at the start of each game (UCI: "ucinewgame")
//   client.Go(start, moves, limits);      // may be called before the engine is ready: it waits
//   ... every call of Poll() hands back what happened since the last one (kReady, kInfo,
//       kBestMove, kNotice, kFailed), handles the timeouts, and returns in well under a
//       millisecond per line the engine printed ...
//   client.Stop();  client.Quit();  or just destroy it
//
// The wakeup runs on the reader thread when there is something to poll (at most once per batch
// of lines, so a flooding engine cannot flood the event queue). None runs once the client is
// destroyed, but a call it already posted may still arrive: let that call find the client through
// something that outlives it (the owner's member, checked for null), not a captured pointer.
// Timeouts are only noticed in Poll(), so while Busy() also call it from a timer (every 50-100 ms
// is plenty) or when MillisecondsToDeadline() has passed.
//
// What the client finds out about the engine is worth keeping with it, so that the next start
// needs no guessing: protocol() once kReady, and numbering() once NumberingConfirmed(). Give
// them back in the EngineConfig of the next start.
//
// The engine runs in the folder of its program (engines load their networks and books from
// beside themselves); "~" in the command line is the home folder; a relative program is taken
// from the folder the program was started in (runtime::StartingFolder).
//
// Failures (the engine cannot be started, does not finish the handshake within the handshake
// time, dies, closes its output, plays a move that is not legal, answers a timed search later
// than twice the time it was sent, or does not answer "stop") end the engine's process and give
// one kFailed event whose message names the engine and says what went wrong, in the words the
// program shows ("引擎 X 没有回应：..."). After a failure every call is refused; make a new client
// (or fall back to the built-in engine). A kNotice says something the player may want to know
// that is no failure: an option value fitted to what the engine takes or left out, a setting
// that did not read, the numbering found to be the other one.
//
// Progress lines ("info") the engine prints faster than Poll() takes them are coalesced: only the
// newest of each MultiPV line is kept, so the work of one Poll() is bounded whatever the engine
// prints; the final line before "bestmove" is never lost, and no flood of other lines can push
// out "bestmove".
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/position.h"
#include "game/analysis/analysis_line.h"
#include "game/outside/engine_lines.h"

namespace runtime {
class LineChannel;
}

namespace outside {

struct EngineConfig {
  std::string name;     // shown in messages; empty: the engine's "id name", else its program
  std::string command;  // the command line, split into words without a shell ("~" expanded)
  // Known (from an earlier start's protocol()): only that protocol's first line is sent, so an
  // engine that quits on any other first line can be used. Unknown: "uci" first; "ucci" as soon
  // as the engine complains about "uci" (a line that is not UCI naming it), or when half the
  // handshake time passes without "uciok"; an engine that ends on "uci" is started once more
  // with "ucci".
  Protocol protocol = Protocol::kUnknown;
  // UCI's ranks, when known (from an earlier start's numbering() once confirmed, or set by the
  // player): moves are sent in it from the first search, and only the engine's own moves can
  // overrule it. Unset: guessed from the engine's name, and until its moves confirm the guess
  // each position is sent as a FEN of its own, without moves, so a wrong guess costs nothing.
  std::optional<Numbering> numbering;
  // Set after the handshake, each only when the engine offers an option of that name and the
  // value fits its type and range (a value that does not is left out, a kNotice saying why).
  // UCI_Variant, MultiPV and usemillisec are the program's own and are not taken from here.
  std::vector<std::pair<std::string, std::string>> options;
  std::vector<std::string> notices;  // told as kNotice events as the engine starts
  int handshake_ms = 5000;           // for uciok/ucciok and then readyok
  int answer_ms = 5000;              // for "bestmove" after "stop"
  int quit_grace_ms = 300;           // after "quit", and after SIGTERM, before the harder signal
};

// What a search is allowed. Exactly one kind is used: infinite, else a clock (red_ms or
// black_ms above 0), else movetime, else depth; nothing at all is taken as infinite.
struct GoLimits {
  bool infinite = false;
  int movetime_ms = 0;
  int depth = 0;
  int red_ms = 0, black_ms = 0, red_increment_ms = 0, black_increment_ms = 0, moves_to_go = 0;
  int multipv = 1;  // lines wanted (UCI engines that offer MultiPV)
};

struct EngineEvent {
  enum class Kind { kReady, kInfo, kBestMove, kNotice, kFailed };
  Kind kind = Kind::kReady;
  uint64_t search = 0;               // the Go() it answers (kInfo, kBestMove)
  analysis::AnalysisLine line;       // kInfo
  std::optional<engine::Move> best;  // kBestMove; unset when the position has no legal move
  std::optional<engine::Move> ponder;
  std::string message;  // kNotice, kFailed
};

class EngineClient {
 public:
  enum class State { kIdle, kStarting, kReady, kPreparing, kSearching, kStopping, kFailed, kEnded };
  // Makes what the client talks through; a child process unless a test or the fuzzer stands in.
  using ChannelMaker = std::function<std::unique_ptr<runtime::LineChannel>()>;

  explicit EngineClient(EngineConfig config, ChannelMaker make_channel = {});
  ~EngineClient();  // ends the engine without waiting for it
  EngineClient(const EngineClient&) = delete;
  EngineClient& operator=(const EngineClient&) = delete;

  void SetWakeup(std::function<void()> wakeup);
  // Starts the process and the handshake. False when it cannot even be started (then Poll()
  // gives the kFailed event).
  bool Start();
  std::vector<EngineEvent> Poll();

  // Searches the position `moves` lead to from `start`; returns the search's number, or 0 when
  // refused (a move of `moves` is not legal, or the client has failed or ended). A running search
  // is stopped first and its answer dropped; before the engine is ready the search waits.
  uint64_t Go(const engine::Position& start, const std::vector<engine::Move>& moves,
              const GoLimits& limits);
  // The next search belongs to a new game: a UCI engine is told "ucinewgame" (and waited for
  // with "isready") before it. Call it as each game starts.
  void NewGame();
  // Asks the running search to end now; its kBestMove follows. Drops a search still waiting.
  void Stop();
  // Ends the engine ("quit", then signals); no event follows.
  void Quit();
  // UCI "setoption" / UCCI "setoption" for an option the engine offers, when no search runs,
  // as FitOptionValue takes the value (a number out of range is left out). False when it is not
  // sent (no such option, not ready, one of the program's own, or a value it cannot take: a
  // kNotice says why); a value that was changed to fit is sent with a kNotice saying so.
  bool SetOption(const std::string& name, const std::string& value);

  // Waits up to `timeout_ms` for the engine's process to be gone after Quit() or a failure (for
  // programs without a window, and tests); true when it is, or never ran.
  bool WaitUntilEnded(int timeout_ms);

  State state() const { return state_; }
  bool Busy() const;  // starting, preparing, searching or stopping: keep polling
  // Milliseconds until the next timeout Poll() checks, or -1 when none is pending.
  int MillisecondsToDeadline() const;
  // The protocol the handshake found (unknown until kReady).
  Protocol protocol() const { return protocol_; }
  // UCI's ranks as the client reads them now, and whether the engine's own moves showed it (not
  // only its name, or the configuration).
  Numbering numbering() const { return numbering_; }
  bool NumberingConfirmed() const { return numbering_confirmed_; }
  const std::string& IdName() const { return id_name_; }
  std::string DisplayName() const;
  const std::vector<EngineOption>& Options() const { return options_; }
  const std::string& FailureMessage() const { return failure_; }
  uint64_t DroppedLines() const;

 private:
  using Clock = std::chrono::steady_clock;
  struct Search {
    uint64_t id = 0;
    engine::Position start;
    std::vector<engine::Move> moves;
    engine::Position position;  // where the moves lead: the one searched
    GoLimits limits;
    bool superseded = false;
    bool sent_without_moves = false;  // the engine was given `position` itself
  };
  // The "go" line and the time it gives the engine for this move in milliseconds (0: none).
  struct GoText {
    std::string line;
    int64_t given_ms = 0;
  };

  bool Active() const;
  bool StartChannel(Protocol first);
  void HandleLine(const std::string& line);
  void HandleHandshake(const std::string& line);
  void FinishHandshake(Protocol found);
  void HandleInfo(const std::string& line);
  void HandleBestMove(const std::string& line);
  void LearnNumbering(const Search& search, const std::vector<std::string>& moves);
  void CheckEnd(bool ended, bool output_closed);
  void CheckDeadlines();
  void SendSearch();
  std::string PositionCommand(Search& search) const;
  GoText GoCommand(const Search& search) const;
  bool SendSettingOption(const EngineOption& option, const std::string& value);
  void SendOption(const EngineOption& option, const std::string& value);
  const EngineOption* FindOption(const std::string& name) const;
  bool Send(const std::string& line);
  void Notice(const std::string& what);
  void Fail(const std::string& what);
  void SetDeadline(int64_t ms);

  EngineConfig config_;
  ChannelMaker make_channel_;
  std::unique_ptr<runtime::LineChannel> channel_;
  std::function<void()> wakeup_;
  State state_ = State::kIdle;
  Protocol asked_ = Protocol::kUnknown;  // the protocol the engine was started with, if one
  Protocol protocol_ = Protocol::kUnknown;
  Numbering numbering_ = Numbering::kFromZero;
  bool numbering_confirmed_ = false;
  bool numbering_trusted_ = false;  // given by the configuration: moves may be sent in it
  bool awaiting_ready_ = false;
  bool sent_ucci_ = false;
  bool restarted_ = false;
  bool new_game_ = false;  // "ucinewgame" is due before the next search
  bool millisec_ = false;  // UCCI clock values in milliseconds
  int sent_multipv_ = 1;
  std::vector<std::string> words_;  // the command line, the program as found
  std::string folder_;              // where the engine runs
  std::string id_name_, program_, failure_;
  std::vector<EngineEvent> events_;  // handed out by the next Poll()
  std::vector<std::string> option_lines_;
  std::vector<EngineOption> options_;
  Clock::time_point started_{}, deadline_{};
  bool has_deadline_ = false;
  bool write_failed_ = false;  // the engine has stopped taking input
  Clock::time_point write_failed_at_{};
  // The engine's output closed while its process still ran: it fails unless it ends soon (an
  // engine that exits closes its output a moment before it is gone).
  bool output_closed_ = false;
  Clock::time_point output_closed_at_{};
  uint64_t next_search_ = 1;
  std::optional<Search> current_, waiting_;
};

}  // namespace outside
