// xiangqi-cli's record commands as a user runs them: one move in another notation, a file's game
// as tags, moves and last position, a file's games listed, and a game converted between PGN, XQF
// and DhtmlXQ with its whole tree; a bad file named with its line on standard error.
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

// A game with everything the three formats share: tags, comments, variations in variations.
const std::string kTreeGame =
    "[Event \"全国赛\"]\n[Red \"许银川\"]\n[Black \"吕钦\"]\n[Result \"1-0\"]\n\n"
    "{开局前的话} 1. 炮二平五 {中炮} 马８进７ (1... 卒７进１ {另一种} 2. 兵七进一 (2. 马二进三 "
    "{再一种}))\n"
    "2. 马二进三 车９平８ 1-0\n";

// The moves of a PGN file after its tags.
std::string MoveText(const std::string& pgn) {
  return pgn.substr(pgn.find("\n\n") + 2);
}

TEST(RecordCli, ConvertsAGameWithItsWholeTree) {
  std::string pgn = Written(kTreeGame), xqf = TempPath(".xqf"), page = TempPath(".txt"),
              back = TempPath(".pgn"), direct = TempPath(".pgn");
  EXPECT_EQ(Cli({"convert", pgn, direct, "--notation", "iccs"}).status, 0);
  Outcome to_xqf = Cli({"convert", pgn, xqf});
  EXPECT_EQ(to_xqf.status, 0) << to_xqf.err;
  EXPECT_EQ(testing_support::Slurp(xqf).substr(0, 3), std::string("XQ\x0A", 3));
  EXPECT_EQ(Cli({"convert", xqf, page, "--encoding", "gb18030"}).status, 0);
  std::string block = testing_support::Slurp(page);
  EXPECT_EQ(block.substr(0, 10), "[DhtmlXQ]\n");
  EXPECT_NE(block.find("\xD6\xD0\xC5\xDA"), std::string::npos);  // 中炮 in GB18030
  EXPECT_EQ(Cli({"convert", page, back, "--to", "pgn", "--notation", "iccs"}).status, 0);
  EXPECT_EQ(MoveText(testing_support::Slurp(back)), MoveText(testing_support::Slurp(direct)));
  EXPECT_NE(testing_support::Slurp(back).find("[Red \"许银川\"]"), std::string::npos);

  std::string two = Written(kTreeGame + "\n[Event \"二\"]\n1. h2e9 *\n");
  struct Refusal {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Refusal refusals[] = {
      {{"convert", two, xqf, "--game", "2"}, 1, two + ":10: 着法 h2e9 不合规则\n"},
      {{"convert", two, xqf}, 2, "xiangqi-cli: " + two + " has 2 games: choose one with --game\n"},
      {{"convert", two, xqf, "--game", "3"}, 2, "xiangqi-cli: " + two + " has 2 games\n"},
      {{"convert", pgn, TempPath(".doc")}, 2, ""},
      {{"convert", pgn, xqf, "--encoding", "utf-8"},
       2,
       "xiangqi-cli: XQF's texts are always GB18030\n"},
      {{"convert", TempPath(".missing"), xqf}, 1, ""},
  };
  for (const Refusal& r : refusals) {
    Outcome run = Cli(r.args);
    EXPECT_EQ(run.status, r.status) << run.err;
    if (!r.err.empty()) {
      EXPECT_EQ(run.err, r.err);
    }
  }
  for (const std::string& file : {pgn, xqf, page, back, direct, two}) std::remove(file.c_str());
}

TEST(RecordCli, ListsEveryGameOfAFileEvenWithBrokenOnes) {
  std::string file = Written(
      "[Event \"甲\"]\n[Red \"许银川\"]\n[Black \"吕钦\"]\n1. h2e2 h9g7 1-0\n\n"
      "[Event \"乙\"]\n1. h2e2 {never closed\n\n"
      "[Event \"丙\"]\n[FEN \"9/9 w\"]\n1. h2e2 *\n\n"
      "[Event \"丁\"]\n[Date \"2026.01.02\"]\n1. h2e2 h2e9 *\n");
  Outcome run = Cli({"pgn", file, "--list"});
  EXPECT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "1\t许银川\t吕钦\t1-0\t甲\t?\t2 plies\n"
            "2\t?\t?\t*\t乙\t?\t1 plies\tbad 7: 注释 { 没有结束的 }\n"
            "3\tbad 10: FEN 不是合规的局面（fewer than 10 ranks）\n"
            "4\t?\t?\t*\t丁\t2026.01.02\t1 plies\tbad 15: 着法 h2e9 不合规则\n");
  std::remove(file.c_str());
  EXPECT_EQ(Cli({"pgn", TempPath(".missing"), "--list"}).status, 1);
}

}  // namespace
