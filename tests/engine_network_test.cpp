// The evaluation network: the search's incremental evaluator always agrees with summing the board
// afresh, the AVX2 and portable kernels agree, the file reads back to itself and refuses what is
// not one, and the built-in network sees both sides alike.
#include <gtest/gtest.h>

#include <random>

#include "engine/network.h"
#include "engine/search.h"

namespace {

using engine::Network;
using engine::Position;

// Weights over the whole int16 range, so that sums wrap: the evaluator must still agree.
Network RandomNetwork(uint64_t seed, int hidden = 32) {
  std::mt19937_64 rng(seed);
  std::uniform_int_distribution<int> any(-32768, 32767), output(-4096, 4096);
  const size_t h = size_t(hidden);
  std::vector<int16_t> weights(engine::kNetworkFeatures * h), biases(h), outputs(2 * h);
  for (auto* part : {&weights, &biases})
    for (auto& w : *part) w = int16_t(any(rng));
  for (auto& w : outputs) w = int16_t(output(rng));
  return *Network::Make(hidden, weights, biases, outputs, any(rng));
}

// Random lines with null moves, taken back and played on again, as a search goes: every position
// evaluates as the whole board does, with either kernel.
TEST(EngineNetwork, IncrementalEvaluationEqualsAFreshSum) {
  const Network net = RandomNetwork(7);
  for (bool avx2 : {false, true}) {
    engine::detail::SetNetworkAvx2(avx2);
    engine::NetworkEvaluator evaluator(net);
    std::mt19937_64 rng(11);
    Position pos;
    int nulls = 0;
    for (int step = 0; step < 4000; ++step) {
      const auto moves = pos.LegalMoves();
      const unsigned roll = unsigned(rng() % 10);
      if (pos.Ply() > 0 && (roll < 3 || moves.empty())) {
        if (pos.History().back().move == engine::kNoMove && nulls > 0)
          pos.UnmakeNullMove(), --nulls;
        else if (pos.History().back().move != engine::kNoMove)
          pos.UnmakeMove();
      } else if (roll == 3 && !pos.InCheck()) {
        pos.MakeNullMove(), ++nulls;
      } else if (!moves.empty()) {
        pos.MakeMove(moves[rng() % moves.size()]);
      }
      ASSERT_EQ(evaluator.Evaluate(pos), net.Evaluate(pos)) << "step " << step << " " << pos.Fen();
    }
  }
  engine::detail::SetNetworkAvx2(true);
}

TEST(EngineNetwork, KernelsAgree) {
  if (!(engine::detail::SetNetworkAvx2(true), engine::detail::NetworkUsesAvx2()))
    GTEST_SKIP() << "no AVX2 here";
  const Network net = RandomNetwork(3, 64);
  std::mt19937_64 rng(5);
  Position pos;
  for (int ply = 0; ply < 300 && !pos.LegalMoves().empty(); ++ply) {
    engine::detail::SetNetworkAvx2(false);
    const int portable = net.Evaluate(pos);
    engine::detail::SetNetworkAvx2(true);
    ASSERT_EQ(net.Evaluate(pos), portable) << pos.Fen();
    const auto moves = pos.LegalMoves();
    pos.MakeMove(moves[rng() % moves.size()]);
  }
}

TEST(EngineNetwork, FileReadsBackAndRefusesWhatIsNotOne) {
  const std::vector<uint8_t> bytes = RandomNetwork(9).ToBytes();
  auto again = Network::FromBytes(bytes);
  ASSERT_TRUE(again);
  EXPECT_EQ(again->ToBytes(), bytes);

  struct Case {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;
  };
  auto with = [&](size_t at, uint8_t value) {
    auto b = bytes;
    b[at] = value;
    return b;
  };
  const std::vector<uint8_t> cut(bytes.begin(), bytes.end() - 1);
  auto longer = bytes;
  longer.push_back(0);
  auto heavy = bytes;  // the first output weight 0x7000
  heavy[12 + 2 * (engine::kNetworkFeatures + 1) * 32 + 1] = 0x70;
  const std::vector<Case> cases = {
      {"empty", {}, "not a network file"},
      {"other magic", with(0, 'Y'), "not a network file"},
      {"other version", with(4, 2), "another version"},
      {"hidden 24", with(8, 24), "multiple of 16"},
      {"cut", cut, "wrong length"},
      {"longer", longer, "wrong length"},
      {"output weight", heavy, "output weight beyond"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(Network::FromBytes(c.bytes, &error)) << c.name;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.name << ": " << error;
  }
  std::string error;
  EXPECT_FALSE(Network::FromFile("/nonexistent/net.xqnn", &error));
  EXPECT_NE(error.find("cannot read"), std::string::npos);
}

// Each side sees the board from its own end: a position and its colours swapped, the board turned
// round, are worth the same to the side to move.
TEST(EngineNetwork, BuiltInNetworkSeesBothSidesAlike) {
  const Network& net = Network::Embedded();
  ASSERT_GT(net.hidden(), 0);
  const char* fens[][2] = {
      {"rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b",
       "rnbakabnr/9/1c2c4/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w"},
      {"4k4/9/9/9/4p4/9/9/9/4A4/3AK4 w", "3ak4/4a4/9/9/9/4P4/9/9/9/4K4 b"},
  };
  for (const auto& pair : fens) {
    auto a = Position::FromFen(pair[0]), b = Position::FromFen(pair[1]);
    ASSERT_TRUE(a && b) << pair[0];
    EXPECT_EQ(net.Evaluate(*a), net.Evaluate(*b)) << pair[0];
  }
  // The search with it finds the same move as one that evaluates afresh would: a mate in one.
  engine::Limits limits;
  limits.depth = 3;
  limits.network = &net;
  engine::Searcher searcher(4);
  auto mate = Position::FromFen("4k4/9/R8/9/9/9/9/9/9/3K1R3 w");
  ASSERT_TRUE(mate);
  EXPECT_EQ(engine::ToIccs(searcher.Search(*mate, limits).best), "a7e7");
}

}  // namespace
