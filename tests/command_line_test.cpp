// The command line: what each form of argument asks for, and what the program answers without a
// window.
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

namespace {

using Action = app::CommandLine::Action;

struct Case {
  std::vector<std::string_view> args;
  Action action;
  std::optional<int> level = std::nullopt;
  std::optional<std::string> record = std::nullopt;
  std::optional<std::string> engine = std::nullopt;
  std::optional<std::string> fen = std::nullopt;
  bool resume = false;
};

TEST(CommandLine, EachFormIsReadAsGnuProgramsReadIt) {
  const Case cases[] = {
      {{}, Action::kPlay},
      {{"game.ces"}, Action::kPlay, {}, "game.ces"},
      {{"--help"}, Action::kHelp},
      {{"-h", "--version"}, Action::kHelp},
      {{"--version", "--help"}, Action::kVersion},
      {{"-V"}, Action::kVersion},
      {{"--level", "1"}, Action::kPlay, 1},
      {{"--level=8", "a.ces"}, Action::kPlay, 8, "a.ces"},
      {{"b.ces", "--level", "3"}, Action::kPlay, 3, "b.ces"},
      {{"--", "--level"}, Action::kPlay, {}, "--level"},
      {{"-"}, Action::kPlay, {}, "-"},
      {{"--help", "--bogus"}, Action::kRefuse},
      {{"--bogus"}, Action::kRefuse},
      {{"-x"}, Action::kRefuse},
      {{"--level"}, Action::kRefuse},
      {{"--level", "0"}, Action::kRefuse},
      {{"--level", "9"}, Action::kRefuse},
      {{"--level", "-1"}, Action::kRefuse},
      {{"--level", "3x"}, Action::kRefuse},
      {{"--level", " 3"}, Action::kRefuse},
      {{"--level="}, Action::kRefuse},
      {{"--level", "99999999999999999999"}, Action::kRefuse},
      {{"--levels=3"}, Action::kRefuse},
      {{"a.ces", "b.ces"}, Action::kRefuse},
      {{"--engine", "/usr/games/fairy-stockfish"},
       Action::kPlay,
       {},
       {},
       "/usr/games/fairy-stockfish"},
      {{"--engine=xiangqi-cli uci", "a.pgn"}, Action::kPlay, {}, "a.pgn", "xiangqi-cli uci"},
      {{"--engine"}, Action::kRefuse},
      {{"--engine", "  "}, Action::kRefuse},
      {{"--engine="}, Action::kRefuse},
      {{"--fen", "3k5/9/9/9/9/9/9/9/9/4K4 w"},
       Action::kPlay,
       {},
       {},
       {},
       "3k5/9/9/9/9/9/9/9/9/4K4 w"},
      {{"--fen"}, Action::kRefuse},
      {{"--resume"}, Action::kPlay, {}, {}, {}, {}, true},
      {{"--resume=1"}, Action::kRefuse},
  };
  for (const Case& c : cases) {
    std::string shown;
    for (std::string_view a : c.args) shown += std::string(a) + " ";
    const app::CommandLine line = app::ParseCommandLine(c.args);
    EXPECT_EQ(line.action, c.action) << shown;
    EXPECT_EQ(line.action == Action::kRefuse, !line.error.empty()) << shown;
    if (c.action == Action::kRefuse) continue;
    EXPECT_EQ(line.level, c.level) << shown;
    EXPECT_EQ(line.record, c.record) << shown;
    EXPECT_EQ(line.engine, c.engine) << shown;
    EXPECT_EQ(line.fen, c.fen) << shown;
    EXPECT_EQ(line.resume, c.resume) << shown;
  }
}

// The answers a terminal gets: the texts on the right stream and the GNU exit statuses.
TEST(CommandLine, AnswersWithoutAWindowOnTheRightStreamAndStatus) {
  struct Answer {
    std::vector<std::string_view> args;
    std::optional<int> status;
    const char* out;  // expected at the start of standard output
    const char* err;  // expected at the start of standard error
  };
  const Answer answers[] = {
      {{"--help"}, 0, "Usage: xiangqi [OPTION]... [RECORD.ces | GAME.pgn]\n", ""},
      {{"--black", "game.pgn"}, std::nullopt, "", ""},
      {{"--version"}, 0, "xiangqi ", ""},
      {{"--what"}, 2, "", "xiangqi: unknown option '--what'\nUsage: xiangqi"},
      {{"--level", "12"}, 2, "", "xiangqi: invalid level '12'"},
      {{"--level", "5"}, std::nullopt, "", ""},
  };
  for (const Answer& a : answers) {
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    const std::optional<int> status =
        app::AnswerWithoutWindow(app::ParseCommandLine(a.args), "xiangqi", "");
    const std::string out = testing::internal::GetCapturedStdout();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, a.status) << a.args[0];
    EXPECT_EQ(out.substr(0, std::string(a.out).size()), a.out) << a.args[0];
    EXPECT_EQ(err.substr(0, std::string(a.err).size()), a.err) << a.args[0];
    if (*a.out == '\0') {
      EXPECT_EQ(out, "");
    }
    if (*a.err == '\0') {
      EXPECT_EQ(err, "");
    }
  }
  // The help lists the keys it is given in columns, a CJK name two columns a character; a line
  // that is not three fields is left out.
  const std::string help =
      app::UsageText("xiangqi", "Ctrl+Z\t悔棋\ttake back\n\t难度 1-8\tthe level\nbroken\n");
  for (const char* line :
       {"  Ctrl+Z           悔棋      take back\n", "                   难度 1-8  the level\n",
        "--level N", "right button", "Escape"})
    EXPECT_NE(help.find(line), std::string::npos) << line;
  EXPECT_EQ(help.find("broken"), std::string::npos);
}

}  // namespace
