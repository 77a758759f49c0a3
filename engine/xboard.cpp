// The xboard protocol (CECP version 2) for the variant xiangqi: red is "white", moves are ICCS
// coordinates (files a..i, ranks 0..9) and positions come as FEN with w or b.
#include <algorithm>
#include <atomic>
#include <istream>
#include <mutex>
#include <string>
#include <vector>

#include "engine/protocol.h"
#include "engine/protocol_session.h"

namespace engine {

namespace {

using protocol::GoRequest;
using protocol::kMaxMs;
using protocol::ParseNumber;
using protocol::SearchSession;

// "5", "0:30", "1.5": minutes (and seconds after a colon) in milliseconds.
std::optional<int64_t> ParseMinutes(const std::string& text) {
  size_t colon = text.find(':');
  auto minutes = ParseNumber(text.substr(0, colon), 0, 100000);
  if (!minutes) return std::nullopt;
  int64_t ms = *minutes * 60000;
  if (colon != std::string::npos) {
    auto seconds = ParseNumber(text.substr(colon + 1), 0, 59);
    if (!seconds) return std::nullopt;
    ms += *seconds * 1000;
  }
  return ms;
}

// "2", "0.5": seconds, a fraction of at most three digits allowed.
std::optional<int64_t> ParseSeconds(const std::string& text) {
  size_t dot = text.find('.');
  auto whole = ParseNumber(text.substr(0, dot), 0, 1000000);
  if (!whole) return std::nullopt;
  int64_t ms = *whole * 1000;
  if (dot != std::string::npos) {
    std::string fraction = text.substr(dot + 1);
    if (fraction.empty() || fraction.size() > 3) return std::nullopt;
    auto part = ParseNumber(fraction, 0, 999);
    if (!part) return std::nullopt;
    while (fraction.size() < 3) fraction += '0', *part *= 10;
    ms += *part;
  }
  return ms;
}

struct Xboard {
  explicit Xboard(std::ostream& out, const ProtocolSetup& setup) : s(out, setup) {}

  SearchSession s;
  bool force = false;
  Color engine_side = kBlack;
  std::atomic<bool> post{false};
  std::atomic<bool> cancelled{false};
  // The clock: "level MPS BASE INC", "st", "sd", and our time left from "time".
  int moves_per_session = 0;
  int64_t increment_ms = 0;
  int64_t seconds_per_move_ms = 0;
  int depth_limit = 0;
  int64_t base_ms = -1;  // level's base time: the clock until "time" tells otherwise
  int64_t own_time_ms = -1;
  // A "ping" that comes while the engine thinks on its own move is answered after that move.
  std::mutex pong_mutex;
  bool own_move_pending = false;
  std::vector<std::string> pongs;

  void Say(const std::string& line) { s.output.Line(line); }
  void Error(const std::string& kind, const std::vector<std::string>& w) {
    Say("Error (" + kind + "): " + protocol::Join(w, 0, w.size()));
  }

  // Ends any thinking without playing its move: the game it was for has changed.
  void Halt() {
    cancelled = true;
    s.StopSearch();
    cancelled = false;
  }

  static std::string ResultFor(Color loser) {
    return loser == kRed ? "0-1 {Black wins}" : "1-0 {Red wins}";
  }

  GoRequest Request() {
    GoRequest request;
    if (seconds_per_move_ms > 0) {
      s.MoveTime(request, seconds_per_move_ms, false);
    } else if (own_time_ms >= 0) {
      int played = int(s.position.Ply() / 2);
      int togo = moves_per_session > 0 ? moves_per_session - played % moves_per_session : 0;
      s.UseClock(request, own_time_ms, increment_ms, togo);
    }
    if (depth_limit > 0) {
      request.limits.depth = depth_limit;
      request.given = true;
    }
    return request;
  }

  void Ping(const std::vector<std::string>& w) {
    std::string pong = "pong" + (w.size() > 1 ? " " + w[1] : std::string());
    std::lock_guard<std::mutex> lock(pong_mutex);
    if (own_move_pending)
      pongs.push_back(pong);
    else
      Say(pong);
  }

  // After the move (or after thinking was abandoned): the pongs held back.
  void MoveDone() {
    std::lock_guard<std::mutex> lock(pong_mutex);
    for (const std::string& pong : pongs) Say(pong);
    pongs.clear();
    own_move_pending = false;
  }

