// The protocol sessions driven through their text, as an interface drives them: each case is a
// session's input and the lines its output must hold, in order, and lines it must not hold.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <functional>
#include <mutex>
#include <regex>
#include <sstream>
#include <streambuf>
#include <string>
#include <thread>
#include <vector>

#include "engine/network.h"
#include "engine/protocol.h"

namespace {

using Runner = void (*)(std::istream&, std::ostream&, const engine::ProtocolSetup&);

struct Session {
  const char* name;
  std::string input;
  std::vector<std::string> expected;  // patterns of whole lines, matched in this order
  std::vector<std::string> absent = {};
};

// Black to move has only d9e9, a3a2 and a3b3.
constexpr const char* kThreeMoves = "3k5/R8/9/9/9/9/p8/9/9/5K3 b - - 0 1";
// Black to move is mated.
constexpr const char* kMated = "3k5/9/9/9/9/9/9/9/9/3RK4 b - - 0 1";
// Red to move mates with b1b9.
constexpr const char* kMateInOne = "3k5/R8/9/9/9/9/9/9/1R7/5K3 w - - 0 1";

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

void Check(Runner run, const Session& session, const engine::ProtocolSetup& setup = {}) {
  SCOPED_TRACE(session.name);
  std::istringstream in(session.input);
  std::ostringstream out;
  run(in, out, setup);
  std::vector<std::string> lines = Lines(out.str());
  size_t at = 0;
  for (const std::string& pattern : session.expected) {
    std::regex re(pattern);
    while (at < lines.size() && !std::regex_match(lines[at], re)) ++at;
    ASSERT_LT(at, lines.size()) << "no line '" << pattern << "' in order in:\n" << out.str();
    ++at;
  }
  for (const std::string& pattern : session.absent)
    for (const std::string& line : lines)
      EXPECT_FALSE(std::regex_match(line, std::regex(pattern)))
          << "unexpected '" << line << "' in:\n"
          << out.str();
}

// A session on a thread of its own, fed line by line while it runs, its output read as it comes:
// for what must or must not happen while a search is under way. The waits have a generous bound
// only so that a fault fails the test instead of hanging it.
class LiveSession {
 public:
  explicit LiveSession(Runner run, const engine::ProtocolSetup& setup = {})
      : in_(&input_), out_(&output_) {
    thread_ = std::thread([this, run, setup] {
      run(in_, out_, setup);
      std::lock_guard<std::mutex> lock(mutex_);
      ended_ = true;
      changed_.notify_all();
    });
  }
  ~LiveSession() {
    Send("quit");
    input_.Close();
    thread_.join();
  }
  void Send(const std::string& line) { input_.Write(line + "\n"); }
  // Waits for a line matching `pattern` after the last one waited for.
  bool WaitFor(const std::string& pattern) {
    std::regex re(pattern);
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] {
      auto lines = Lines(output_.text.substr(0, output_.text.rfind('\n') + 1));  // whole lines
      for (; seen_ < lines.size(); ++seen_)
        if (std::regex_match(lines[seen_], re)) return ++seen_, true;
      return false;
    });
  }
  bool WaitForEnd() {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, kPatience, [&] { return ended_; });
  }
  int Count(const std::string& pattern) {
    std::lock_guard<std::mutex> lock(mutex_);
    auto lines = Lines(output_.text);
    std::regex re(pattern);
    return int(std::count_if(lines.begin(), lines.end(),
                             [&](const std::string& l) { return std::regex_match(l, re); }));
  }
  std::string Text() {
    std::lock_guard<std::mutex> lock(mutex_);
    return output_.text;
  }

 private:
  static constexpr std::chrono::seconds kPatience{30};

  // Input that blocks until the test writes more, as a pipe does.
  struct Input : std::streambuf {
    void Write(const std::string& text) {
      std::lock_guard<std::mutex> lock(mutex);
      data += text;
      more.notify_all();
    }
    void Close() {
      std::lock_guard<std::mutex> lock(mutex);
      closed = true;
      more.notify_all();
    }
    int_type underflow() override {
      std::unique_lock<std::mutex> lock(mutex);
      more.wait(lock, [&] { return at < data.size() || closed; });
      if (at >= data.size()) return traits_type::eof();
      current = data[at++];
      setg(&current, &current, &current + 1);
      return traits_type::to_int_type(current);
    }
    std::mutex mutex;
    std::condition_variable more;
    std::string data;
    size_t at = 0;
    bool closed = false;
    char current = 0;
  };
  struct Output : std::streambuf {
    explicit Output(LiveSession* owner) : owner(owner) {}
    int_type overflow(int_type c) override {
      if (c == traits_type::eof()) return 0;
      std::lock_guard<std::mutex> lock(owner->mutex_);
      text += traits_type::to_char_type(c);
      owner->changed_.notify_all();
      return c;
    }
    LiveSession* owner;
    std::string text;
  };

  std::mutex mutex_;
  std::condition_variable changed_;
  Input input_;
  Output output_{this};
  std::istream in_;
  std::ostream out_;
  size_t seen_ = 0;
  bool ended_ = false;
  std::thread thread_;
};

