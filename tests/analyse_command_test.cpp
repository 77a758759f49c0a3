// `xiangqi-cli analyse` as a script runs it: lines of analysis on standard output, an engine's
// failure as one message on standard error with status 1, bad arguments refused with status 2.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Outcome {
  int status = -1;
  std::vector<std::string> lines;
  std::string err;
};

std::string Quoted(const std::string& arg) {
  std::string q = "'";
  for (char c : arg) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

Outcome Analyse(const std::vector<std::string>& args) {
  static int runs = 0;
  std::string stem =
      testing::TempDir() + "xq_analyse_" + std::to_string(getpid()) + "_" + std::to_string(++runs);
  std::string out = stem + ".out", err = stem + ".err";
  std::string command = Quoted(std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli") + " analyse";
  for (const auto& a : args) command.append(" ").append(Quoted(a));
  command.append(" </dev/null >").append(out).append(" 2>").append(err);
  int raw = std::system(command.c_str());
  Outcome run;
  run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  std::istringstream text(Slurp(out));
  for (std::string line; std::getline(text, line);) run.lines.push_back(line);
  run.err = Slurp(err);
  std::remove(out.c_str());
  std::remove(err.c_str());
  return run;
}

const std::string kStart = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w - - 0 1";

void ExpectAnalysis(const Outcome& run, int lines_wanted) {
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_GE(run.lines.size(), 2u);
  const std::regex line(R"(([1-9])  深度 \d+(/\d+)?  分数 ([+-]\d+\.\d\d|-?杀 \d+)  速度 \d+  )"
                        R"([a-i]\d[a-i]\d( [a-i]\d[a-i]\d)*)");
  int most = 0;
  for (size_t i = 0; i + 1 < run.lines.size(); ++i) {
    std::smatch match;
    ASSERT_TRUE(std::regex_match(run.lines[i], match, line)) << run.lines[i];
    most = std::max(most, std::stoi(match[1]));
  }
  EXPECT_EQ(most, lines_wanted);
  EXPECT_TRUE(std::regex_match(run.lines.back(), std::regex("最佳着法 [a-i]\\d[a-i]\\d")))
      << run.lines.back();
}

TEST(AnalyseCommand, OurOwnEngineByDefault) {
  ExpectAnalysis(Analyse({kStart, "--time", "300"}), 1);
}

TEST(AnalyseCommand, FairyStockfishWithThreeLines) {
  if (access("/usr/games/fairy-stockfish", X_OK) != 0) GTEST_SKIP() << "no Fairy-Stockfish";
  ExpectAnalysis(Analyse({kStart, "--engine", "/usr/games/fairy-stockfish", "--time", "300",
                          "--multipv", "3"}),
                 3);
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
