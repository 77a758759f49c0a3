// The rules of a repeated position, case by case from the Asian (AXF) rules' own examples: which
// moves chase, which cycles lose, which are drawn; and the search plays by them. "Rule N, diagram
// M" names the rule and the example of the AXF rules (the WXF's English text) a case shows.
#include <gtest/gtest.h>

#include <algorithm>
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
    EXPECT_TRUE(m && pos->IsLegal(*m)) << fen << ": " << text;
    if (m && pos->IsLegal(*m)) pos->MakeMove(*m);
  }
  pos->MarkChecks();
  return *pos;
}

std::vector<std::string> Split(const std::string& line) {
  std::vector<std::string> words;
  for (size_t at = 0; at < line.size();) {
    size_t end = line.find(' ', at);
    if (end == std::string::npos) end = line.size();
    if (end > at) words.push_back(line.substr(at, end - at));
    at = end + 1;
  }
  return words;
}

// What one move chases: the squares of the pieces ChasedByLastMove names.
TEST(EngineRepetition, WhatAMoveChases) {
  struct Case {
    const char* rule;
    const char* fen;
    const char* move;
    std::vector<std::string> chased;
  };
  const std::vector<Case> cases = {
      {"an elephant chases (only the General and soldiers may; rules 28, 29)",
       "4k4/9/9/9/9/2n6/9/9/9/3K2B2 w", "g0e2", {"c4"}},
      {"an advisor chases", "4k4/9/9/9/9/9/9/5c3/9/3K1A3 w", "f0e1", {"f2"}},
      {"the General does not (rule 28, diagram 67)", "4k4/9/9/9/9/9/9/9/4c4/3K5 w", "d0d1", {}},
      {"a soldier does not (rule 29, diagram 69)", "4k4/9/2n6/9/2P6/9/9/9/9/3K5 w", "c5c6", {}},
      {"a soldier is chased once across the river, not before (rule 25)",
       "4k4/9/9/2p6/R8/9/2p6/9/9/3K5 w", "a5c5", {"c3"}},
      {"a chariot may attack a protected cannon (rule 17, diagram 29)",
       "4k4/9/2c5r/9/9/9/9/1R7/9/3K5 w", "b2c2", {}},
      {"a cannon chases a chariot however protected (rule 15, diagram 18)",
       "4k4/9/2r5r/2p6/9/9/9/C8/9/3K5 w", "a2c2", {"c7"}},
      {"so does a horse (rule 27)", "4k4/9/2r5r/9/9/9/N8/9/9/3K5 w", "a3b5", {"c7"}},
      {"protection is a legal recapture: a horse that may take back protects",
       "4k4/4n4/2c6/9/9/9/9/1R7/9/3K5 w", "b2c2", {}},
      {"a pinned horse does not", "4k4/4n4/2c6/9/9/9/4R4/1R7/9/3K5 w", "b2c2", {"c7"}},
      {"a chariot facing a chariot that may take it offers an exchange (rules 24, 40)",
       "4k4/9/1r7/9/9/9/9/R8/9/3K5 w", "a2b2", {}},
      {"a chariot confined by a cannon cannot take, and is chased (rule 27, diagram 64)",
       "4k4/4r4/R8/4p4/9/9/9/9/4C4/3K5 w", "a7a8", {"e8"}},
      {"a horse attacking a horse that may take it offers an exchange (rule 24)",
       "4k4/9/9/9/4n4/9/9/9/2N6/3K5 w", "c1d3", {}},
      {"a blocked horse is chased (rule 24, diagram 55)", "4k4/9/9/9/4n4/4P4/9/9/2N6/3K5 w",
       "c1d3", {"e5"}},
      {"a cannon attacking a cannon that may take it offers an exchange (rule 24)",
       "3ck4/9/9/9/3N5/9/9/5C3/9/5K3 w", "f2d2", {}},
      {"a pinned cannon cannot take, and is chased (rule 24, diagram 53)",
       "R2ck4/9/9/9/3N5/9/9/5C3/9/5K3 w", "f2d2", {"d9"}},
      {"a move that blocks the protector's way chases (the appendix's example)",
       "4k4/9/4b4/9/2nP5/9/9/9/2R6/3K5 w", "d5d6", {"c5"}},
      {"an attack that stood before the move is no chase (the appendix's counter-example)",
       "4k4/9/9/9/2n6/9/9/9/2R6/3K5 w", "c1c2", {}},
      {"a cannon's new screen chases (rule 25, diagram 56)", "4k4/9/9/9/2n6/9/N8/9/2C6/3K5 w",
       "a3c4", {"c5"}},
      {"a line opened chases", "4k4/9/2n6/9/9/9/2N6/9/2R6/3K5 w", "c3e4", {"c7"}},
      {"a check may chase too", "n3k4/9/9/9/9/9/9/2R6/9/3K5 w", "c2c9", {"a9"}},
  };
  for (const Case& c : cases) {
    Position pos = At(c.fen, {c.move});
    std::string before = pos.Fen();
    uint32_t chased = engine::ChasedByLastMove(pos);
    std::vector<std::string> squares;
    const uint8_t* slots = pos.Slots(pos.SideToMove());
    for (int slot = 0; slot < 16; ++slot)
      if (chased >> slot & 1) squares.push_back(engine::ToIccs({slots[slot], 0}).substr(0, 2));
    EXPECT_EQ(squares, c.chased) << c.rule;
    EXPECT_EQ(pos.Fen(), before) << c.rule;
  }
}