std::string Fen(const char* fen) {
  return std::string(fen);
}

TEST(EngineProtocol, Ucci) {
  const std::vector<Session> sessions = {
      {"handshake",
       "ucci\nquit\nisready\n",
       {"id name .+", "option hashsize type spin .*", "ucciok", "bye"},
       {"readyok"}},
      {"search with info",
       "setoption level 8\nposition startpos moves h2e2 h9g7\ngo depth 3\n",
       {"info depth 1 score -?\\d+ time \\d+ nodes \\d+ pv( [a-i]\\d[a-i]\\d)+", "info depth 3 .*",
        "bestmove [a-i]\\d[a-i]\\d( ponder [a-i]\\d[a-i]\\d)?"}},
      {"banmoves leave one move",
       "position fen " + Fen(kThreeMoves) + "\nbanmoves a3a2 a3b3\ngo depth 3\n",
       {"bestmove d9e9.*"}},
      {"a new position clears the banned moves",
       "position fen " + Fen(kThreeMoves) + "\nbanmoves d9e9 a3b3\nposition fen " +
           Fen(kThreeMoves) + "\ngo perft 1\n",
       {"d9e9: 1", "Nodes searched: 3"}},
      {"no move when mated", "position fen " + Fen(kMated) + "\ngo depth 2\n", {"nobestmove"}},
      {"clock in seconds and in milliseconds",
       "go time 1 increment 0\nsetoption usemillisec true\ngo time 60 movestogo 1\n",
       {"bestmove .*", "bestmove .*"}},
      {"perft", "position startpos\ngo perft 2\n", {"h2e2: 45", "", "Nodes searched: 1920"}},
      {"stop ends an endless search",
       "position startpos\ngo depth infinite\nstop\nquit\n",
       {"bestmove .*", "bye"}},
      {"bad input is answered and the session goes on",
       "hello\nposition fen 9/9/9 w\nposition startpos moves h2h9 z9\nposition startpos moves "
       "h2h8\nbanmoves h2e2\ngo depth 1\nposition startpos\nbanmoves e0e2\ngo depth x\n"
       "go perft 9\nsetoption hashsize 0\nsetoption level 9\ngo\n",
       {"info string unknown command hello", "info string bad FEN .*",
        "info string illegal move h2h8; no position until a good one comes",
        "info string banmoves: no position to ban moves in",
        "info string go: the last position was refused; send a good one", "nobestmove",
        "info string banmoves: not a legal move e0e2", "info string go: depth .*", "nobestmove",
        "info string go perft .*", "nobestmove", "info string hashsize .*", "info string level .*",
        "bestmove .*"}},
  };
  engine::ProtocolSetup setup;
  setup.level = 3;
  for (const Session& s : sessions) Check(engine::RunUcci, s, setup);
}

