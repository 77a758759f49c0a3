// The rules of a repeated position: perpetual check and perpetual chase lose, mutual or no
// chasing is a draw; and the search plays by them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/repetition.h"
#include "engine/search.h"

namespace {

using engine::Position;
using engine::RepetitionRule;

Position At(const std::string& fen, const std::vector<std::string>& moves) {
  auto pos = Position::FromFen(fen);
  EXPECT_TRUE(pos) << fen;
  if (!pos) return Position();
  for (const std::string& text : moves) {
    auto m = engine::ParseIccs(text);
    EXPECT_TRUE(m && pos->IsLegal(*m)) << text;
    if (m && pos->IsLegal(*m)) pos->MakeMove(*m);
  }
  pos->MarkChecks();
  return *pos;
}

// Red's chariot follows black's horse between c6 and d8: every red move of the cycle attacks it
// anew. With a black chariot on d6 the horse is protected on both squares.
const std::vector<std::string> kChase = {"a5a6", "c6d8", "a6a8", "d8c6", "a8a6"};

TEST(EngineRepetition, Verdicts) {
  struct Case {
    const char* name;
    std::string fen;
    std::vector<std::string> line;
    int result;  // for the side to move at the end
    RepetitionRule rule;
  };
  const std::vector<Case> cases = {
      {"a chase loses for the chaser", "5k3/9/9/2n6/R8/9/9/9/9/3K5 w", kChase, 1,
       RepetitionRule::kPerpetualChase},
      {"a mutual chase is a draw",
       "5k3/6C1N/9/8c/6r2/9/9/9/9/3K5 w",
       {"i8g7", "i6g6", "g7i8", "g6i6", "i8g7"},
       0,
       RepetitionRule::kDraw},
      {"a protected piece is not chased", "5k3/9/9/2nr5/R8/9/9/9/9/4K4 w", kChase, 0,
       RepetitionRule::kDraw},
      {"perpetual check loses for the checker",
       "4k4/R8/8c/9/9/7rr/9/9/4A4/2BK1AB2 w",
       {"a8a9", "e9e8", "a9a8", "e8e9", "a8a9"},
       1,
       RepetitionRule::kPerpetualCheck},
      {"quiet moves are a draw",
       "4k4/9/8c/9/9/7rr/9/9/R3A4/2BK1AB2 w",
       {"a1a2", "e9e8", "a2a1", "e8e9"},
       0,
       RepetitionRule::kDraw},
  };
  for (const Case& c : cases) {
    Position pos = At(c.fen, c.line);
    std::string before = pos.Fen();
    int plies = engine::RepetitionDistance(pos);
    ASSERT_EQ(plies, 4) << c.name;
    auto verdict = engine::JudgeRepetition(pos, plies);
    EXPECT_EQ(verdict.result, c.result) << c.name;
    EXPECT_EQ(verdict.rule, c.rule) << c.name;
    EXPECT_EQ(pos.Fen(), before) << c.name;  // the replay leaves the position as it was
  }
  EXPECT_EQ(engine::RepetitionDistance(Position()), 0);
}

// Red, a chariot against a chariot and a horse, would welcome a draw, but completing the chase
// loses: it plays on instead.
TEST(EngineRepetition, TheSearchDoesNotCompleteAChase) {
  Position pos = At("5k3/9/9/2n6/R8/9/9/9/6r2/3K5 w", {"a5a6", "c6d8", "a6a8", "d8c6"});
  engine::Searcher searcher(4);
  engine::Limits limits;
  limits.depth = 5;
  auto result = searcher.Search(pos, limits);
  EXPECT_NE(engine::ToIccs(result.best), "a8a6");
  EXPECT_GT(result.score, -engine::kMateBound);
}

}  // namespace