  void Think() {
    if (s.position.NoLegalMoves()) return Say(ResultFor(s.position.SideToMove()));
    {
      std::lock_guard<std::mutex> lock(pong_mutex);
      own_move_pending = true;
    }
    s.Go(
        Request(),
        [this](const SearchInfo& info) {
          if (!post) return std::string();
          int score = info.score;
          if (info.mate_in_moves)
            score = *info.mate_in_moves > 0 ? 100000 + *info.mate_in_moves
                                            : -100000 + *info.mate_in_moves;
          std::string line = std::to_string(info.depth) + " " + std::to_string(score) + " " +
                             std::to_string(info.time_ms / 10) + " " + std::to_string(info.nodes);
          line += protocol::Moves(info.pv);
          return line;
        },
        [this](const SearchResult& result) {
          // Only this thread touches the position until the reader has joined it.
          if (!cancelled && result.best != kNoMove && s.position.IsLegal(result.best)) {
            s.position.MakeMove(result.best);
            Say("move " + ToIccs(result.best));
            if (s.position.NoLegalMoves()) Say(ResultFor(s.position.SideToMove()));
          }
          MoveDone();
        });
  }

  void Features() {
    Say("feature done=0");
    Say("feature myname=\"XiangqiCli\" variants=\"xiangqi\" usermove=1 setboard=1 ping=1 "
        "time=1 draw=0 sigint=0 sigterm=0 reuse=1 analyze=0 colors=0 memory=1");
    Say("feature option=\"Level -spin " + std::to_string(s.level) + " 1 8\"");
    Say("feature option=\"Move Overhead -spin " + std::to_string(kDefaultMoveOverheadMs) + " 0 " +
        std::to_string(protocol::kMaxMoveOverheadMs) + "\"");
    Say(std::string("feature option=\"UseNetwork -check ") + (s.use_network ? "1" : "0") + "\"");
    Say("feature done=1");
  }

  void UserMove(const std::string& text) {
    Halt();
    auto move = ParseIccs(text);
    if (!move || !s.position.IsLegal(*move)) return Say("Illegal move: " + text);
    s.position.MakeMove(*move);
    if (!force && s.position.SideToMove() == engine_side) Think();
  }

  // "white"/"black": that side is to move and the engine plays the other.
  void SetSideToMove(Color side, const std::vector<std::string>& w) {
    engine_side = Opponent(side);
    if (s.position.SideToMove() == side) return;
    std::string fen = s.position.Fen(), why;
    fen[fen.find(' ') + 1] = side == kRed ? 'w' : 'b';
    auto pos = Position::FromFen(fen, &why);
    if (!pos) return Error("the other side cannot move: " + why, w);
    s.position = std::move(*pos);
  }

  void Level(const std::vector<std::string>& w) {
    if (w.size() != 4) return Error("level needs MPS BASE INC", w);
    auto mps = ParseNumber(w[1], 0, 10000);
    auto base = ParseMinutes(w[2]);
    auto inc = ParseSeconds(w[3]);
    if (!mps || !base || !inc) return Error("bad time control", w);
    moves_per_session = int(*mps);
    increment_ms = *inc;
    seconds_per_move_ms = 0;
    base_ms = own_time_ms = *base;
  }

  void Option(const std::vector<std::string>& w) {
    std::string text = protocol::Join(w, 1, w.size());
    size_t eq = text.find('=');
    std::string name = text.substr(0, eq);
    if (eq == std::string::npos) return Error("unknown option", w);
    std::string value = text.substr(eq + 1);
    if (name == "Level") {
      auto level = ParseNumber(value, kMinLevel, kMaxLevel);
      if (!level) return Error("Level is a number from 1 to 8", w);
      s.level = int(*level);
    } else if (name == "Move Overhead") {
      auto ms = ParseNumber(value, 0, protocol::kMaxMoveOverheadMs);
      if (!ms) return Error("Move Overhead is a number of ms from 0 to 5000", w);
      s.move_overhead_ms = *ms;
    } else if (name == "UseNetwork") {
      if (value != "0" && value != "1") return Error("UseNetwork is 1 or 0", w);
      s.UseNetwork(value == "1");
    } else {
      Error("unknown option", w);
    }
  }