TEST(EngineProtocol, Uci) {
  const std::vector<Session> sessions = {
      {"handshake",
       "uci\nsetoption name UCI_Variant value xiangqi\nisready\n",
       {"id name .+", "id author .+", "option name Hash type spin default 16 min 1 max 1024",
        "option name Level type spin default 8 min 1 max 8", "uciok", "readyok"},
       {"info string .*"}},
      {"other variants are refused",
       "setoption name UCI_Variant value chess\n",
       {"info string variant chess is not played here; only xiangqi"}},
      {"search with info",
       "ucinewgame\nposition fen " + Fen(engine::kStartFen) + " moves h2e2\ngo depth 3\n",
       {"info depth 1 (seldepth \\d+ )?score cp -?\\d+ nodes \\d+ time \\d+.* pv .*",
        "bestmove [a-i]\\d[a-i]\\d.*"}},
      {"mate is reported as mate",
       "position fen " + Fen(kMateInOne) + "\ngo depth 3\n",
       {"info .*score mate 1 .*", "bestmove b1b9.*"}},
      {"a win by the rule against perpetual check is a large score, not a mate",
       "position fen 4k4/R8/8c/9/9/7rr/9/9/4A4/2BK1AB2 w - - 0 1 moves a8a9 e9e8 a9a8 e8e9 a8a9\n"
       "go depth 3\n",
       {"info .*score cp 2\\d{4} .*", "bestmove e9e8.*"},
       {".*score mate.*"}},
      {"move overhead",
       "setoption name Move Overhead value 100\nsetoption name Move Overhead value 5001\n"
       "go wtime 150 btime 150\n",
       {"info string Move Overhead is a number of ms from 0 to 5000", "bestmove .*"}},
      {"searchmoves",
       "position fen " + Fen(kThreeMoves) + "\ngo searchmoves a3b3 depth 2\n",
       {"bestmove a3b3.*"}},
      {"no move when mated",
       "position fen " + Fen(kMated) + "\ngo movetime 50\n",
       {"bestmove \\(none\\)"}},
      {"clocks",
       "position startpos\ngo wtime 2000 btime 1 winc 10 binc 0 movestogo 5\n",
       {"bestmove .*"}},
      {"stop ends an endless search", "go infinite\nisready\nstop\n", {"readyok", "bestmove .*"}},
      {"level 1 without the game's search is depth 1",
       "setoption name Level value 1\ngo\n",
       {"info depth 1 .*", "bestmove .*"},
       {"info depth 2 .*"}},
      {"perft",
       "position startpos moves h2e2\ngo perft 1\nd\n",
       {"h9g7: 1", "", "Nodes searched: 45", "Fen: .* b .*"}},
      {"bad input is answered and the session goes on",
       "go\xff\nsetoption name Hash value lots\nsetoption name Colour value red\nsetoption\n"
       "position fen rnbakabnr/9/9 w\nposition fen " +
           Fen(kMated) +
           " moves d9e9\ngo depth 1\nposition startpos\ngo wtime\n"
           "go searchmoves h2h8\nposition\nisready\n",
       {"info string unknown command go\xff", "info string Hash .*",
        "info string unknown option Colour", "info string setoption name .*",
        "info string bad FEN .*",
        "info string illegal move d9e9; no position until a good one comes",
        "info string go: the last position was refused; send a good one", "bestmove \\(none\\)",
        "info string go: wtime needs a value", "bestmove \\(none\\)",
        "info string go searchmoves: illegal move h2h8", "bestmove \\(none\\)",
        "info string position needs .*", "readyok"},
       {"bestmove [a-i].*"}},
  };
  for (const Session& s : sessions) Check(engine::RunUci, s);
}

// Levels 1 and 2 come from the program's shallow search; whatever it answers, only a legal move
// that is not banned is played.
TEST(EngineProtocol, ShallowLevelsAreCheckedAgainstTheRules) {
  struct Case {
    const char* name;
    std::optional<engine::Move> answer;
    std::string input;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {"its move is played", engine::ParseIccs("h0g2"), "go\n", "bestmove h0g2"},
      {"an illegal move is replaced", engine::ParseIccs("h2h8"), "go\n",
       "bestmove (?!h2h8)[a-i]\\d[a-i]\\d.*"},
      {"no answer is replaced", std::nullopt, "go\n", "bestmove [a-i]\\d[a-i]\\d.*"},
      {"a banned move is replaced", engine::ParseIccs("h0g2"), "banmoves h0g2\ngo\n",
       "bestmove (?!h0g2)[a-i]\\d[a-i]\\d.*"},
  };
  for (const Case& c : cases) {
    int calls = 0;
    engine::ProtocolSetup setup;
    setup.level = 2;
    setup.shallow = [&](const engine::Position& pos, int level) {
      ++calls;
      EXPECT_EQ(level, 2);
      EXPECT_EQ(pos.Fen(), engine::Position().Fen());
      return c.answer;
    };
    Check(engine::RunUcci, {c.name, c.input, {c.expected}}, setup);
    EXPECT_EQ(calls, 1) << c.name;
  }
}

