// xiangqi-cli's record commands as a user runs them: one move in another notation, and a PGN
// file's game as tags, moves and last position; a bad file named with its line on standard error.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

using Outcome = testing_support::CliRun;
using testing_support::TempPath;

Outcome Cli(const std::vector<std::string>& args) {
  return testing_support::RunCli(args);
}

std::string Written(const std::string& text) {
  std::string path = TempPath(".pgn");
  std::ofstream(path, std::ios::binary) << text;
  return path;
}

const std::string kBlackToMove = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b";

TEST(RecordCli, WritesOneMoveInTheNotationAskedFor) {
  struct Case {
    std::vector<std::string> args;
    const char* out;
  };
  const Case cases[] = {
      {{"notation", "startpos", "h2e2"}, "炮二平五\n"},
      {{"notation", "startpos", "炮二平五", "--format", "wxf"}, "C2.5\n"},
      {{"notation", "startpos", "C2.5", "--format", "iccs"}, "h2e2\n"},
      {{"notation", kBlackToMove, "马8进7"}, "马８进７\n"},
      {{"notation", kBlackToMove, "h9g7", "--format", "xboard"}, "Hg7\n"},
  };
  for (const Case& c : cases) {
    Outcome run = Cli(c.args);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, c.out);
  }
  Outcome illegal = Cli({"notation", "startpos", "炮二进九"});
  EXPECT_EQ(illegal.status, 2);
  EXPECT_NE(illegal.err.find("着法 炮二进九 不合规则"), std::string::npos) << illegal.err;
  EXPECT_EQ(Cli({"notation", "startpos", "h2e2", "--format", "morse"}).status, 2);
  EXPECT_EQ(Cli({"notation", "9/9 w", "h2e2"}).status, 2);
}

TEST(RecordCli, PrintsAGameOfAPgnFile) {
  Outcome xboard = Cli({"pgn", XQ_SOURCE_DIR "/docs/screenshots/xboard.pgn"});
  EXPECT_EQ(xboard.status, 0) << xboard.err;
  EXPECT_EQ(xboard.out.substr(0, 37), "[Event \"Computer Chess Game\"]\n[Site \"");
  EXPECT_NE(xboard.out.find("\nc3c4 b7e7 h0g2 "), std::string::npos);
  EXPECT_NE(xboard.out.find(" c9d9\n3Rk4/3c3r1/2N2RCC1/4p1pc1/8p/2P3P2/P3P3P/6N2/9/2BAKAB2 b"),
            std::string::npos)
      << xboard.out;

  std::string two =
      Written("[Event \"一\"]\n1. h2e2 *\n\n[Event \"二\"]\n1. 马二进三 马８进７ *\n");
  Outcome second = Cli({"pgn", two, "--game", "2"});
  EXPECT_EQ(second.status, 0);
  EXPECT_EQ(second.out,
            "[Event \"二\"]\nh0g2 h9g7\n"
            "rnbakab1r/9/1c4nc1/p1p1p1p1p/9/9/P1P1P1P1P/1C4NC1/9/RNBAKAB1R w - - 2 2\n");
  EXPECT_EQ(Cli({"pgn", two, "--game", "3"}).status, 2);
  std::remove(two.c_str());
}

TEST(RecordCli, NamesTheFileAndLineOfABadFile) {
  std::string bad = Written("[Event \"x\"]\r\n\r\n1. 炮二进九\r\n");
  Outcome run = Cli({"pgn", bad});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, bad + ":3: 着法 炮二进九 不合规则\n");
  std::remove(bad.c_str());
  EXPECT_EQ(Cli({"pgn", TempPath(".missing")}).status, 1);
}

}  // namespace
