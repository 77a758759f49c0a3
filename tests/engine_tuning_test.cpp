// The evaluation's parameter set and the Texel tuner: the text form reads back what it wrote and
// refuses bad text, the tuner's taken-apart evaluation is the search's, and tuning lowers the
// error.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <vector>

#include "engine/eval_params.h"
#include "engine/evaluation.h"
#include "engine/search.h"
#include "engine/tuning.h"

namespace {

using engine::EvalParams;

TEST(EngineTuning, ParameterTextReadsBackWhatItWrote) {
  EvalParams changed = engine::DefaultEvalParams();
  for (int i = 0; i < engine::EvalParamCount(); ++i) changed[i] = (i * 37) % 2001 - 1000;
  for (const EvalParams& params : {engine::DefaultEvalParams(), changed}) {
    std::string error;
    auto read = engine::ParseEvalParams(engine::WriteEvalParams(params), {}, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, params);
  }
  // Names not given keep the base's values; comments and blank lines are skipped.
  auto partial = engine::ParseEvalParams("\n# a comment\n  tempo   7 # the move in hand\r\n",
                                         engine::DefaultEvalParams());
  ASSERT_TRUE(partial);
  EvalParams expected = engine::DefaultEvalParams();
  expected[engine::kTempo] = 7;
  EXPECT_EQ(*partial, expected);
}

TEST(EngineTuning, BadParameterTextIsRefusedWithItsLine) {
  const struct {
    const char* text;
    const char* error;
  } kCases[] = {
      {"tempo", "line 1: expected \"name value\""},
      {"tempo 5\nmaterial.queen 900", "line 2: unknown parameter material.queen"},
      {"tempo 5\ntempo 6", "line 2: parameter tempo given twice"},
      {"tempo five", "line 1: the value of tempo must be"},
      {"tempo 20001", "line 1: the value of tempo must be"},
      {"tempo 99999999999999999999999", "line 1: the value of tempo must be"},
      {"psq.horse.a0 1 2", "line 1: the value of psq.horse.a0 must be"},
  };
  for (const auto& c : kCases) {
    std::string error;
    EXPECT_FALSE(engine::ParseEvalParams(c.text, engine::DefaultEvalParams(), &error)) << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " -> " << error;
  }
}

// The sum the tuner fits is the search's evaluation, with the defaults and with another set (whose
// endgame placement differs from the middle game's), from the opening to bare endings.
TEST(EngineTuning, TakenApartEvaluationIsTheSearchOne) {
  const char* kFens[] = {
      engine::kStartFen,
      "r1ba1a3/4kn3/2n1b4/pNp1p1p1p/4c4/6P2/P1P2R2P/1CcC5/9/2BAKAB2 w",
      "2bakab2/3r5/6n2/p1p1p3p/3C2p2/5c1R1/P1c1P1P1P/1r7/3RN4/2BAKAB2 b",
      "3ak4/4a4/9/9/9/9/9/9/4R4/4K4 b",       // a lone chariot
      "3k1a3/4a4/4b4/9/9/2C6/9/9/4A4/4K4 w",  // red leads but cannot mate: scaled
  };
  EvalParams other = engine::DefaultEvalParams();
  for (int i = 0; i < engine::EvalParamCount(); ++i)
    if (engine::EvalParamTunable(i)) other[i] += i % 7 - 3;
  for (const EvalParams& params : {engine::DefaultEvalParams(), other}) {
    engine::SetEvalParams(params);
    for (const char* fen : kFens) {
      auto pos = engine::Position::FromFen(fen);
      ASSERT_TRUE(pos) << fen;
      engine::EvalTrace trace;
      EXPECT_EQ(engine::EvaluateTraced(*pos, trace), engine::Evaluate(*pos)) << fen;
      double sum = 0;
      for (int i = 0; i < engine::EvalParamCount(); ++i)
        if (i != engine::kTempo) sum += trace.coef[i] * params[i];
      double red = sum * trace.scale / 64 + trace.coef[engine::kTempo] * params[engine::kTempo];
      // The search rounds the placement's slide and the scale down to whole centipawns.
      EXPECT_NEAR(pos->SideToMove() == engine::kRed ? red : -red, engine::Evaluate(*pos), 2.0)
          << fen;
    }
  }
  engine::SetEvalParams(engine::DefaultEvalParams());
}

// Each term counts where a player would see it: the coefficient of its weight, red's less black's.
TEST(EngineTuning, TermsCountWhereTheyApply) {
  const struct {
    const char* fen;
    engine::EvalParam param;
    int count;
  } kCases[] = {
      {"4k4/9/4n4/9/9/9/9/4R4/9/3K5 w", engine::kChariotPin, 1},
      {"4k4/9/4N4/9/9/9/9/4R4/9/3K5 w", engine::kChariotDiscovered, 1},
      {"4k4/9/4N4/9/9/9/9/4R4/9/3K5 w", engine::kChariotPin, 0},
      {"C2k5/9/9/9/9/9/9/9/9/4K4 w", engine::kCannonBottom, 1},
      {"C2k5/9/9/9/9/9/9/9/9/4K4 w", engine::kCannonFacingRank, 1},
      {"4k4/9/9/9/n8/9/9/9/9/R2K5 w", engine::kHangingWaiting, -1},
      {"4k4/9/9/9/n8/9/9/9/9/R2K5 b", engine::kHangingMover, -1},
      {"4k4/9/9/9/nr7/9/9/9/9/R2K5 w", engine::kHangingWaiting, 0},   // the chariot defends
      {"4k4/9/9/9/1r7/9/2N6/9/9/3K5 w", engine::kLesserWaiting, -1},  // horse on chariot
      {"4k4/9/9/9/3PP4/9/9/9/9/3K5 w", engine::kSoldierLinked, 1},
      {"3akab2/9/4b4/9/9/9/9/9/9/3K5 w", engine::kGuardElephantsLinked, -1},
      {"2bakab2/9/9/9/9/9/9/9/9/3K5 w", engine::kGuardElephantsLinked, 0},
      {"2bakab2/9/9/9/9/9/9/9/9/3K5 w", engine::kGuardAdvisorsLinked, 0},
      {"3ak4/4a4/9/9/9/9/9/9/9/3K5 w", engine::kGuardAdvisorsLinked, -1},
      {"5k3/9/9/9/9/9/9/9/9/3RK4 w", engine::kPalaceChariot, 1},
  };
  for (const auto& c : kCases) {
    auto pos = engine::Position::FromFen(c.fen);
    ASSERT_TRUE(pos) << c.fen;
    engine::EvalTrace trace;
    engine::EvaluateTraced(*pos, trace);
    EXPECT_EQ(trace.coef[c.param], c.count) << c.fen << " " << engine::EvalParamName(c.param);
  }
  // A lone chariot against a full guard is scaled towards a draw; with a soldier beside it not.
  for (auto [fen, scaled] : {std::pair{"2bakab2/9/9/9/9/9/9/9/R8/3K5 w", true},
                             std::pair{"2bakab2/9/9/9/9/P8/9/9/R8/3K5 w", false}}) {
    auto pos = engine::Position::FromFen(fen);
    ASSERT_TRUE(pos) << fen;
    engine::EvalTrace trace;
    engine::EvaluateTraced(*pos, trace);
    EXPECT_EQ(trace.scale, scaled ? engine::ActiveEvalParams()[engine::kScaleLoneChariot] : 64)
        << fen;
  }
}

TEST(EngineTuning, SelfPlayDataTunesToALowerError) {
  engine::SelfPlayOptions play;
  play.games = 4;
  play.nodes = 400;
  std::stringstream data;
  ASSERT_GT(engine::SelfPlay(play, data), 50u);
  std::string error;
  auto samples = engine::ReadTuningData(data, &error);
  ASSERT_TRUE(samples) << error;
  engine::TuneOptions options;
  options.epochs = 50;
  options.holdout = 0;
  engine::TuneReport report;
  engine::Tune(*samples, engine::DefaultEvalParams(), options, report);
  EXPECT_LT(report.train_after, report.train_before);

  std::stringstream bad(engine::kStartFen + std::string(";1\nnot a fen;0\n"));
  EXPECT_FALSE(engine::ReadTuningData(bad, &error));
  EXPECT_EQ(error.rfind("line 2: bad FEN", 0), 0u) << error;
  std::stringstream bad_result(engine::kStartFen + std::string(";2\n"));
  EXPECT_FALSE(engine::ReadTuningData(bad_result, &error));
}

// The match book: every line a legal walk of the asked length from the start, to a position
// not in check, no two alike, balanced by the search, and the same book from the same seed.
TEST(EngineTuning, OpeningsAreLegalBalancedAndRepeatable) {
  engine::OpeningOptions book;
  book.count = 12;
  book.depth = 3;
  book.margin_cp = 40;
  std::stringstream first, second;
  ASSERT_EQ(engine::WriteOpenings(book, first), 12);
  engine::WriteOpenings(book, second);
  EXPECT_EQ(first.str(), second.str());
  std::vector<uint64_t> keys;
  engine::Searcher searcher(1);
  engine::Limits limits;
  limits.depth = book.depth;
  for (std::string line; std::getline(first, line);) {
    engine::Position pos;
    std::istringstream words(line);
    int plies = 0;
    for (std::string word; words >> word; ++plies) {
      auto move = engine::ParseIccs(word);
      ASSERT_TRUE(move && pos.IsLegal(*move)) << line;
      pos.MakeMove(*move);
    }
    EXPECT_GE(plies, book.min_plies) << line;
    EXPECT_LE(plies, book.max_plies) << line;
    EXPECT_FALSE(pos.InCheck()) << line;
    EXPECT_EQ(std::count(keys.begin(), keys.end(), pos.Key()), 0) << line;
    keys.push_back(pos.Key());
    searcher.NewGame();
    EXPECT_LE(std::abs(searcher.Search(pos, limits).score), book.margin_cp) << line;
  }
}

}  // namespace