TEST(EngineProtocol, Xboard) {
  const std::string start = "xboard\nprotover 2\nnew\nvariant xiangqi\n";
  const std::vector<Session> sessions = {
      {"features",
       "xboard\nprotover 2\n",
       {"feature .*myname=\"[^\"]+\".* variants=\"xiangqi\".*", "feature done=1"}},
      {"the engine answers as black", start + "sd 2\nusermove h2e2\n", {"move [a-i]\\d[a-i]\\d"}},
      {"thinking output after post",
       start + "option Level=8\npost\nsd 3\nusermove h2e2\n",
       {"1 -?\\d+ \\d+ \\d+( [a-i]\\d[a-i]\\d)+", "3 .*", "move .*"}},
      {"force mode plays nothing until go",
       start + "force\nusermove h2e2\nusermove h9g7\nping 4\nsd 2\ngo\n",
       {"pong 4", "move [a-i]\\d[a-i]\\d"}},
      {"a mate is announced",
       start + "setboard " + Fen(kMateInOne) + "\nsd 3\ngo\n",
       {"move b1b9", "1-0 \\{Red wins\\}"}},
      {"a mated engine says so",
       start + "setboard " + Fen(kMated) + "\ngo\n",
       {"1-0 \\{Red wins\\}"},
       {"move .*"}},
      {"undo and remove take moves back",
       start + "force\nusermove h2e2\nusermove h9g7\nremove\nusermove b2e2\nundo\nundo\n"
               "usermove h2e2\n",
       {"Error \\(no move to take back\\): undo"},
       {"Illegal move.*"}},
      {"st gives a time per move", start + "st 0.05\nusermove h2e2\n", {"move .*"}},
      {"bad input is answered and the session goes on",
       start + "usermove h2h8\nusermove\nsetboard 9/9 w\nvariant shogi\nlevel 40 x 0\nst -1\n"
               "sd 0\nundo\nmemory lots\noption Colour=red\nfly\nping 9\n",
       {"Illegal move: h2h8", "Error \\(usermove needs one move\\): usermove",
        "Error \\(illegal position: .*\\): setboard 9/9 w",
        "Error \\(unsupported variant\\): variant shogi",
        "Error \\(bad time control\\): level 40 x 0", "Error \\(st needs seconds\\): st -1",
        "Error \\(sd needs .*\\): sd 0", "Error \\(no move to take back\\): undo",
        "Error \\(memory needs .*\\): memory lots", "Error \\(unknown option\\): .*",
        "Error \\(unknown command\\): fly", "pong 9"},
       {"move .*"}},
  };
  engine::ProtocolSetup setup;
  setup.level = 3;
  for (const Session& s : sessions) Check(engine::RunXboard, s, setup);
}

// "quit" ends the session whatever search runs: one with a far limit, an endless one, pondering.
TEST(EngineProtocol, QuitEndsAnySearch) {
  const std::string xboard = "xboard\nprotover 2\nnew\nvariant xiangqi\n";
  struct Case {
    Runner run;
    Session session;
  };
  const std::vector<Case> cases = {
      {engine::RunUci, {"uci depth", "position startpos\ngo depth 100\nquit\n", {"bestmove .*"}}},
      {engine::RunUci, {"uci time", "go movetime 100000000\nquit\n", {"bestmove .*"}}},
      {engine::RunUci, {"uci ponder", "go ponder\nquit\n", {}}},
      {engine::RunUci, {"uci infinite", "go infinite\nquit\n", {}}},
      {engine::RunUcci, {"ucci depth", "go depth 100\nquit\n", {"bye"}}},
      {engine::RunUcci, {"ucci infinite", "go depth infinite\nquit\n", {"bye"}}},
      {engine::RunXboard, {"xboard depth", xboard + "sd 100\nusermove h2e2\nquit\n", {}}},
      {engine::RunXboard, {"xboard time", xboard + "st 100000\ngo\nquit\n", {}}},
  };
  engine::ProtocolSetup setup;
  setup.level = 8;
  for (const Case& c : cases) Check(c.run, c.session, setup);  // returns: the test is that it ends
}