// Whole cycles: the verdict when the last move brings back the position of four plies before.
TEST(EngineRepetition, Verdicts) {
  struct Case {
    const char* rule;
    const char* fen;
    const char* line;
    int result;  // for the side to move at the end
    RepetitionRule verdict;
  };
  using enum RepetitionRule;
  const std::vector<Case> cases = {
      {"a chariot chasing an unprotected cannon loses (rule 18, diagram 32)",
       "4k4/9/2c6/9/9/9/9/1R7/9/3K5 w", "b2c2 c7b7 c2b2 b7c7 b2c2", 1, kPerpetualChase},
      {"a cannon protected on one of its two squares is not chased (rule 17, diagram 31)",
       "n3k4/9/2c6/9/9/9/9/1R7/9/3K5 w", "b2c2 c7b7 c2b2 b7c7 b2c2", 0, kDraw},
      {"a cannon chasing a protected chariot loses (rule 15, diagram 18)",
       "4k4/9/2r5r/p1p6/9/9/9/C8/9/3K5 w", "a2c2 c7a7 c2a2 a7c7 a2c2", 1, kPerpetualChase},
      {"offering a chariot exchange for ever is a draw (rule 40, diagram 101)",
       "4k4/9/1r7/9/9/9/9/R8/9/3K5 w", "a2b2 b7a7 b2a2 a7b7 a2b2", 0, kDraw},
      {"chasing a chariot confined by a cannon loses (rule 27, diagram 64)",
       "4k4/4r4/R8/4p4/9/9/9/9/4C4/3K5 w", "a7a8 e8e7 a8a7 e7e8 a7a8", 1, kPerpetualChase},
      {"one piece chasing two in turn is a draw (rule 32, diagram 76)",
       "4k4/9/1nc6/9/9/9/9/1R7/9/3K5 w", "b2c2 e9f9 c2b2 f9e9 b2c2", 0, kDraw},
      {"two chariots chasing one piece in turn lose", "4k4/9/n8/9/9/1R7/9/9/9/R2K5 w",
       "b4a4 e9f9 a4b4 f9e9 b4a4", 1, kPerpetualChase},
      {"a mutual chase is a draw", "4k3r/9/n8/9/7r1/1R7/9/8N/9/R2K5 w",
       "b4a4 h5i5 a4b4 i5h5 b4a4", 0, kDraw},
      {"one check and one chase are allowed, the chariot's chase is not (rule 18, diagram 37)",
       "4k4/9/9/9/9/9/4P4/cRNA5/2N1K4/9 b", "a2a1 b2b1 a1a2 b1b2 a2a1", -1, kPerpetualChase},
      {"perpetual check loses (rule 6)", "4k4/R8/8c/9/9/7rr/9/9/4A4/2BK1AB2 w",
       "a8a9 e9e8 a9a8 e8e9 a8a9", 1, kPerpetualCheck},
      {"quiet moves are a draw (rule 5)", "4k4/9/8c/9/9/7rr/9/9/R3A4/2BK1AB2 w",
       "a1a2 e9e8 a2a1 e8e9", 0, kDraw},
  };
  for (const Case& c : cases) {
    Position pos = At(c.fen, Split(c.line));
    std::string before = pos.Fen();
    int plies = engine::RepetitionDistance(pos);
    ASSERT_EQ(plies, 4) << c.rule;
    auto verdict = engine::JudgeRepetition(pos, plies);
    EXPECT_EQ(verdict.result, c.result) << c.rule;
    EXPECT_EQ(verdict.rule, c.verdict) << c.rule;
    EXPECT_EQ(pos.Fen(), before) << c.rule;  // the replay leaves the position as it was
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
