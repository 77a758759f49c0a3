// UCCI, the Chinese chess universal interface: "ucci", "position", "banmoves", "go" with
// depth, nodes or a clock, "bestmove"/"nobestmove", "quit" answered with "bye".
#include <algorithm>
#include <istream>
#include <string>
#include <vector>

#include "engine/network.h"
#include "engine/protocol.h"
#include "engine/protocol_session.h"

namespace engine {

namespace {

using protocol::GoRequest;
using protocol::kMaxMs;
using protocol::ParseNumber;
using protocol::SearchSession;

struct Ucci {
  explicit Ucci(std::ostream& out, const ProtocolSetup& setup) : s(out, setup) {}

  SearchSession s;
  bool millis = false;  // clock values in milliseconds instead of seconds
  std::vector<Move> banned;

  void Say(const std::string& line) { s.output.Line(line); }
  void Refuse(const std::string& why) { Say("info string " + why); }
  // A go that cannot be served still gets its answer, after any search under way has given its.
  void RefuseGo(const std::string& why) {
    s.Settle();
    Refuse(why);
    Say("nobestmove");
  }

  void Identify() {
    Say("id name XiangqiCli");
    Say("id copyright the xiangqi project");
    Say("id author the xiangqi project");
    Say("option usemillisec type check default false");
    Say("option hashsize type spin min 1 max " + std::to_string(s.setup.max_hash_mb) + " default " +
        std::to_string(s.setup.hash_mb));
    Say("option level type spin min 1 max 8 default " + std::to_string(s.setup.level));
    Say("option moveoverhead type spin min 0 max " + std::to_string(protocol::kMaxMoveOverheadMs) +
        " default " + std::to_string(kDefaultMoveOverheadMs));
    Say("option multipv type spin min 1 max " + std::to_string(protocol::kMaxMultiPv) +
        " default 1");
    Say("option chaserule type check default true");
    Say("option nocapturedraw type spin min 0 max " + std::to_string(protocol::kMaxNoCapturePlies) +
        " default 0");
    Say(std::string("option usenetwork type check default ") + (s.use_network ? "true" : "false"));
    Say(std::string("option evalfile type string default ") + kBuiltInNetwork);
    Say("option newgame type button");
    Say("ucciok");
  }

  void SetOption(const std::vector<std::string>& w) {
    if (w.size() < 2) return Refuse("setoption needs a name");
    std::string name = protocol::Lower(w[1]);
    std::string value = w.size() > 2 ? protocol::Lower(w[2]) : "";
    if (name == "usemillisec") {
      if (value != "true" && value != "false") return Refuse("usemillisec is true or false");
      millis = value == "true";
    } else if (name == "hashsize") {
      auto mb = ParseNumber(value, 1, int64_t(s.setup.max_hash_mb));
      if (!mb || !s.SetHash(*mb))
        return Refuse("hashsize is a number of MB from 1 to " +
                      std::to_string(s.setup.max_hash_mb) +
                      " that this machine can give; the table is unchanged");
    } else if (name == "level") {
      auto level = ParseNumber(value, kMinLevel, kMaxLevel);
      if (!level) return Refuse("level is a number from 1 to 8");
      s.level = int(*level);
    } else if (name == "moveoverhead") {
      auto ms = ParseNumber(value, 0, protocol::kMaxMoveOverheadMs);
      if (!ms) return Refuse("moveoverhead is a number of ms from 0 to 5000");
      s.move_overhead_ms = *ms;
    } else if (name == "multipv") {
      auto lines = ParseNumber(value, 1, protocol::kMaxMultiPv);
      if (!lines) return Refuse("multipv is a number from 1 to 5");
      s.multipv = int(*lines);
    } else if (name == "chaserule") {
      if (value != "true" && value != "false")
        return Refuse("chaserule is true (a perpetual chase loses) or false (it is a draw)");
      s.chase_rule = value == "true";
    } else if (name == "nocapturedraw") {
      auto plies = ParseNumber(value, 0, protocol::kMaxNoCapturePlies);
      if (!plies)
        return Refuse("nocapturedraw is the plies without a capture that draw, 0 to 1000");
      s.no_capture_plies = int(*plies);
    } else if (name == "usenetwork") {
      if (value != "true" && value != "false")
        return Refuse("usenetwork is true (the evaluation network) or false (the classical one)");
      s.UseNetwork(value == "true");
    } else if (name == "evalfile") {
      std::string why;  // a file's name keeps its case and its blanks
      if (!s.LoadNetwork(protocol::Join(w, 2, w.size()), &why))
        return Refuse("evalfile: " + why + "; the network is unchanged");
    } else if (name == "newgame") {
      s.NewGame();
    } else {
      Refuse("unknown option " + w[1]);
    }
  }

  void SetPosition(const std::vector<std::string>& w) {
    std::string error;
    auto pos = protocol::ReadPositionCommand(w, 1, error);
    banned.clear();
    if (!pos) {
      s.position_valid = false;
      return Refuse(error + "; no position until a good one comes");
    }
    s.position = std::move(*pos);
    s.position_valid = true;
  }