// An endless search reports its move only on "stop", even when it ends by itself: a mate found,
// or one legal move (which needs no search at all).
TEST(EngineProtocol, EndlessSearchWaitsForStop) {
  struct Case {
    const char* name;
    Runner run;
    std::string setup;  // the lines before the search
    std::string go;
    std::string ended;  // the info line after which the search has ended by itself
    std::string best;
  };
  const std::vector<Case> cases = {
      {"uci mate", engine::RunUci, "position fen " + Fen(kMateInOne), "go infinite",
       "info .*score mate 1 .*", "bestmove b1b9.*"},
      {"uci one move", engine::RunUci, "position fen " + Fen(kThreeMoves),
       "go infinite searchmoves d9e9", "info depth 4 .*", "bestmove d9e9.*"},
      {"ucci mate", engine::RunUcci, "position fen " + Fen(kMateInOne), "go depth infinite",
       "info depth 1 score 2999\\d .*", "bestmove b1b9.*"},
      {"ucci one move", engine::RunUcci,
       "position fen " + Fen(kThreeMoves) + "\nbanmoves a3a2 a3b3", "go depth infinite",
       "info depth 4 .*", "bestmove d9e9.*"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LiveSession session(c.run);
    session.Send(c.setup);
    session.Send(c.go);
    ASSERT_TRUE(session.WaitFor(c.ended)) << session.Text();
    session.Send("isready");
    ASSERT_TRUE(session.WaitFor("readyok"));
    EXPECT_EQ(session.Count("bestmove.*"), 0) << session.Text();
    session.Send("stop");
    EXPECT_TRUE(session.WaitFor(c.best)) << session.Text();
  }
}

// The move overhead is kept back from a fixed time a move too, not only from a clock.
TEST(EngineProtocol, MoveOverheadComesOffAFixedTime) {
  const std::string xboard = "xboard\nprotover 2\nnew\nvariant xiangqi\n";
  struct Case {
    const char* name;
    Runner run;
    std::string input;
    int64_t movetime_ms;
  };
  const std::vector<Case> cases = {
      {"uci", engine::RunUci, "setoption name Move Overhead value 450\ngo movetime 500\n", 50},
      {"uci, no less than 1 ms", engine::RunUci, "go movetime 20\n", 1},
      {"xboard st", engine::RunXboard, xboard + "option Move Overhead=950\nst 1\ngo\n", 50},
  };
  for (const Case& c : cases) {
    std::vector<engine::Limits> searches;
    engine::ProtocolSetup setup;
    setup.on_search = [&](const engine::Limits& limits) { searches.push_back(limits); };
    Check(c.run, {c.name, c.input, {}}, setup);
    ASSERT_EQ(searches.size(), 1u) << c.name;
    EXPECT_EQ(searches[0].movetime_ms, c.movetime_ms) << c.name;
  }
}

// MultiPV: each iteration reports every line, the best first, no two with the same first move;
// the move played is the first line's. Never more lines than legal moves.
TEST(EngineProtocol, MultiPv) {
  struct Case {
    const char* name;
    Runner run;
    std::string input;
    int lines;
  };
  const std::vector<Case> cases = {
      {"uci", engine::RunUci, "setoption name MultiPV value 3\nposition startpos\ngo depth 4\n", 3},
      {"ucci", engine::RunUcci, "setoption multipv 2\nposition startpos\ngo depth 4\n", 2},
      {"fewer moves than lines", engine::RunUci,
       "setoption name MultiPV value 5\nposition fen " + Fen(kThreeMoves) + "\ngo depth 4\n", 3},
  };
  const std::regex info("info depth 4 .*multipv (\\d) score (?:cp )?(-?\\d+) .* pv (\\S+).*");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::istringstream in(c.input);
    std::ostringstream out;
    c.run(in, out, {});
    std::vector<std::string> firsts;
    int last_score = 1 << 30;
    std::string best;
    for (const std::string& line : Lines(out.str())) {
      std::smatch m;
      if (line.rfind("bestmove ", 0) == 0) best = line.substr(9, 4);
      if (!std::regex_match(line, m, info)) continue;
      EXPECT_EQ(std::stoi(m[1]), int(firsts.size()) + 1) << line;
      EXPECT_LE(std::stoi(m[2]), last_score) << line;
      last_score = std::stoi(m[2]);
      EXPECT_EQ(std::count(firsts.begin(), firsts.end(), m[3].str()), 0) << line;
      firsts.push_back(m[3]);
    }
    ASSERT_EQ(int(firsts.size()), c.lines) << out.str();
    EXPECT_EQ(best, firsts[0]);
  }
  Check(engine::RunUci, {"6 lines are too many",
                         "setoption name MultiPV value 6\n",
                         {"info string MultiPV is a number from 1 to 5"}});
}

