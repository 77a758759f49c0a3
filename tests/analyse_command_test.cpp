// `xiangqi-cli analyse` as a script runs it: lines of analysis on standard output, an engine's
// failure as one message on standard error with status 1, bad arguments refused with status 2.
#include <gtest/gtest.h>

#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/cli_run.h"

namespace {

using testing_support::Quoted;

struct Outcome {
  int status = -1;
  std::vector<std::string> lines;
  std::string err;
};

Outcome Analyse(std::vector<std::string> args) {
  args.insert(args.begin(), "analyse");
  const testing_support::CliRun run = testing_support::RunCli(args);
  Outcome outcome{run.status, {}, run.err};
  std::istringstream text(run.out);
  for (std::string line; std::getline(text, line);) outcome.lines.push_back(line);
  return outcome;
}

const std::string kStart = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

// Moves as the record writes them: Chinese by default, ICCS when asked.
const std::string kChineseMove = "[^ ]+(进|退|平)[^ ]+";
const std::string kIccsMove = "[a-i][0-9][a-i][0-9]";

void ExpectAnalysis(const Outcome& run, int lines_wanted, const std::string& move) {
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_GE(run.lines.size(), 2u);
  const std::regex line(R"(([1-9])  深度 \d+(/\d+)?  分数 ([+-]\d+\.\d\d|-?杀 \d+)  速度 \d+  )" +
                        move + "( " + move + ")*");
  int most = 0;
  for (size_t i = 0; i + 1 < run.lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.lines[i], match, line)) << run.lines[i];
    most = std::max(most, std::stoi(match[1]));
  }
  EXPECT_EQ(most, lines_wanted);
  EXPECT_TRUE(std::regex_match(run.lines.back(), std::regex("最佳着法 " + move)))
      << run.lines.back();
}

TEST(AnalyseCommand, OurOwnEngineByDefaultInChinese) {
  ExpectAnalysis(Analyse({kStart, "--time", "300"}), 1, kChineseMove);
}

TEST(AnalyseCommand, FairyStockfishWithThreeLinesInIccs) {
  if (access("/usr/games/fairy-stockfish", X_OK) != 0) GTEST_SKIP() << "no Fairy-Stockfish";
  ExpectAnalysis(Analyse({kStart, "--engine", "/usr/games/fairy-stockfish", "--time", "300",
                          "--multipv", "3", "--notation", "iccs"}),
                 3, kIccsMove);
}

TEST(AnalyseCommand, AFailingEngineIsOneMessageAndStatusOne) {
  std::string fake = Quoted(std::string(XQ_SOURCE_DIR) + "/tests/support/fake_engine.sh");
  Outcome run = Analyse({kStart, "--engine", fake + " illegal", "--time", "100"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "xiangqi-cli: 引擎 Fake illegal 走了不合规则的着法 a0a5\n");
}

TEST(AnalyseCommand, BadArgumentsAreRefused) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"not a fen"},
      {kStart, "--time", "0"},
      {kStart, "--time"},
      {kStart, "--multipv", "x"},
      {kStart, "--multipv", "11"},
      {kStart, "--depth", "3"},
      {kStart, "--notation", "xboard"},
      {kStart, "--notation"},
      {kStart, kStart},
  };
  for (const auto& args : cases) {
    Outcome run = Analyse(args);
    EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args.back());
    EXPECT_TRUE(run.lines.empty());
    EXPECT_EQ(run.err.rfind("xiangqi-cli: ", 0), 0u) << run.err;
  }
}

}  // namespace