  void BanMoves(const std::vector<std::string>& w) {
    if (!s.position_valid) return Refuse("banmoves: no position to ban moves in");
    std::vector<Move> moves;
    for (size_t i = 1; i < w.size(); ++i) {
      auto move = ParseIccs(w[i]);
      if (!move || !s.position.IsLegal(*move)) return Refuse("banmoves: not a legal move " + w[i]);
      moves.push_back(*move);
    }
    banned = std::move(moves);
  }

  // A clock value: seconds, or milliseconds after "setoption usemillisec true".
  std::optional<int64_t> Clock(const std::string& text) const {
    auto value = ParseNumber(text, 0, kMaxMs);
    if (!value) return std::nullopt;
    return millis ? *value : std::min(*value * 1000, kMaxMs);
  }

  void Go(const std::vector<std::string>& w) {
    if (!s.position_valid) return RefuseGo("go: the last position was refused; send a good one");
    GoRequest request;
    request.banned = banned;
    std::optional<int64_t> time, increment;
    int movestogo = 0;
    for (size_t i = 1; i < w.size(); ++i) {
      const std::string& key = w[i];
      if (key == "draw") continue;  // no draw offers are answered
      if (key == "ponder") {
        request.ponder = true;
        continue;
      }
      if (key == "infinite") {
        request.infinite = true;
        continue;
      }
      if (i + 1 >= w.size()) return RefuseGo("go: " + key + " needs a value");
      const std::string& value = w[++i];
      if (key == "perft") {
        auto depth = ParseNumber(value, 1, s.setup.max_perft_depth);
        if (!depth)
          return RefuseGo("go perft takes a depth from 1 to " +
                          std::to_string(s.setup.max_perft_depth));
        s.Settle();
        for (const std::string& line : protocol::PerftLines(s.position, int(*depth))) Say(line);
        return;
      }
      if (key == "depth" && value == "infinite") {
        request.infinite = true;
      } else if (key == "depth") {
        auto depth = ParseNumber(value, 1, 127);
        if (!depth) return RefuseGo("go: depth is a number from 1 to 127");
        request.limits.depth = int(*depth);
        request.given = true;
      } else if (key == "nodes") {
        auto nodes = ParseNumber(value, 1, int64_t(1) << 50);
        if (!nodes) return RefuseGo("go: nodes is a positive number");
        request.limits.nodes = uint64_t(*nodes);
        request.given = true;
      } else if (key == "time") {
        if (!(time = Clock(value))) return RefuseGo("go: time is a number");
      } else if (key == "increment") {
        if (!(increment = Clock(value))) return RefuseGo("go: increment is a number");
      } else if (key == "movestogo") {
        auto moves = ParseNumber(value, 1, 10000);
        if (!moves) return RefuseGo("go: movestogo is a positive number");
        movestogo = int(*moves);
      } else if (key == "opptime" || key == "oppincrement" || key == "oppmovestogo") {
        // The opponent's clock does not change how long this engine thinks.
      } else {
        return RefuseGo("go: unknown word " + key);
      }
    }
    if (time) s.UseClock(request, *time, increment.value_or(0), movestogo);
    bool lines = s.multipv > 1;
    s.Go(
        request,
        [lines](const SearchInfo& info) {
          std::string line = "info depth " + std::to_string(info.depth);
          if (lines) line += " multipv " + std::to_string(info.multipv);
          line += " score " + std::to_string(info.score) + " time " + std::to_string(info.time_ms) +
                  " nodes " + std::to_string(info.nodes);
          if (!info.pv.empty()) line += " pv";
          line += protocol::Moves(info.pv);
          return line;
        },
        [this](const SearchResult& result) {
          if (result.best == kNoMove) return Say("nobestmove");
          std::string line = "bestmove " + ToIccs(result.best);
          if (result.ponder != kNoMove) line += " ponder " + ToIccs(result.ponder);
          Say(line);
        });
  }

  // Returns false on "quit".
  bool Handle(const std::vector<std::string>& w) {
    const std::string& command = w[0];
    if (command == "ucci") {
      Identify();
    } else if (command == "isready") {
      Say("readyok");
    } else if (command == "setoption") {
      SetOption(w);
    } else if (command == "position") {
      SetPosition(w);
    } else if (command == "banmoves") {
      BanMoves(w);
    } else if (command == "go") {
      Go(w);
    } else if (command == "stop") {
      s.StopSearch();
    } else if (command == "ponderhit") {
      s.PonderHit();
    } else if (command == "quit") {
      s.StopSearch();
      Say("bye");
      return false;
    } else {
      Refuse("unknown command " + command);
    }
    return true;
  }
};

}  // namespace

void RunUcci(std::istream& in, std::ostream& out, const ProtocolSetup& setup) {
  Ucci session(out, setup);
  protocol::ReadCommands(in, session.s, [&](const auto& words) { return session.Handle(words); });
}

}  // namespace engine
