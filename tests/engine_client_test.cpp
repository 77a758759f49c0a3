// Outside engines through real processes: the lines they print, the handshake, searches and
// every way an engine can fail, made by a small fake engine (tests/support/fake_engine.sh), then
// our own engine and Fairy-Stockfish.
#include "game/outside/engine_client.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <thread>

#include "game/analysis/analysis_text.h"
#include "game/outside/option_settings.h"

// The expected values below name only the fields a line sets; the rest are meant to be empty.
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"

namespace {

using outside::EngineClient;
using outside::EngineEvent;
using outside::Numbering;
using outside::Protocol;
using Kind = EngineEvent::Kind;

engine::Move M(const char* iccs) {
  return *engine::ParseIccs(iccs);
}

TEST(EngineLines, MovesInBothNumberings) {
  struct Case {
    const char* text;
    Numbering numbering;
    std::optional<const char*> iccs;
  } cases[] = {
      {"h2e2", Numbering::kFromZero, "h2e2"},        {"H2E2", Numbering::kFromZero, "h2e2"},
      {"h3e3", Numbering::kFromOne, "h2e2"},         {"a10a9", Numbering::kFromOne, "a9a8"},
      {"i1i10", Numbering::kFromOne, "i0i9"},        {"a10a9", Numbering::kFromZero, std::nullopt},
      {"a0a1", Numbering::kFromOne, std::nullopt},   {"j0j1", Numbering::kFromZero, std::nullopt},
      {"h2h2", Numbering::kFromZero, std::nullopt},  {"h2e", Numbering::kFromZero, std::nullopt},
      {"h2e2x", Numbering::kFromZero, std::nullopt}, {"a011a1", Numbering::kFromOne, std::nullopt},
      {"", Numbering::kFromOne, std::nullopt},
  };
  for (const Case& c : cases) {
    auto move = outside::ParseEngineMove(c.text, c.numbering);
    ASSERT_EQ(move.has_value(), c.iccs.has_value()) << c.text;
    if (!move) continue;
    EXPECT_EQ(engine::ToIccs(*move), *c.iccs) << c.text;
    EXPECT_EQ(outside::ParseEngineMove(outside::FormatEngineMove(*move, c.numbering), c.numbering),
              move);
  }
  EXPECT_EQ(outside::NumberingForName("Fairy-Stockfish 11.1 LB 64"), Numbering::kFromOne);
  EXPECT_EQ(outside::NumberingForName("Sjaak II 1.4.1"), Numbering::kFromOne);
  EXPECT_EQ(outside::NumberingForName("Pikafish 2024"), Numbering::kFromZero);

  // What an engine's own moves from the start tell: a square of one numbering only, else the
  // numbering in which the whole line is legal.
  struct Told {
    std::vector<std::string> moves;
    std::optional<Numbering> numbering;
  } told[] = {
      {{"h2e2"}, Numbering::kFromZero},
      {{"h3e3"}, Numbering::kFromOne},
      {{"a3a4", "a10a9"}, Numbering::kFromOne},
      {{"h2e2", "a0a1"}, Numbering::kFromZero},
      {{"b2e2", "h9g7", "h2h3"}, Numbering::kFromZero},
      {{}, std::nullopt},
      {{"x"}, std::nullopt},
      {{"a5a6"}, std::nullopt},
  };
  for (const Told& t : told)
    EXPECT_EQ(outside::NumberingOfLine(engine::Position(), t.moves), t.numbering)
        << ::testing::PrintToString(t.moves);
}

TEST(EngineLines, OptionsOfBothProtocols) {
  using Option = outside::EngineOption;
  struct Case {
    const char* line;
    Protocol protocol;
    std::optional<Option> option;
  } cases[] = {
      {"option name Skill Level type spin default 20 min -20 max 20", Protocol::kUci,
       Option{"Skill Level", "spin", "20", -20, 20, {}}},
      {"option name UCI_Variant type combo default chess var 3check var xiangqi", Protocol::kUci,
       Option{"UCI_Variant", "combo", "chess", {}, {}, {"3check", "xiangqi"}}},
      {"option name SyzygyPath type string default <empty>", Protocol::kUci,
       Option{"SyzygyPath", "string", "", {}, {}, {}}},
      {"option name Debug Log File type string default a b ", Protocol::kUci,
       Option{"Debug Log File", "string", "a b", {}, {}, {}}},
      {"option hashsize type spin min 1 max 1024 default 16", Protocol::kUcci,
       Option{"hashsize", "spin", "16", 1, 1024, {}}},
      {"option", Protocol::kUci, std::nullopt},
      {"option name type spin", Protocol::kUci, std::nullopt},
      {"optional x", Protocol::kUci, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(outside::ParseOptionLine(c.line, c.protocol), c.option) << c.line;
}

TEST(EngineLines, InfoAndBestMove) {
  using Info = outside::InfoText;
  Info full{8, 12, 2, -29, {}, true, 24386, 80217, 304, {"b8b6", "h1g3"}, ""};
  struct Case {
    const char* line;
    Protocol protocol;
    std::optional<Info> info;
  } cases[] = {
      {"info depth 8 seldepth 12 multipv 2 score cp -29 upperbound nodes 24386 nps 80217 "
       "tbhits 0 time 304 pv b8b6 h1g3",
       Protocol::kUci, full},
      {"info score mate -3 pv a0a1", Protocol::kUci, Info{.mate = -3, .pv = {"a0a1"}}},
      // UCCI says a mate with a score near the mate value: ours 30000, ElephantEye 10000 less
      // the plies; the hundred below ElephantEye's mates are wins by the rules, not mates.
      {"info depth 5 score 29995", Protocol::kUcci, Info{.depth = 5, .mate = 3}},
      {"info score -9998", Protocol::kUcci, Info{.mate = -1}},
      {"info score 9999", Protocol::kUcci, Info{.mate = 1}},
      {"info score -10000", Protocol::kUcci, Info{.mate = 0}},
      {"info score 9850", Protocol::kUcci, Info{.score_cp = 9850}},
      {"info score -29850", Protocol::kUcci, Info{.score_cp = -29850}},
      {"info score 310", Protocol::kUcci, Info{.score_cp = 310}},
      {"info score mate 0", Protocol::kUci, Info{.mate = 0}},
      {"info score cp 5 score mate 2", Protocol::kUci, Info{.mate = 2}},
      {"info depth x score cp nodes -", Protocol::kUci, Info{}},
      {"info string hello  there", Protocol::kUci, Info{.text = "hello there"}},
      {"bestmove h2e2", Protocol::kUci, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(outside::ParseInfoLine(c.line, c.protocol), c.info) << c.line;

  using Best = outside::BestMoveText;
  struct BestCase {
    const char* line;
    std::optional<Best> best;
  } best_cases[] = {
      {"bestmove h2e2 ponder h9g7", Best{"h2e2", "h9g7"}},
      {"bestmove a10a9", Best{"a10a9", ""}},
      {"bestmove (none)", Best{}},
      {"nobestmove", Best{}},
      {"bestmoves h2e2", std::nullopt},
      {"", std::nullopt},
  };
  for (const BestCase& c : best_cases) EXPECT_EQ(outside::ParseBestMoveLine(c.line), c.best);
}

TEST(AnalysisText, ScoresFromRedsSide) {
  analysis::AnalysisLine line;
  struct Case {
    std::optional<int> cp, mate;
    const char* text;
  } cases[] = {{35, {}, "+0.35"}, {-120, {}, "-1.20"}, {0, {}, "+0.00"},
               {-5, {}, "-0.05"}, {{}, 3, "杀 3"},     {{}, -2, "-杀 2"}};
  for (const Case& c : cases) {
    line.score_cp = c.cp;
    line.mate = c.mate;
    EXPECT_EQ(analysis::FormatScore(line), c.text);
  }
  line.mated = engine::kBlack;
  EXPECT_EQ(analysis::FormatScore(line), "黑已被杀");
  line.mated.reset();
  line.depth = 9;
  line.seldepth = 14;
  line.nps = 1234;
  line.pv = {M("h2e2"), M("h9g7")};
  EXPECT_EQ(analysis::FormatAnalysisLine(engine::Position(), line, record::Notation::kIccs),
            "1  深度 9/14  分数 -杀 2  速度 1234  h2e2 h9g7");
  EXPECT_EQ(analysis::FormatAnalysisLine(engine::Position(), line, record::Notation::kChinese),
            "1  深度 9/14  分数 -杀 2  速度 1234  炮二平五 马８进７");
  // As far as the line is legal, and cut short when asked.
  line.pv = {M("h2e2"), M("h9g7"), M("a0a5"), M("b0c2")};
  EXPECT_EQ(analysis::FormatLineMoves(engine::Position(), line.pv, record::Notation::kWxf),
            "C2.5 H8+7");
  EXPECT_EQ(analysis::FormatLineMoves(engine::Position(), line.pv, record::Notation::kIccs, 1),
            "h2e2 …");
}

// Settings a player wrote: ';', '=' and '\\' escaped both ways, older texts read as they were,
// an unreadable item costing only itself, and nothing that could end an engine's command line.
TEST(OptionSettings, EscapedRoundTripsAndUnreadableItemsAlone) {
  using Settings = outside::OptionSettings;
  struct Case {
    const char* text;
    Settings read;
    size_t unreadable;
  } cases[] = {
      {"Book=a\\;b.bin; Hash=64", {{"Book", "a;b.bin"}, {"Hash", "64"}}, 0},
      {"Path=C:\\x\\\\y; A\\=B=1", {{"Path", "C:\\x\\y"}, {"A=B", "1"}}, 0},
      {"Hash=64; Threads; =5; Style=Solid", {{"Hash", "64"}, {"Style", "Solid"}}, 2},
      {"Hash=6\x01"
       "4; Ponder=true",
       {{"Ponder", "true"}},
       1},
  };
  for (const Case& c : cases) {
    std::vector<std::string> unreadable;
    EXPECT_EQ(outside::ReadableOptionSettings(c.text, &unreadable), c.read) << c.text;
    EXPECT_EQ(unreadable.size(), c.unreadable) << c.text;
    EXPECT_EQ(outside::ParseOptionSettings(c.text).has_value(), c.unreadable == 0) << c.text;
    EXPECT_EQ(outside::ParseOptionSettings(outside::FormatOptionSettings(c.read)), c.read);
  }
  const Settings odd = {{"a;b=c\\", "x;y=z\\"}, {"Book", "\\;"}};
  EXPECT_EQ(outside::ParseOptionSettings(outside::FormatOptionSettings(odd)), odd);
  std::string word;
  outside::EngineOption text{"Name", "string", "", {}, {}, {}};
  EXPECT_FALSE(outside::FitOptionValue(text, "a\nquit", &word));
  EXPECT_FALSE(word.empty());
}

// ---- through real processes ----

std::string Quoted(const std::string& word) {
  std::string quoted = "'";
  for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

const std::string kSupport = std::string(XQ_SOURCE_DIR) + "/tests/support";

std::string FakeEngine(const char* mode) {
  return Quoted(kSupport + "/fake_engine.sh") + " " + mode;
}

// A fake engine that writes where it runs and every line it is sent to a log of its own.
struct Logged {
  std::string path;
  std::string command;
};
Logged LoggedFake(const std::string& mode,
                  const std::string& program = Quoted(kSupport + "/fake_engine.sh")) {
  std::string path = ::testing::TempDir() + "fake_engine_" + mode + ".log";
  std::remove(path.c_str());
  return {path, program + " " + mode + " " + Quoted(path)};
}

// Ends the engine and returns what it was sent.
std::vector<std::string> EndAndLog(EngineClient& client, const Logged& fake) {
  client.Quit();
  EXPECT_TRUE(client.WaitUntilEnded(20000));
  std::vector<std::string> lines;
  std::ifstream in(fake.path);
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

bool Has(const std::vector<std::string>& lines, const std::string& line) {
  return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::string OurEngine() {
  return Quoted(std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli") + " uci";
}

constexpr const char* kFairy = "/usr/games/fairy-stockfish";

// Polls as a window's timer would until `done` is true of an event (or the engine failed), and
// returns every event. Thirty seconds is only a guard against a hang (a kFailed event of the
// test's own ends the list then, so that the last event is always there to look at).
std::vector<EngineEvent> PollUntil(EngineClient& client,
                                   const std::function<bool(const EngineEvent&)>& done) {
  std::vector<EngineEvent> all;
  auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (std::chrono::steady_clock::now() < give_up) {
    for (EngineEvent& event : client.Poll()) {
      all.push_back(std::move(event));
      if (done(all.back()) || all.back().kind == Kind::kFailed) return all;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  ADD_FAILURE() << "no answer within the guard time";
  all.push_back(EngineEvent{Kind::kFailed, 0, {}, {}, {}, "(the test gave up waiting)"});
  return all;
}

bool Is(const EngineEvent& event, Kind kind) {
  return event.kind == kind;
}
auto KindIs(Kind kind) {
  return [kind](const EngineEvent& event) { return event.kind == kind; };
}

outside::GoLimits MoveTime(int ms) {
  outside::GoLimits limits;
  limits.movetime_ms = ms;
  return limits;
}

outside::GoLimits Infinite() {
  outside::GoLimits limits;
  limits.infinite = true;
  return limits;
}

std::vector<engine::Move> Moves(std::initializer_list<const char*> iccs) {
  std::vector<engine::Move> moves;
  for (const char* move : iccs) moves.push_back(M(move));
  return moves;
}

std::string FenAfter(const std::vector<engine::Move>& moves) {
  engine::Position position;
  for (engine::Move move : moves) position.MakeMove(move);
  return position.Fen();
}

TEST(EngineClient, EachFailureIsOneMessageNamingTheEngineAndItsProcessEnds) {
  struct Case {
    std::string command;
    bool search;  // the failure comes from a search, not the handshake
    outside::GoLimits limits;
    const char* message;
    int handshake_ms = 20000;  // short only where the wait is the failure
  } cases[] = {
      {FakeEngine("exit-at-once"), false, {}, "引擎 fake_engine.sh 意外退出（退出码 7）"},
      {FakeEngine("exit-200"), false, {}, "引擎 fake_engine.sh 意外退出（退出码 200）"},
      {FakeEngine("killed"), false, {}, "引擎 fake_engine.sh 意外退出（被信号 9 终止）"},
      {FakeEngine("mute"),
       false,
       {},
       "引擎 fake_engine.sh 没有回应：400 毫秒内没有回答 uciok",
       400},
      {"/no/such/engine --uci", false, {}, "引擎 engine 无法启动：/no/such/engine: "},
      {"'unclosed", false, {}, "引擎 'unclosed 的命令行有误"},
      {FakeEngine("chess"), false, {}, "引擎 Fake chess 不会下象棋"},
      {FakeEngine("exit"), true, MoveTime(100), "引擎 Fake exit 意外退出（退出码 3）"},
      {FakeEngine("hang"), true, MoveTime(100), "引擎 Fake hang 超时"},
      {FakeEngine("illegal"), true, MoveTime(100), "引擎 Fake illegal 走了不合规则的着法 a0a5"},
      {FakeEngine("deaf"), true, {}, "引擎 Fake deaf 没有回应：停止后 300 毫秒内没有给出着法"},
      // Found while it analyses, with no deadline to wait for.
      {FakeEngine("close-output"), true, Infinite(), "引擎 Fake close-output 关闭了输出"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    outside::EngineConfig config;
    config.command = c.command;
    config.protocol = Protocol::kUci;
    config.handshake_ms = c.handshake_ms;
    config.answer_ms = 300;
    config.quit_grace_ms = 50;
    EngineClient client(config);
    client.Start();
    if (c.search) {
      EXPECT_NE(client.Go(engine::Position(), {}, c.limits), 0u);
      if (c.limits.movetime_ms == 0 && !c.limits.infinite) {
        PollUntil(client, KindIs(Kind::kReady));
        client.Stop();
      }
    }
    auto events = PollUntil(client, [](const EngineEvent&) { return false; });
    ASSERT_FALSE(events.empty());
    const EngineEvent& last = events.back();
    ASSERT_EQ(last.kind, Kind::kFailed);
    EXPECT_EQ(last.message.rfind(c.message, 0), 0u) << last.message;
    EXPECT_EQ(std::count_if(events.begin(), events.end(), KindIs(Kind::kFailed)), 1);
    EXPECT_EQ(client.state(), EngineClient::State::kFailed);
    EXPECT_EQ(client.Go(engine::Position(), {}, MoveTime(100)), 0u);
    EXPECT_TRUE(client.WaitUntilEnded(20000));
  }
}

TEST(EngineClient, AFloodShrinksToTheNewestLineAndTheMoveStillComes) {
  for (const char* mode : {"flood", "long"}) {
    outside::EngineConfig config;
    config.command = FakeEngine(mode);
    EngineClient client(config);
    client.Start();
    uint64_t search = client.Go(engine::Position(), {}, MoveTime(10000));
    auto events = PollUntil(client, KindIs(Kind::kBestMove));
    ASSERT_TRUE(Is(events.back(), Kind::kBestMove)) << events.back().message;
    EXPECT_EQ(events.back().search, search);
    EXPECT_EQ(events.back().best, M("h2e2"));
    if (std::string(mode) == "flood") {
      const EngineEvent& newest = events[events.size() - 2];
      ASSERT_TRUE(Is(newest, Kind::kInfo));
      EXPECT_EQ(newest.line.score_cp, 19999);
      EXPECT_EQ(newest.line.pv, (std::vector<engine::Move>{M("h2e2"), M("h9g7")}));
      EXPECT_LT(events.size(), 20000u);
      EXPECT_EQ(client.DroppedLines(), 0u);
    } else {
      EXPECT_EQ(client.DroppedLines(), 1u);
    }
    client.Quit();
    EXPECT_TRUE(client.WaitUntilEnded(20000));
  }
}

// Every line the client says, as the engine got it: its settings only as the options take them
// (with a word for each left out: a number out of range too, for engines advertise ends they
// cannot live with), the program's own UCI_Variant whatever the settings say, "ucinewgame"
// waited for before the new game's first search, moves in the numbering the configuration gives,
// and no value that could end the command line; and where it runs: its program's folder, the
// program given from "~".
TEST(EngineClient, WhatTheEngineIsSent) {
  const char* home = std::getenv("HOME");
  const std::string saved_home = home != nullptr ? home : "";
  setenv("HOME", (std::string(XQ_SOURCE_DIR) + "/tests").c_str(), 1);
  Logged fake = LoggedFake("good", "~/support/fake_engine.sh");
  outside::EngineConfig config;
  config.command = fake.command;
  config.numbering = Numbering::kFromZero;
  config.options = {
      {"Hash", "999"}, {"uci_variant", "chess"}, {"Style", "solid"}, {"Clear Hash", ""}};
  config.notices = {"选项“Threads”应写成 名称=值（例如 Hash=64）"};
  EngineClient client(config);
  client.Start();
  client.NewGame();
  std::vector<engine::Move> moves = Moves({"a0a1", "a9a8"});
  client.Go(engine::Position(), moves, MoveTime(100));
  auto events = PollUntil(client, KindIs(Kind::kBestMove));
  ASSERT_TRUE(Is(events.back(), Kind::kBestMove)) << events.back().message;
  EXPECT_EQ(events.back().best, M("h2e2"));
  std::vector<std::string> notices;
  for (const EngineEvent& event : events)
    if (Is(event, Kind::kNotice)) notices.push_back(event.message);
  ASSERT_EQ(notices.size(), 3u);
  EXPECT_NE(notices[0].find("Threads"), std::string::npos) << notices[0];
  EXPECT_NE(notices[1].find("超出引擎的范围 1-64，不用"), std::string::npos) << notices[1];
  EXPECT_NE(notices[2].find("UCI_Variant"), std::string::npos) << notices[2];

  EXPECT_FALSE(client.SetOption("Book", "x\nquit"));
  EXPECT_FALSE(client.SetOption("UCI_Variant", "chess"));
  EXPECT_TRUE(client.SetOption("Hash", "32"));
  EXPECT_EQ(client.Poll().size(), 2u);  // the two refusals' words
  setenv("HOME", saved_home.c_str(), 1);
  EXPECT_EQ(
      EndAndLog(client, fake),
      (std::vector<std::string>{
          "cwd " + kSupport, "uci", "setoption name UCI_Variant value xiangqi",
          "setoption name Style value Solid", "setoption name Clear Hash", "isready", "ucinewgame",
          "isready", "position fen " + engine::Position().Fen() + " moves a0a1 a9a8",
          "go movetime 100", "setoption name Hash value 32", "quit"}));
}

// A UCCI engine with its clock in seconds: told "go time 1" for 300 ms (it may think the whole
// second), and "go time 1" of a clock with 1.9 s left (never more than it has); the deadline
// follows what was sent, twice 1 s.
TEST(EngineClient, UcciSecondsAndTheDeadlineFollowWhatWasSent) {
  outside::GoLimits clock;
  clock.red_ms = 1900;
  clock.black_ms = 60000;
  clock.red_increment_ms = 900;
  struct Case {
    outside::GoLimits limits;
    const char* sent;
  } cases[] = {
      {MoveTime(300), "go time 1 movestogo 1"},
      {clock, "go time 1 increment 0 opptime 60 oppincrement 0"},
  };
  for (const Case& c : cases) {
    Logged fake = LoggedFake("ucci-seconds");
    outside::EngineConfig config;
    config.command = fake.command;
    config.protocol = Protocol::kUcci;
    EngineClient client(config);
    client.Start();
    client.Go(engine::Position(), {}, c.limits);
    auto events = PollUntil(client, KindIs(Kind::kBestMove));
    EXPECT_TRUE(Is(events.back(), Kind::kBestMove)) << c.sent << ": " << events.back().message;
    EXPECT_TRUE(Has(EndAndLog(client, fake), c.sent)) << c.sent;
  }
}

// How the protocol is found: a UCCI engine that complains about "uci" is asked "ucci" at once
// (the handshake time is long, so half of it would outlast the guard), one that ends on any
// other first line is started again with "ucci", or asked only that when its protocol is known;
// a UCI engine that greets slowly before it reads is not asked "ucci" at all.
TEST(EngineClient, TheProtocolIsFoundAtOnceOrKnown) {
  struct Case {
    const char* mode;
    Protocol known, found;
    std::vector<std::string> sent;  // the first lines the last process got
  } cases[] = {
      {"ucci-chatty", Protocol::kUnknown, Protocol::kUcci, {"uci", "ucci"}},
      {"ucci-strict", Protocol::kUnknown, Protocol::kUcci, {"ucci", "setoption usemillisec true"}},
      {"ucci-strict", Protocol::kUcci, Protocol::kUcci, {"ucci", "setoption usemillisec true"}},
      {"greeting",
       Protocol::kUnknown,
       Protocol::kUci,
       {"uci", "setoption name UCI_Variant value xiangqi"}},
  };
  for (const Case& c : cases) {
    Logged fake = LoggedFake(c.mode);
    outside::EngineConfig config;
    config.command = fake.command;
    config.protocol = c.known;
    config.handshake_ms = 120000;
    EngineClient client(config);
    client.Start();
    auto events = PollUntil(client, KindIs(Kind::kReady));
    EXPECT_TRUE(Is(events.back(), Kind::kReady)) << c.mode << ": " << events.back().message;
    EXPECT_EQ(client.protocol(), c.found) << c.mode;
    std::vector<std::string> log = EndAndLog(client, fake);
    log.resize(3);
    EXPECT_EQ(std::vector<std::string>(log.begin() + 1, log.end()), c.sent) << c.mode;
  }
}

// An engine of unknown name that counts ranks 1..10: its first position goes as a FEN of its own
// (the guess from its name could be wrong), its move tells the numbering (a rank 10, or a move
// legal only when counted from one), and from then on moves go in that numbering.
TEST(EngineClient, RankNumberingComesFromTheEnginesOwnMoves) {
  struct Case {
    const char* mode;
    const char* black_reply;  // from zero
  } cases[] = {{"one-ranks", "h9g7"}, {"one-ranks-quiet", "h7e7"}};
  for (const Case& c : cases) {
    Logged fake = LoggedFake(c.mode);
    outside::EngineConfig config;
    config.command = fake.command;
    EngineClient client(config);
    client.Start();
    client.Go(engine::Position(), Moves({"h2e2"}), MoveTime(5000));
    auto events = PollUntil(client, KindIs(Kind::kBestMove));
    ASSERT_TRUE(Is(events.back(), Kind::kBestMove)) << c.mode << ": " << events.back().message;
    EXPECT_EQ(events.back().best, M(c.black_reply)) << c.mode;
    EXPECT_EQ(client.numbering(), Numbering::kFromOne) << c.mode;
    EXPECT_TRUE(client.NumberingConfirmed()) << c.mode;
    client.Go(engine::Position(), Moves({"h2e2"}), MoveTime(5000));
    PollUntil(client, KindIs(Kind::kBestMove));
    std::vector<std::string> log = EndAndLog(client, fake);
    EXPECT_TRUE(Has(log, "position fen " + FenAfter(Moves({"h2e2"})))) << c.mode;
    EXPECT_TRUE(Has(log, "position fen " + engine::Position().Fen() + " moves h3e3")) << c.mode;
  }
}

// However many other lines an engine prints while nobody reads them, its move is kept.
TEST(EngineClient, AFloodOfOtherLinesCannotPushOutTheMove) {
  outside::EngineConfig config;
  config.command = FakeEngine("chatter");
  EngineClient client(config);
  client.Start();
  PollUntil(client, KindIs(Kind::kReady));
  client.Go(engine::Position(), {}, MoveTime(10000));
  ASSERT_TRUE(client.WaitUntilEnded(20000));  // it floods, moves and ends, all unread
  auto events = client.Poll();
  ASSERT_GE(events.size(), 1u);
  EXPECT_TRUE(Is(events[0], Kind::kBestMove)) << events[0].message;
  EXPECT_EQ(events[0].best, M("h2e2"));
}

// The side to move mated already reads as that side's loss, not "杀 0".
TEST(EngineClient, MatedNowShowsTheSide) {
  auto mated = engine::Position::FromFen("4k4/9/9/9/3r1r3/9/9/9/4p4/4K4 w - - 0 1");
  ASSERT_TRUE(mated && mated->NoLegalMoves());
  outside::EngineConfig config;
  config.command = FakeEngine("mated");
  EngineClient client(config);
  client.Start();
  client.Go(*mated, {}, MoveTime(5000));
  auto events = PollUntil(client, KindIs(Kind::kBestMove));
  ASSERT_TRUE(Is(events.back(), Kind::kBestMove)) << events.back().message;
  EXPECT_FALSE(events.back().best);
  ASSERT_TRUE(Is(events[events.size() - 2], Kind::kInfo));
  EXPECT_EQ(analysis::FormatScore(events[events.size() - 2].line), "红已被杀");
}

TEST(EngineClient, FindsUcciWhenUciGetsNoAnswer) {
  outside::EngineConfig config;
  config.command = FakeEngine("ucci-only");
  config.handshake_ms = 3000;  // "ucci" goes after half of it
  EngineClient client(config);
  client.Start();
  client.Go(engine::Position(), {}, MoveTime(100));
  auto events = PollUntil(client, KindIs(Kind::kBestMove));
  ASSERT_TRUE(Is(events.back(), Kind::kBestMove)) << events.back().message;
  EXPECT_EQ(client.protocol(), Protocol::kUcci);
  EXPECT_EQ(client.IdName(), "Fake UCCI");
  ASSERT_EQ(client.Options().size(), 1u);
  EXPECT_EQ(client.Options()[0].name, "usemillisec");
}

TEST(EngineClient, OurOwnEngineAnalysesStopsAndRestarts) {
  outside::EngineConfig config;
  config.command = OurEngine();
  EngineClient client(config);
  ASSERT_TRUE(client.Start());
  auto ready = PollUntil(client, KindIs(Kind::kReady));
  ASSERT_TRUE(Is(ready.back(), Kind::kReady)) << ready.back().message;
  EXPECT_EQ(client.protocol(), Protocol::kUci);
  EXPECT_EQ(client.IdName(), "XiangqiCli");
  EXPECT_EQ(client.numbering(), Numbering::kFromZero);
  EXPECT_TRUE(client.SetOption("level", "8"));
  EXPECT_FALSE(client.SetOption("No Such Option", "1"));
  EXPECT_EQ(client.Go(engine::Position(), {M("a0a5")}, MoveTime(100)), 0u);  // not a legal move

  // Endless analysis after two moves; a new position replaces it, and only its answer comes.
  std::vector<engine::Move> moves = {M("h2e2"), M("h9g7")};
  outside::GoLimits endless;
  endless.infinite = true;
  uint64_t first = client.Go(engine::Position(), moves, endless);
  auto infos = PollUntil(client, KindIs(Kind::kInfo));
  ASSERT_TRUE(Is(infos.back(), Kind::kInfo)) << infos.back().message;
  EXPECT_EQ(infos.back().search, first);
  ASSERT_FALSE(infos.back().line.pv.empty());
  engine::Position after = engine::Position();
  for (engine::Move move : moves) after.MakeMove(move);
  EXPECT_TRUE(after.IsLegal(infos.back().line.pv[0]));

  outside::GoLimits shallow;
  shallow.depth = 3;
  uint64_t second = client.Go(engine::Position(), {}, shallow);
  auto answer = PollUntil(client, KindIs(Kind::kBestMove));
  ASSERT_TRUE(Is(answer.back(), Kind::kBestMove)) << answer.back().message;
  EXPECT_EQ(answer.back().search, second);
  for (const EngineEvent& event : answer) EXPECT_NE(event.search, first);

  uint64_t third = client.Go(engine::Position(), moves, endless);
  PollUntil(client, KindIs(Kind::kInfo));
  client.Stop();
  answer = PollUntil(client, KindIs(Kind::kBestMove));
  ASSERT_TRUE(Is(answer.back(), Kind::kBestMove)) << answer.back().message;
  EXPECT_EQ(answer.back().search, third);
  ASSERT_TRUE(answer.back().best);
  EXPECT_TRUE(after.IsLegal(*answer.back().best));

  outside::GoLimits clock;
  clock.red_ms = clock.black_ms = 3000;
  clock.red_increment_ms = clock.black_increment_ms = 100;
  client.Go(engine::Position(), {}, clock);
  answer = PollUntil(client, KindIs(Kind::kBestMove));
  EXPECT_TRUE(Is(answer.back(), Kind::kBestMove)) << answer.back().message;
  client.Quit();
  EXPECT_TRUE(client.WaitUntilEnded(20000));
}

TEST(EngineClient, FairyStockfishCountsRanksFromOneAndGivesSeveralLines) {
  if (access(kFairy, X_OK) != 0) GTEST_SKIP() << "Fairy-Stockfish is not installed";
  outside::EngineConfig config;
  config.command = kFairy;
  EngineClient client(config);
  client.Start();
  outside::GoLimits limits;
  limits.depth = 8;
  limits.multipv = 2;
  std::vector<engine::Move> moves = {M("h2e2")};  // sent as h3e3
  uint64_t search = client.Go(engine::Position(), moves, limits);
  auto events = PollUntil(client, KindIs(Kind::kBestMove));
  ASSERT_TRUE(Is(events.back(), Kind::kBestMove)) << events.back().message;
  EXPECT_EQ(events.back().search, search);
  EXPECT_EQ(client.numbering(), Numbering::kFromOne);
  bool second_line = false;
  engine::Position after;
  after.MakeMove(M("h2e2"));
  for (const EngineEvent& event : events) {
    if (!Is(event, Kind::kInfo)) continue;
    second_line |= event.line.multipv == 2;
    ASSERT_FALSE(event.line.pv.empty());
    EXPECT_TRUE(after.IsLegal(event.line.pv[0]));
  }
  EXPECT_TRUE(second_line);
  ASSERT_TRUE(events.back().best);
  EXPECT_TRUE(after.IsLegal(*events.back().best));
}

}  // namespace
