// What a tournament judges after each move: the third repetition (perpetual check, perpetual
// chase, or a draw), 60 rounds without a capture; and every reason a board cannot be a game's.
#include <gtest/gtest.h>

#include <sstream>

#include "engine/line_judge.h"

namespace {

engine::Position Played(const std::string& fen, const std::string& moves) {
  std::optional<engine::Position> position = engine::Position::FromFen(fen);
  EXPECT_TRUE(position) << fen;
  std::istringstream in(moves);
  for (std::string word; in >> word;) {
    const std::optional<engine::Move> move = engine::ParseIccs(word);
    EXPECT_TRUE(move && position->IsLegal(*move)) << word;
    position->MakeMove(*move);
  }
  return *position;
}

TEST(LineJudge, TheThirdRepetitionAndSixtyRounds) {
  const std::string shuffle = "e0e1 d9d8 e1e0 d8d9 e0e1 d9d8 e1e0";
  const std::string checks = "i0i9 d9d8 i9i8 d8d9 i8i9 d9d8 i9i8 d8d9";
  const std::string chases = "b6b7 a7a8 b7b8 a8a7 b8b7 a7a8 b7b8 a8a7";
  struct Case {
    const char* fen;
    std::string moves;
    const char* verdict;
  };
  const Case cases[] = {
      {"3k5/9/9/9/9/9/9/9/9/4K4 w", shuffle, "none"},  // the second time only
      {"3k5/9/9/9/9/9/9/9/9/4K4 w", shuffle + " d8d9", "draw: repetition"},
      {"3k5/9/9/9/9/9/9/9/9/4K3R w", checks, "none"},
      {"3k5/9/9/9/9/9/9/9/9/4K3R w", checks + " i8i9", "perpetual check by red"},
      {"3k5/9/c8/1R7/9/9/9/9/9/4K4 w", chases + " b8b7",
       "chase by red: chariot b7 chases cannon a7"},
      {"3k5/9/9/9/9/9/9/9/9/4K4 w - - 118 60", "e0e1", "none"},
      {"3k5/9/9/9/9/9/9/9/9/4K4 w - - 119 60", "e0e1", "draw: 60 rounds"},
  };
  for (const Case& c : cases) {
    engine::Position position = Played(c.fen, c.moves);
    const std::string fenBefore = position.Fen();
    EXPECT_EQ(engine::DescribeVerdict(engine::JudgeLine(position)), c.verdict) << c.moves;
    EXPECT_EQ(position.Fen(), fenBefore);  // left as it was
  }
}

TEST(PositionCheck, EveryReasonABoardCannotStandAndTheEdges) {
  struct Case {
    const char* fen;
    std::vector<std::string> reasons;  // none: the position stands
  };
  const Case cases[] = {
      {"3k5/9/9/9/9/9/9/9/9/4K4 w", {}},  // two lone generals
      {engine::kStartFen, {}},
      {"9/9/9/9/9/9/9/9/9/4K4 w", {"black has no general"}},
      {"3k5/9/9/9/9/9/9/9/4K4/4K4 w", {"red has more than one general"}},
      {"3k5/9/9/9/9/P1P1P1P1P/4P4/9/9/4K4 w", {"red has more than 5 soldiers"}},
      {"3k5/9/9/9/9/9/9/3A1A3/4A4/4K4 w", {"red has more than 2 advisors"}},
      {"3k5/9/9/9/9/9/9/9/9/4K1A2 w", {"red advisor off its five points at g0"}},
      {"3k5/9/9/9/9/9/9/9/4B4/4K4 w", {"red elephant off its seven points at e1"}},
      {"3k5/9/9/9/9/9/9/P8/9/4K4 w", {"red soldier on a square it can never reach at a2"}},
      {"3k5/9/9/9/9/9/1P7/9/9/4K4 w", {"red soldier on a square it can never reach at b3"}},
      {"3k5/9/9/9/9/9/9/9/9/3K5 w", {"the generals face each other on an open file"}},
      {"3k5/9/9/9/9/9/9/9/9/3rK4 b", {"the side not to move is in check"}},
      // Two things wrong at once: both told.
      {"9/9/9/9/9/9/9/9/9/2A1K4 w",
       {"black has no general", "red advisor off its five points at c0"}},
  };
  for (const Case& c : cases) {
    const auto problems = engine::Position::CheckFen(c.fen);
    ASSERT_TRUE(problems) << c.fen;
    std::vector<std::string> reasons;
    for (const engine::PositionProblem& problem : *problems)
      reasons.push_back(engine::DescribeProblem(problem));
    EXPECT_EQ(reasons, c.reasons) << c.fen;
    // The FEN reader takes exactly the positions that pass, refusing with the first reason.
    std::string error;
    EXPECT_EQ(engine::Position::FromFen(c.fen, &error).has_value(), c.reasons.empty()) << c.fen;
    if (!c.reasons.empty()) {
      EXPECT_EQ(error, c.reasons.front());
    }
  }
  std::string error;
  EXPECT_FALSE(engine::Position::CheckFen("rnbakabnr/9 w", &error));
  EXPECT_FALSE(error.empty());
}

}  // namespace