// An interface says by which rules the game is judged, and the engine's scores follow: black
// repeating against red's chasing chariot wins by the chasing rule, draws without it; a lead
// with no capture in time draws under a no-capture rule.
TEST(EngineProtocol, RuleOptions) {
  const std::string moves = " moves a5a6 c6d8 a6a8 d8c6 a8a6\n";
  const std::string fen = "position fen 5k3/9/9/2n6/R8/9/9/9/9/3K5 w - - 0 1" + moves;
  const std::string win = "info depth 5 .* score cp 2899\\d .*",
                    draw = "info depth \\d .*score (cp )?0 .*";
  Check(engine::RunUci, {"uci, by the rule", fen + "go depth 5\n", {win, "bestmove c6d8.*"}});
  Check(engine::RunUci, {"uci, as a draw",
                         "setoption name ChaseRule value false\n" + fen + "go depth 5\n",
                         {draw, "bestmove c6d8.*"}});
  Check(engine::RunUcci, {"ucci, as a draw",
                          "setoption chaserule false\n" + fen + "go depth 5\n",
                          {draw, "bestmove c6d8.*"}});
  Check(engine::RunUci, {"uci, refused",
                         "setoption name ChaseRule value 0\n",
                         {"info string ChaseRule is true .* or false .*"}});
  // A chariot's lead with the count at 99: no capture can come in time.
  const std::string counted = "position fen 3aka3/9/9/9/9/9/9/9/R8/3K5 w - - 99 80\ngo depth 4\n";
  Check(engine::RunUci, {"uci, no rule", counted, {"info depth 4 .* score cp [1-9]\\d\\d+ .*"}});
  Check(engine::RunUci,
        {"uci, the count runs out", "setoption name NoCaptureDraw value 100\n" + counted, {draw}});
  Check(engine::RunUcci,
        {"ucci, the count runs out", "setoption nocapturedraw 100\n" + counted, {draw}});
}