  // Commands that may come while the engine thinks and leave its thinking alone.
  bool HandleWhileThinking(const std::vector<std::string>& w) {
    const std::string& c = w[0];
    if (c == "ping") {
      Ping(w);
    } else if (c == "time" || c == "otim") {
      auto cs = w.size() == 2 ? ParseNumber(w[1], -kMaxMs, kMaxMs / 10) : std::nullopt;
      if (!cs) return Error("time is in centiseconds", w), true;
      if (c == "time") own_time_ms = std::max<int64_t>(0, *cs * 10);
    } else if (c == "post" || c == "nopost") {
      post = c == "post";
    } else if (c == "?") {
      s.StopSearch();  // move now, with what was found
    } else if (c == "xboard" || c == "hard" || c == "easy" || c == "computer" || c == "random" ||
               c == "name" || c == "rating" || c == "ics" || c == "accepted" || c == "rejected" ||
               c == "draw" || c == "hint" || c == "bk" || c == "." || c == "cores" || c == "exit" ||
               c == "nps") {
      // Nothing to do: no pondering, no book, one thread, no draw offers.
    } else {
      return false;
    }
    return true;
  }

  // Returns false on "quit".
  bool Handle(const std::vector<std::string>& w) {
    if (HandleWhileThinking(w)) return true;
    const std::string& c = w[0];
    Halt();
    if (c == "quit") return false;
    if (c == "protover") {
      Features();
    } else if (c == "new") {
      s.position = Position();
      s.searcher.NewGame();
      force = false;
      engine_side = kBlack;
      depth_limit = 0;
      own_time_ms = base_ms;
    } else if (c == "variant") {
      if (w.size() != 2 || w[1] != "xiangqi") Error("unsupported variant", w);
    } else if (c == "force") {
      force = true;
    } else if (c == "go") {
      force = false;
      engine_side = s.position.SideToMove();
      Think();
    } else if (c == "playother") {
      force = false;
      engine_side = Opponent(s.position.SideToMove());
    } else if (c == "white" || c == "black") {
      SetSideToMove(c == "white" ? kRed : kBlack, w);
    } else if (c == "usermove") {
      if (w.size() != 2) return Error("usermove needs one move", w), true;
      UserMove(w[1]);
    } else if (c == "setboard") {
      std::string fen = protocol::Join(w, 1, w.size()), why;
      auto pos = Position::FromFen(fen, &why);
      if (!pos) return Error("illegal position: " + why, w), true;
      s.position = std::move(*pos);
    } else if (c == "level") {
      Level(w);
    } else if (c == "st") {
      auto ms = w.size() == 2 ? ParseSeconds(w[1]) : std::nullopt;
      if (!ms || *ms == 0) return Error("st needs seconds", w), true;
      seconds_per_move_ms = *ms;
    } else if (c == "sd") {
      auto depth = w.size() == 2 ? ParseNumber(w[1], 1, 127) : std::nullopt;
      if (!depth) return Error("sd needs a depth from 1 to 127", w), true;
      depth_limit = int(*depth);
    } else if (c == "undo" || c == "remove") {
      size_t count = c == "undo" ? 1 : 2;
      if (s.position.Ply() < count) return Error("no move to take back", w), true;
      for (size_t i = 0; i < count; ++i) s.position.UnmakeMove();
    } else if (c == "result") {
      force = true;
    } else if (c == "memory") {
      auto mb = w.size() == 2 ? ParseNumber(w[1], 1, int64_t(kMaxHashMb)) : std::nullopt;
      if (!mb) return Error("memory needs a number of MB", w), true;
      if (!s.SetHash(*mb))
        return Error("memory beyond what this machine can give (at most " +
                         std::to_string(s.setup.max_hash_mb) + " MB); the table is unchanged",
                     w),
               true;
    } else if (c == "option") {
      Option(w);
    } else if (w.size() == 1 && ParseIccs(c)) {
      UserMove(c);  // an interface that did not take usermove=1
    } else {
      Error("unknown command", w);
    }
    return true;
  }
};

}  // namespace

void RunXboard(std::istream& in, std::ostream& out, const ProtocolSetup& setup) {
  Xboard session(out, setup);
  if (protocol::ReadCommands(in, session.s,
                             [&](const auto& words) { return session.Handle(words); }))
    session.Halt();
}

}  // namespace engine
