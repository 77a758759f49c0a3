// The search's constants as a parameter set: the text form reads back what it wrote, bad text is
// refused with its line, and the search plays by the active set (the late-move reductions'
// table included), back to the same tree when the defaults return.
#include <gtest/gtest.h>

#include "engine/search.h"
#include "engine/search_params.h"

namespace {

using engine::SearchParams;

TEST(EngineSearchParams, TextReadsBackWhatItWrote) {
  SearchParams edges = engine::DefaultSearchParams();
  for (int i = 0; i < engine::kSearchParamCount; ++i)
    edges[i] = i % 2 ? engine::SearchParamLow(i) : engine::SearchParamHigh(i);
  for (const SearchParams& params : {engine::DefaultSearchParams(), edges}) {
    std::string error;
    auto read = engine::ParseSearchParams(engine::WriteSearchParams(params), {}, &error);
    ASSERT_TRUE(read) << error;
    EXPECT_EQ(*read, params);
  }
  // Names not given keep the base's values; comments and blank lines are skipped.
  auto partial = engine::ParseSearchParams("\n# tuned\n  nmp.divisor\t5 # deeper\r\n",
                                           engine::DefaultSearchParams());
  ASSERT_TRUE(partial);
  SearchParams expected = engine::DefaultSearchParams();
  expected[engine::kNullMoveDivisor] = 5;
  EXPECT_EQ(*partial, expected);
}

TEST(EngineSearchParams, BadTextIsRefusedWithItsLine) {
  const struct {
    const char* text;
    const char* error;
  } kCases[] = {
      {"rfp.margin", "line 1: expected \"name value\""},
      {"rfp.margin 100\n\nrfp.rate 3", "line 3: unknown parameter rfp.rate"},
      {"lmr.base 40\nlmr.base 60", "line 2: parameter lmr.base given twice"},
      {"lmr.base forty", "line 1: the value of lmr.base must be a whole number from 0 to 150"},
      {"lmr.base 151", "line 1: the value of lmr.base must be"},
      {"nmp.divisor 1", "line 1: the value of nmp.divisor must be a whole number from 2 to 10"},
      {"nmp.divisor 0", "line 1: the value of nmp.divisor must be"},  // never a division by 0
      {"lmr.history 99999999999999999999", "line 1: the value of lmr.history must be"},
      {"lmr.history 12000 5", "line 1: the value of lmr.history must be"},
  };
  for (const auto& c : kCases) {
    std::string error;
    EXPECT_FALSE(engine::ParseSearchParams(c.text, engine::DefaultSearchParams(), &error))
        << c.text;
    EXPECT_EQ(error.rfind(c.error, 0), 0u) << c.text << " -> " << error;
  }
}

uint64_t NodesAtDepth(int depth) {
  auto pos = engine::Position::FromFen(
      "r1bakab2/9/2n1c1n2/p1p1p3p/6p2/2P6/P3P1P1P/1CN1C1N2/9/R1BAKAB1R w");
  EXPECT_TRUE(pos);
  engine::Searcher searcher(4);
  engine::Limits limits;
  limits.depth = depth;
  return searcher.Search(*pos, limits).nodes;
}

// Each constant is read by the search: at either end of its range the tree differs.
TEST(EngineSearchParams, SearchPlaysByTheActiveSet) {
  const uint64_t defaults = NodesAtDepth(7);
  for (int i = 0; i < engine::kSearchParamCount; ++i) {
    SearchParams changed = engine::DefaultSearchParams();
    bool at_low = changed[i] != engine::SearchParamLow(i);
    changed[i] = at_low ? engine::SearchParamLow(i) : engine::SearchParamHigh(i);
    engine::SetSearchParams(changed);
    EXPECT_NE(NodesAtDepth(7), defaults) << engine::SearchParamName(i);
  }
  engine::SetSearchParams(engine::DefaultSearchParams());
  EXPECT_EQ(NodesAtDepth(7), defaults);
}

}  // namespace