// The evaluation network chosen over the protocols: a network of nothing but an output bias
// worth 123 cp to whoever moves shows that it is the one searched with; a bad file is refused.
TEST(EngineProtocol, NetworkOptions) {
  const std::string path = testing::TempDir() + "flat.xqnn";
  {
    std::vector<int16_t> none(size_t(engine::kNetworkFeatures) * 16);
    auto flat = engine::Network::Make(16, none, std::vector<int16_t>(16), std::vector<int16_t>(32),
                                      5019);  // 5019 * 400 / (255 * 64)
    auto bytes = flat->ToBytes();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  const std::string go = "position startpos\ngo depth 2\n",
                    flat = "info depth 2 .*score (cp )?123 .*";
  Check(
      engine::RunUci,
      {"uci, the network by default", "setoption name EvalFile value " + path + "\n" + go, {flat}});
  Check(engine::RunUcci,
        {"ucci", "setoption evalfile " + path + "\nsetoption usenetwork true\n" + go, {flat}});
  Check(engine::RunUci,
        {"uci, the classical evaluation",
         "setoption name UseNetwork value false\nsetoption name EvalFile value " + path + "\n" + go,
         {"info depth 2 .*", "bestmove .*"},
         {flat}});
  Check(engine::RunUci, {"uci, back to the built-in network",
                         "setoption name UseNetwork value true\nsetoption name EvalFile value " +
                             path + "\nsetoption name EvalFile value <built-in>\n" + go,
                         {"info depth 2 .*"},
                         {flat}});
  Check(engine::RunUci, {"uci, a weaker level keeps the classical evaluation",
                         "setoption name Level value 7\nsetoption name UseNetwork value true\n"
                         "setoption name EvalFile value " +
                             path + "\n" + go,
                         {"info depth 2 .*"},
                         {flat}});
  Check(engine::RunXboard,
        {"xboard",
         "xboard\nprotover 2\noption UseNetwork=1\noption UseNetwork=yes\n",
         {"feature option=\"UseNetwork -check 1\"", "Error \\(UseNetwork is 1 or 0\\).*"},
         {"Error .*UseNetwork=1"}});
  Check(engine::RunUci,
        {"uci, a bad file",
         "setoption name EvalFile value /nonexistent/net\n",
         {"info string EvalFile: cannot read /nonexistent/net; the network is unchanged"}});
  Check(engine::RunUcci,
        {"ucci, not a network",
         "setoption evalfile " + path + ".missing\nsetoption usenetwork maybe\n",
         {"info string evalfile: cannot read .*", "info string usenetwork is true .*"}});
  std::remove(path.c_str());
}

// Commands that come while a search runs are taken at once: a new position, options, isready;
// the search goes on with what it was given until it is told to stop.
TEST(EngineProtocol, CommandsDuringASearchAreReadAtOnce) {
  struct Case {
    const char* name;
    Runner run;
    std::string go;
    std::vector<std::string> commands;
    std::string shown;  // a line that shows a command was taken
  };
  const std::vector<Case> cases = {
      {"uci",
       engine::RunUci,
       "go infinite",
       {"setoption name Hash value 2", "setoption name Level value 5", "ucinewgame",
        "position startpos moves h2e2", "d"},
       "Fen: .* b .*"},
      {"ucci",
       engine::RunUcci,
       "go depth infinite",
       {"setoption hashsize 2", "setoption level 5", "position startpos moves h2e2",
        "banmoves h9g7", "setoption multipv 7"},
       "info string multipv is a number from 1 to 5"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LiveSession session(c.run);
    session.Send("position startpos");
    session.Send(c.go);
    ASSERT_TRUE(session.WaitFor("info depth 2 .*")) << session.Text();
    for (const std::string& command : c.commands) session.Send(command);
    session.Send("isready");
    ASSERT_TRUE(session.WaitFor(c.shown)) << session.Text();
    ASSERT_TRUE(session.WaitFor("readyok")) << session.Text();
    EXPECT_EQ(session.Count("bestmove.*"), 0) << session.Text();
    session.Send("stop");
    ASSERT_TRUE(session.WaitFor("bestmove .*")) << session.Text();
    // The next search is of the new position: black's reply to h2e2.
    session.Send("go depth 2");
    EXPECT_TRUE(session.WaitFor("bestmove [a-i][5-9][a-i]\\d.*")) << session.Text();
  }
}

// UCI pondering: no move while pondering, whatever the search found, then exactly one after
// "ponderhit" (the search goes on under the clock) or "stop" (the pondered move was not played).
TEST(EngineProtocol, UciPonder) {
  Check(engine::RunUci, {"the option", "uci\n", {"option name Ponder type check default false"}});
  for (const char* end : {"ponderhit", "stop"}) {
    SCOPED_TRACE(end);
    LiveSession session(engine::RunUci);
    session.Send("setoption name Ponder value true");
    session.Send("position fen " + Fen(kMateInOne));
    session.Send("go ponder wtime 1000 btime 1000");
    ASSERT_TRUE(session.WaitFor("info .*score mate 1 .*")) << session.Text();
    session.Send("isready");
    ASSERT_TRUE(session.WaitFor("readyok"));
    EXPECT_EQ(session.Count("bestmove.*"), 0) << session.Text();
    session.Send(end);
    ASSERT_TRUE(session.WaitFor("bestmove b1b9.*")) << session.Text();
    session.Send("isready");
    ASSERT_TRUE(session.WaitFor("readyok"));
    EXPECT_EQ(session.Count("bestmove.*"), 1) << session.Text();
  }
}

// A "ping" that comes while the engine thinks on its move is answered after that move.
TEST(EngineProtocol, XboardPongAfterTheMove) {
  LiveSession session(engine::RunXboard);
  session.Send("xboard\nprotover 2\nnew\nvariant xiangqi\npost\nsd 100\nusermove h2e2");
  ASSERT_TRUE(session.WaitFor("3 .*")) << session.Text();
  session.Send("ping 7");
  session.Send("?");
  ASSERT_TRUE(session.WaitFor("move [a-i]\\d[a-i]\\d")) << session.Text();
  EXPECT_TRUE(session.WaitFor("pong 7")) << session.Text();
  // Idle, the answer is at once.
  session.Send("ping 8");
  EXPECT_TRUE(session.WaitFor("pong 8")) << session.Text();
}

// "level"'s base time is the clock until "time" comes: with it a search bounded only by the
// clock and a depth it cannot reach still moves.
TEST(EngineProtocol, XboardLevelBaseTimeIsTheClock) {
  LiveSession session(engine::RunXboard);
  session.Send("xboard\nprotover 2\nnew\nvariant xiangqi\nlevel 0 0:01 0\nsd 100\nusermove h2e2");
  EXPECT_TRUE(session.WaitFor("move [a-i]\\d[a-i]\\d")) << session.Text();
}

// "white" and "black" set the side to move; the engine then plays the other side on "go".
TEST(EngineProtocol, XboardWhiteAndBlackSetTheSide) {
  const std::string start = "xboard\nprotover 2\nnew\nvariant xiangqi\nsd 3\n";
  std::string mate_black = Fen(kMateInOne);
  mate_black.replace(mate_black.find(" w "), 3, " b ");
  std::string three_red = Fen(kThreeMoves);
  three_red.replace(three_red.find(" b "), 3, " w ");
  const std::vector<Session> sessions = {
      {"white", start + "setboard " + mate_black + "\nwhite\ngo\n", {"move b1b9"}},
      {"black", start + "setboard " + three_red + "\nblack\ngo\n", {"move (d9e9|a3a2|a3b3)"}},
  };
  engine::ProtocolSetup setup;
  setup.level = 8;
  for (const Session& s : sessions) Check(engine::RunXboard, s, setup);
}

// The table may be as large as the setup allows (the machine's memory for xiangqi-cli); beyond
// that the request is refused with a line and the session goes on.
TEST(EngineProtocol, HashUpToTheLargestAllowed) {
  engine::ProtocolSetup setup;
  setup.hash_mb = 2;
  setup.max_hash_mb = 8;
  struct Case {
    Runner run;
    Session session;
  };
  const std::vector<Case> cases = {
      {engine::RunUci,
       {"uci",
        "uci\nsetoption name Hash value 8\nisready\n",
        {"option name Hash type spin default 2 min 1 max 8", "readyok"},
        {"info string.*"}}},
      {engine::RunUci,
       {"uci beyond",
        "setoption name Hash value 9\ngo depth 1\n",
        {"info string Hash is a number of MB from 1 to 8 .*", "bestmove .*"}}},
      {engine::RunUcci,
       {"ucci",
        "ucci\nsetoption hashsize 8\nisready\n",
        {"option hashsize type spin min 1 max 8 default 2", "readyok"},
        {"info string.*"}}},
      {engine::RunUcci,
       {"ucci beyond",
        "setoption hashsize 100000\ngo depth 1\n",
        {"info string hashsize .*", "bestmove .*"}}},
      {engine::RunXboard,
       {"xboard",
        "memory 8\nmemory 9\nping 1\n",
        {"Error \\(memory beyond .*\\): memory 9", "pong 1"}}},
  };
  for (const Case& c : cases) Check(c.run, c.session, setup);
}

std::string Shell(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return output;
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, n);
  pclose(pipe);
  return output;
}

// The board half a turn round with the colours swapped, and a move on it read back.
std::string Mirrored(std::string board) {
  std::reverse(board.begin(), board.end());
  for (char& c : board) c = std::isupper(c) ? char(std::tolower(c)) : char(std::toupper(c));
  return board;
}
std::string Mirrored(const std::string& move, int) {
  std::string back = move;
  for (size_t i = 0; i < 4; i += 2) {
    back[i] = char('a' + 'i' - move[i]);
    back[i + 1] = char('0' + '9' - move[i + 1]);
  }
  return back;
}

// Levels 1 and 2 of xiangqi-cli are the game's own search, for black as the game plays it and
// for red on the board turned round: the same moves as "xiangqi-cli reply".
TEST(EngineProtocol, CliLevelsOneAndTwoAreTheGamesSearch) {
  const std::string cli = std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli";
  struct Case {
    std::string board;
    char side;
    int level;
  };
  const std::vector<Case> cases = {
      {"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR", 'b', 2},
      {"r1bakabnr/9/1cn4c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB1R", 'w', 2},
      {"r1bakabnr/9/1cn4c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB1R", 'w', 1},
  };
  for (const Case& c : cases) {
    bool red = c.side == 'w';
    std::string asked = red ? Mirrored(c.board) : c.board;
    std::string reply = Shell(cli + " reply '" + asked + " b' --depth " + std::to_string(c.level));
    ASSERT_GE(reply.size(), 4u) << c.board;
    std::string expected = red ? Mirrored(reply.substr(0, 4), 0) : reply.substr(0, 4);
    std::string session =
        Shell("printf 'setoption name Level value " + std::to_string(c.level) + "\\nposition fen " +
              c.board + " " + c.side + "\\ngo\\n' | " + cli + " uci");
    EXPECT_NE(session.find("bestmove " + expected), std::string::npos)
        << c.board << " " << c.side << ": " << session << " / reply " << reply;
  }
}

// xiangqi-cli enginejudge gives the match tool the verdict on a repeated position.
TEST(EngineProtocol, CliJudgesRepetitions) {
  const std::string cli = std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli enginejudge ";
  const std::string chase = "'5k3/9/9/2n6/R8/9/9/9/9/3K5 w' a5a6 c6d8 a6a8 d8c6 a8a6";
  EXPECT_EQ(Shell(cli + chase + " c6d8 a6a8 d8c6 a8a6"), "black wins: perpetual chase by red\n");
  EXPECT_EQ(Shell(cli + "'4k3r/9/n8/9/7r1/1R7/9/8N/9/R2K5 w' b4a4 h5i5 a4b4 i5h5 b4a4"), "draw\n");
  EXPECT_EQ(Shell(cli + "startpos h2e2"), "no repetition\n");
}

}  // namespace
