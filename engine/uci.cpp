// UCI as xiangqi interfaces speak it to their engines: ICCS squares a0..i9, FEN with w or b, and
// the variant option that names xiangqi.
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
using protocol::Lower;
using protocol::ParseNumber;
using protocol::SearchSession;

struct Uci {
  explicit Uci(std::ostream& out, const ProtocolSetup& setup) : s(out, setup) {}

  SearchSession s;

  void Say(const std::string& line) { s.output.Line(line); }
  void Refuse(const std::string& why) { Say("info string " + why); }
  // A go that cannot be served still gets its answer, after any search under way has given its.
  void RefuseGo(const std::string& why) {
    s.Settle();
    Refuse(why);
    Say("bestmove (none)");
  }

  void Identify() {
    Say("id name XiangqiCli");
    Say("id author the xiangqi project");
    Say("option name Hash type spin default " + std::to_string(s.setup.hash_mb) + " min 1 max " +
        std::to_string(s.setup.max_hash_mb));
    Say("option name Ponder type check default false");
    Say("option name Move Overhead type spin default " + std::to_string(kDefaultMoveOverheadMs) +
        " min 0 max " + std::to_string(protocol::kMaxMoveOverheadMs));
    Say("option name Clear Hash type button");
    Say("option name Level type spin default " + std::to_string(s.setup.level) + " min 1 max 8");
    Say("option name MultiPV type spin default 1 min 1 max " +
        std::to_string(protocol::kMaxMultiPv));
    Say("option name ChaseRule type check default true");
    Say("option name NoCaptureDraw type spin default 0 min 0 max " +
        std::to_string(protocol::kMaxNoCapturePlies));
    Say(std::string("option name UseNetwork type check default ") +
        (s.use_network ? "true" : "false"));
    Say(std::string("option name EvalFile type string default ") + kBuiltInNetwork);
    Say("option name UCI_Variant type combo default xiangqi var xiangqi");
    Say("uciok");
  }

  // "setoption name NAME WORDS value WORDS": names and values may hold blanks.
  void SetOption(const std::vector<std::string>& w) {
    auto value_at = std::find(w.begin(), w.end(), "value") - w.begin();
    if (w.size() < 3 || w[1] != "name") return Refuse("setoption name NAME [value VALUE]");
    std::string name = Lower(protocol::Join(w, 2, value_at));
    std::string value = protocol::Join(w, value_at + 1, w.size());
    if (name == "hash") {
      auto mb = ParseNumber(value, 1, int64_t(s.setup.max_hash_mb));
      if (!mb || !s.SetHash(*mb))
        return Refuse("Hash is a number of MB from 1 to " + std::to_string(s.setup.max_hash_mb) +
                      " that this machine can give; the table is unchanged");
    } else if (name == "ponder") {
      // The interface decides when to ponder ("go ponder"); the option only tells it that it may.
      if (Lower(value) != "true" && Lower(value) != "false")
        return Refuse("Ponder is true or false");
    } else if (name == "move overhead") {
      auto ms = ParseNumber(value, 0, protocol::kMaxMoveOverheadMs);
      if (!ms) return Refuse("Move Overhead is a number of ms from 0 to 5000");
      s.move_overhead_ms = *ms;
    } else if (name == "clear hash") {
      s.NewGame();
    } else if (name == "multipv") {
      auto lines = ParseNumber(value, 1, protocol::kMaxMultiPv);
      if (!lines) return Refuse("MultiPV is a number from 1 to 5");
      s.multipv = int(*lines);
    } else if (name == "chaserule") {
      if (Lower(value) != "true" && Lower(value) != "false")
        return Refuse("ChaseRule is true (a perpetual chase loses) or false (it is a draw)");
      s.chase_rule = Lower(value) == "true";
    } else if (name == "nocapturedraw") {
      auto plies = ParseNumber(value, 0, protocol::kMaxNoCapturePlies);
      if (!plies)
        return Refuse("NoCaptureDraw is the plies without a capture that draw, 0 to 1000");
      s.no_capture_plies = int(*plies);
    } else if (name == "usenetwork") {
      if (Lower(value) != "true" && Lower(value) != "false")
        return Refuse("UseNetwork is true (the evaluation network) or false (the classical one)");
      s.UseNetwork(Lower(value) == "true");
    } else if (name == "evalfile") {
      std::string why;
      if (!s.LoadNetwork(value, &why))
        return Refuse("EvalFile: " + why + "; the network is unchanged");
    } else if (name == "level") {
      auto level = ParseNumber(value, kMinLevel, kMaxLevel);
      if (!level) return Refuse("Level is a number from 1 to 8");
      s.level = int(*level);
    } else if (name == "uci_variant") {
      if (Lower(value) != "xiangqi")
        return Refuse("variant " + value + " is not played here; only xiangqi");
    } else {
      Refuse("unknown option " + protocol::Join(w, 2, value_at));
    }
  }

  void SetPosition(const std::vector<std::string>& w) {
    std::string error;
    auto pos = protocol::ReadPositionCommand(w, 1, error);
    if (!pos) {
      s.position_valid = false;
      return Refuse(error + "; no position until a good one comes");
    }
    s.position = std::move(*pos);
    s.position_valid = true;
  }

