// The engine tool as a user runs it: arguments in, one answer on standard output, refusals on
// standard error with status 2.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "game/twoply/board.h"
#include "tests/support/cli_run.h"

namespace {

using Outcome = testing_support::CliRun;

Outcome Cli(const std::vector<std::string>& args, const std::string& input = "") {
  return testing_support::RunCli(args, input);
}

int Lines(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

const std::string kCentralCannon = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/4C2C1/9/RNBAKABNR";

TEST(EngineCli, Moves) {
  Outcome human = Cli({"moves", "startpos"});
  EXPECT_EQ(human.status, 0);
  EXPECT_EQ(human.out.substr(0, 30), "a3a4 c3c4 e3e4 g3g4 i3i4 b2c2 ");
  EXPECT_EQ(human.out.substr(human.out.size() - 10), "i0i1 i0i2\n");
  Outcome computer = Cli({"moves", "startpos", "--side", "computer"});
  EXPECT_EQ(computer.out.substr(0, 10), "a9a8 a9a7 ");
  // The FEN's side field decides when --side is not given.
  EXPECT_EQ(Cli({"moves", kCentralCannon + " b"}).out.substr(0, 10), "a9a8 a9a7 ");
  int words = 1;
  for (char c : computer.out) words += c == ' ';
  EXPECT_EQ(words, 44);
  // No move: an empty line.
  EXPECT_EQ(Cli({"moves", "9/9/9/9/9/9/9/9/9/9"}).out, "\n");
}

TEST(EngineCli, EvalAndReply) {
  EXPECT_EQ(Cli({"eval", "startpos"}).out, "0\n");
  EXPECT_EQ(Cli({"eval", kCentralCannon, "--side", "computer"}).out, "35\n");
  EXPECT_EQ(Cli({"eval", kCentralCannon + " w"}).out, "13\n");
  EXPECT_EQ(Cli({"reply", kCentralCannon}).out, "h9g7 23\n");
  EXPECT_EQ(Cli({"reply", "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1CN4C1/9/R1BAKABNR"}).out,
            "h7h0 -86\n");
  EXPECT_EQ(Cli({"reply", "9/9/9/9/9/9/9/9/9/4K4"}).out, "over\n");
  EXPECT_EQ(Cli({"reply", "4k4/9/9/9/9/9/9/9/9/9"}).out, "none 20001\n");
  // One ply: the capture is scored at the leaf, 19999 + 0.
  EXPECT_EQ(Cli({"reply", "3k1c3/9/9/9/5r3/9/9/9/9/5K3", "--depth", "1"}).out, "f9f0 19999\n");
  EXPECT_EQ(Cli({"reply", kCentralCannon, "--depth", "4"}).status, 0);
}

TEST(EngineCli, ReplyAtALevel) {
  // Levels 1 and 2 are the game's own search, exactly as --depth gives it.
  for (const char* level : {"1", "2"})
    EXPECT_EQ(Cli({"reply", kCentralCannon, "--level", level}).out,
              Cli({"reply", kCentralCannon, "--depth", level}).out);
  // From level 3 the full-rules engine plays the computer's (black's) side.
  EXPECT_EQ(Cli({"reply", "1r2k4/9/9/9/9/9/9/9/r8/3K5", "--level", "3"}).out, "b9b0 29999\n");
  Outcome level5 = Cli({"reply", kCentralCannon, "--level", "5"});
  EXPECT_EQ(level5.status, 0);
  EXPECT_TRUE(std::regex_match(level5.out, std::regex("[a-i][0-9][a-i][0-9] -?[0-9]+\n")))
      << level5.out;
  EXPECT_EQ(Cli({"reply", "3k5/2R6/9/9/9/9/9/9/9/4K4", "--level", "4"}).out, "none -30000\n");
  EXPECT_EQ(Cli({"engineperft", "startpos", "3"}).out, "79666\n");
  EXPECT_EQ(Cli({"engineperft", "3k5/2R6/9/9/9/9/9/9/9/4K4 b", "1"}).out, "0\n");
  Outcome bench = Cli({"enginebench", "--depth", "2"});
  EXPECT_EQ(bench.status, 0);
  EXPECT_NE(bench.out.find("signature "), std::string::npos) << bench.out;
}

TEST(EngineCli, Perft) {
  EXPECT_EQ(Cli({"perft", "startpos", "1"}).out, "44\n");
  EXPECT_EQ(Cli({"perft", "startpos", "2"}).out, "1926\n");
  EXPECT_EQ(Cli({"perft", "startpos", "3"}).out, "80288\n");
  EXPECT_EQ(Cli({"perft", "startpos", "0"}).out, "1\n");
  EXPECT_EQ(Cli({"perft", "4k4/9/9/9/9/9/9/9/9/4K4", "2"}).out, "10\n");
  EXPECT_EQ(Cli({"perft", "3k5/9/9/9/9/9/9/9/9/4K4", "2", "--side", "computer"}).out, "7\n");
}

TEST(EngineCli, GameRecordFiles) {
  std::string path = testing::TempDir() + "xq_cli_record.ces";
  std::string bytes = "\xcf\xf3\xc6\xe5\xc6\xe5\xbe\xd6";
  for (int i = 1; i <= 90; ++i) bytes += char(twoply::InitialLayout[i]);
  bytes[8 + 7 * 9 + 1] = 0;   // the human cannon leaves (8,2)...
  bytes[8 + 7 * 9 + 4] = 11;  // ...for (8,5)
  std::ofstream(path, std::ios::binary) << bytes;
  EXPECT_EQ(Cli({"reply", path}).out, "h9g7 23\n");
  std::ofstream(path, std::ios::binary) << bytes << "trailing bytes are ignored";
  EXPECT_EQ(Cli({"eval", path, "--side", "computer"}).out, "35\n");
  std::ofstream(path, std::ios::binary) << bytes.substr(0, 50);
  Outcome shortFile = Cli({"reply", path});
  EXPECT_EQ(shortFile.status, 2);
  EXPECT_EQ(Lines(shortFile.err), 1);
  bytes[0] = 'x';
  std::ofstream(path, std::ios::binary) << bytes;
  EXPECT_EQ(Cli({"moves", path}).status, 2);
}

TEST(EngineCli, BadInputIsRefusedWithOneLineAndStatusTwo) {
  const std::vector<std::vector<std::string>> bad = {
      {"moves", "9/9/9/9/9/9/9/9/9"},      // nine ranks
      {"moves", "9/9/9/9/9/9/9/9/9/4x4"},  // unknown piece letter
      {"eval", "9/9/9/9/9/9/9/9/9/10"},    // rank of the wrong width
      {"eval", "9/9/9/9/9/9/9/9/9/9 q"},   // bad side field
      {"moves", "startpos", "--side", "red"},
      {"moves", "startpos", "--colour", "human"},
      {"moves", "startpos", "--side"},
      {"moves"},
      {"moves", "startpos", "extra"},
      {"reply", "startpos", "--depth", "5"},
      {"reply", "startpos", "--depth", "0"},
      {"reply", "startpos", "--depth", "two"},
      {"reply", "startpos", "--level", "9"},
      {"reply", "startpos", "--level", "0"},
      {"reply", "startpos", "--level", "2", "--depth", "2"},
      {"reply", "9/9/9/9/9/9/9/9/9/4K4", "--level", "3"},  // the full rules need both generals
      {"enginebench", "--depth", "0"},
      {"enginebench", "extra"},
      {"engineperft", "startpos"},
      {"engineperft", "startpos", "10"},
      {"engineperft", "3k5/9/9/9/9/9/9/9/9/3K5 w", "1"},  // generals face, black not to move
      {"perft", "startpos"},
      {"perft", "startpos", "9"},
      {"perft", "startpos", "-1"},
      {"eval", "/no/such/record.ces"},
      {"eval", "nonsense"},
      {"play", "startpos", "extra"},
      {"bench", "now"},
      {"unknown-subcommand"},
  };
  for (const auto& args : bad) {
    Outcome run = Cli(args);
    std::string shown;
    for (const auto& a : args) shown += a + " ";
    EXPECT_EQ(run.status, 2) << shown;
    EXPECT_EQ(run.out, "") << shown;
    if (args[0] != "unknown-subcommand") {
      EXPECT_EQ(Lines(run.err), 1) << shown << run.err;
    }
  }
  EXPECT_EQ(Cli({"eval", "/no/such/record.ces"}).err.find("xiangqi-cli: "), 0u);
}

TEST(EngineCli, PlayAGameInTheTerminal) {
  Outcome game = Cli({"play"}, "b2e2\nhello\nb2b9\ne3e4\n");
  EXPECT_EQ(game.status, 0);
  EXPECT_NE(game.out.find("computer: h9g7"), std::string::npos) << game.out;
  EXPECT_NE(game.out.find("not a move in ICCS (like b2e2): hello"), std::string::npos);
  EXPECT_NE(game.out.find("illegal move: b2b9"), std::string::npos);  // the cannon has left
  // The human takes the computer's General: the computer does not move.
  Outcome won = Cli({"play", "4k4/9/9/9/9/9/9/9/4R4/3K5"}, "e1e9\n");
  EXPECT_NE(won.out.find("你赢了"), std::string::npos) << won.out;
  EXPECT_EQ(won.out.find("computer:"), std::string::npos);
  // The human General steps onto the chariot's file and is taken.
  Outcome lost = Cli({"play", "5k3/9/9/9/4r4/9/9/9/9/3K5"}, "d0e0\nd0d1\n");
  EXPECT_NE(lost.out.find("computer: e5e0"), std::string::npos) << lost.out;
  EXPECT_NE(lost.out.find("你输了"), std::string::npos);
  // A game already decided is announced at once.
  EXPECT_NE(Cli({"play", "9/9/9/9/9/9/9/9/9/4K4"}).out.find("你赢了"), std::string::npos);
}

TEST(EngineCli, BenchReportsItsSignature) {
  Outcome bench = Cli({"bench"});
  EXPECT_EQ(bench.status, 0);
  EXPECT_NE(bench.out.find("positions "), std::string::npos);
  EXPECT_NE(bench.out.find("leaf evaluations "), std::string::npos);
  EXPECT_NE(bench.out.find("replies per second "), std::string::npos);
}

// The tuning as its one command runs it: self-play data, a tuned set, and that set played with.
TEST(EngineCli, TuningFromSelfPlayToAPlayedSet) {
  const std::string dir = testing::TempDir();
  const std::string data = dir + "xq_selfplay.txt", tuned = dir + "xq_tuned.txt";
  Outcome play = Cli({"selfplay", "--games", "4", "--nodes", "300", "--out", data});
  ASSERT_EQ(play.status, 0) << play.err;
  EXPECT_NE(play.out.find("positions "), std::string::npos);
  Outcome tune = Cli({"tune", data, "--out", tuned, "--epochs", "20"});
  ASSERT_EQ(tune.status, 0) << tune.err;
  EXPECT_NE(tune.out.find("error before "), std::string::npos);
  // The written set reads back whole, and the engine plays with it.
  Outcome shown = Cli({"evalparams", "--params", tuned});
  std::stringstream written;
  written << std::ifstream(tuned).rdbuf();
  EXPECT_EQ(shown.out, written.str());
  EXPECT_NE(shown.out, Cli({"evalparams"}).out);
  Outcome session = Cli({"uci", "--params", tuned}, "position startpos\ngo depth 2\nquit\n");
  EXPECT_EQ(session.status, 0);
  EXPECT_NE(session.out.find("bestmove "), std::string::npos) << session.out;
  // A bad set or a bad data file is refused with its line.
  std::ofstream(dir + "xq_bad_params.txt") << "tempo 10\nmaterial.queen 900\n";
  Outcome bad = Cli({"uci", "--params", dir + "xq_bad_params.txt"});
  EXPECT_EQ(bad.status, 2);
  EXPECT_NE(bad.err.find("line 2: unknown parameter material.queen"), std::string::npos);
  std::ofstream(dir + "xq_bad_data.txt") << "startpos;1\n";
  EXPECT_EQ(Cli({"tune", dir + "xq_bad_data.txt", "--out", tuned}).status, 2);
  EXPECT_EQ(Cli({"selfplay", "--games", "0", "--out", data}).status, 2);
}

// The search's constants as the tuner hands them over: listed with their ranges, a file read
// back, played with beside an evaluation file, and a bad one refused with its line.
TEST(EngineCli, SearchParamsFileIsPlayedOrRefused) {
  const std::string dir = testing::TempDir();
  const std::string good = dir + "xq_search.txt", bad = dir + "xq_search_bad.txt";
  Outcome listed = Cli({"searchparams"});
  EXPECT_EQ(listed.status, 0);
  EXPECT_NE(listed.out.find("\nrfp.margin 124  # 40..300\n"), std::string::npos) << listed.out;
  std::ofstream(good) << "rfp.margin 90\n";
  Outcome shown = Cli({"searchparams", "--search-params", good});
  EXPECT_NE(shown.out.find("\nrfp.margin 90  #"), std::string::npos);
  auto signature = [](const std::string& out) {
    size_t at = out.find("signature ");
    return at == std::string::npos ? std::string() : out.substr(at, out.find('\n', at) - at);
  };
  std::string tuned = signature(Cli({"enginebench", "--depth", "5", "--search-params", good}).out);
  EXPECT_NE(tuned, "");
  EXPECT_NE(tuned, signature(Cli({"enginebench", "--depth", "5"}).out));
  Outcome session = Cli({"uci", "--search-params", good, "--params", good + ".none"}, "quit\n");
  EXPECT_EQ(session.status, 2);
  session = Cli({"uci", "--search-params", good}, "position startpos\ngo depth 3\nquit\n");
  EXPECT_EQ(session.status, 0);
  EXPECT_NE(session.out.find("bestmove "), std::string::npos) << session.out;
  std::ofstream(bad) << "rfp.margin 90\nnmp.divisor 0\n";
  for (const char* command : {"uci", "ucci", "xboard", "enginebench", "searchparams"}) {
    Outcome refused = Cli({command, "--search-params", bad});
    EXPECT_EQ(refused.status, 2) << command;
    EXPECT_NE(refused.err.find("line 2: the value of nmp.divisor"), std::string::npos)
        << command << ": " << refused.err;
  }
}

}  // namespace