  static std::string InfoLine(const SearchInfo& info, bool lines) {
    std::string line = "info depth " + std::to_string(info.depth);
    if (info.seldepth > 0) line += " seldepth " + std::to_string(info.seldepth);
    if (lines) line += " multipv " + std::to_string(info.multipv);
    if (info.mate_in_moves)
      line += " score mate " + std::to_string(*info.mate_in_moves);
    else
      line += " score cp " + std::to_string(info.score);
    line += " nodes " + std::to_string(info.nodes) + " time " + std::to_string(info.time_ms);
    if (info.time_ms > 0)
      line += " nps " + std::to_string(info.nodes * 1000 / uint64_t(info.time_ms));
    if (!info.pv.empty()) line += " pv";
    line += protocol::Moves(info.pv);
    return line;
  }

  void Go(const std::vector<std::string>& w) {
    if (!s.position_valid) return RefuseGo("go: the last position was refused; send a good one");
    GoRequest request;
    std::optional<int64_t> clock[2], increment[2];
    int movestogo = 0;
    std::vector<Move> only;  // searchmoves
    for (size_t i = 1; i < w.size(); ++i) {
      const std::string& key = w[i];
      if (key == "infinite") {
        request.infinite = true;
        continue;
      }
      if (key == "ponder") {
        request.ponder = true;
        continue;
      }
      if (key == "searchmoves") {
        // The moves run to the next keyword; every other root move is banned.
        for (; i + 1 < w.size(); ++i) {
          auto move = ParseIccs(w[i + 1]);
          if (!move) break;
          if (!s.position.IsLegal(*move))
            return RefuseGo("go searchmoves: illegal move " + w[i + 1]);
          only.push_back(*move);
        }
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
      if (key == "wtime" || key == "btime" || key == "winc" || key == "binc") {
        // A clock can run below zero in a late interface; it still means "hurry".
        auto ms = ParseNumber(value, -kMaxMs, kMaxMs);
        if (!ms) return RefuseGo("go: " + key + " is a number of milliseconds");
        int side = key[0] == 'w' ? kRed : kBlack;
        (key[1] == 't' ? clock : increment)[side] = std::max<int64_t>(0, *ms);
      } else if (key == "movestogo") {
        auto moves = ParseNumber(value, 1, 10000);
        if (!moves) return RefuseGo("go: movestogo is a positive number");
        movestogo = int(*moves);
      } else if (key == "movetime") {
        auto ms = ParseNumber(value, 1, kMaxMs);
        if (!ms) return RefuseGo("go: movetime is a positive number of milliseconds");
        s.MoveTime(request, *ms, true);
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
      } else if (key == "mate") {
        auto moves = ParseNumber(value, 1, 60);
        if (!moves) return RefuseGo("go: mate is a number of moves");
        request.limits.depth = int(*moves) * 2;
        request.given = true;
      } else {
        return RefuseGo("go: unknown word " + key);
      }
    }
    int side = s.position.SideToMove();
    if (clock[side] && request.limits.movetime_ms == 0)
      s.UseClock(request, *clock[side], increment[side].value_or(0), movestogo);
    if (!only.empty()) {
      for (Move m : s.position.LegalMoves())
        if (std::find(only.begin(), only.end(), m) == only.end()) request.banned.push_back(m);
    }
    bool lines = s.multipv > 1;
    auto info = [lines](const SearchInfo& i) { return InfoLine(i, lines); };
    s.Go(request, info, [this](const SearchResult& result) {
      if (result.best == kNoMove) return Say("bestmove (none)");
      std::string line = "bestmove " + ToIccs(result.best);
      if (result.ponder != kNoMove) line += " ponder " + ToIccs(result.ponder);
      Say(line);
    });
  }

  // Returns false on "quit".
  bool Handle(const std::vector<std::string>& w) {
    const std::string& command = w[0];
    if (command == "uci") {
      Identify();
    } else if (command == "isready") {
      Say("readyok");
    } else if (command == "ucinewgame") {
      s.NewGame();
      s.position = Position();
      s.position_valid = true;
    } else if (command == "setoption") {
      SetOption(w);
    } else if (command == "position") {
      SetPosition(w);
    } else if (command == "go") {
      Go(w);
    } else if (command == "stop") {
      s.StopSearch();
    } else if (command == "ponderhit") {
      s.PonderHit();
    } else if (command == "d") {
      Say("Fen: " + s.position.Fen());
    } else if (command == "debug" || command == "register") {
      // Nothing to debug or register; accepted so that interfaces that send them see no noise.
    } else if (command == "quit") {
      s.StopSearch();
      return false;
    } else {
      Refuse("unknown command " + command);
    }
    return true;
  }
};

}  // namespace

void RunUci(std::istream& in, std::ostream& out, const ProtocolSetup& setup) {
  Uci session(out, setup);
  protocol::ReadCommands(in, session.s, [&](const auto& words) { return session.Handle(words); });
}

}  // namespace engine
