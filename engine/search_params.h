// The search's pruning and reduction constants as one set of named whole numbers, each with the
// range a tuner may move it in: the compiled-in defaults, a text form of one "name value" per line
// that a tuner writes and a user can hand the engine, and the set searches use now. A search
// copies the set when it starts, so a node reads plain numbers, never a name.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace engine {

// Identifier, name in the text form, default, lowest and highest value. Fractions are kept in
// hundredths (the reductions' 0.5 + ln d ln n / 2.25 is lmr.base 50, lmr.divisor 225).
#define XQ_SEARCH_PARAMS(X)                                                                      \
  X(kReverseFutilityMargin, "rfp.margin", 124, 40, 300) /* static eval - margin*depth >= beta */ \
  X(kReverseFutilityDepth, "rfp.depth", 4, 1, 7)                                                 \
  X(kNullMoveBase, "nmp.base", 2, 1, 4) /* r = base + depth / divisor */                         \
  X(kNullMoveDivisor, "nmp.divisor", 5, 2, 10)                                                   \
  X(kFutilityBase, "futility.base", 86, 0, 300) /* eval + base + margin*depth <= alpha */        \
  X(kFutilityMargin, "futility.margin", 149, 40, 300)                                            \
  X(kFutilityDepth, "futility.depth", 2, 1, 5)                                                   \
  X(kLateMoveBase, "lmp.base", 4, 1, 10) /* quiet moves after base + depth^2 (half if worse) */  \
  X(kLateMoveDepth, "lmp.depth", 4, 1, 6)                                                        \
  X(kReductionBase, "lmr.base", 44, 0, 150)                                                      \
  X(kReductionDivisor, "lmr.divisor", 215, 100, 500)                                             \
  X(kReductionHistory, "lmr.history", 14838, 3000, 40000) /* history per ply less or more */     \
  X(kHistoryBonus, "history.bonus", 140, 50, 400)         /* per ply of depth */                 \
  X(kHistoryBonusMax, "history.bonus_max", 1943, 300, 4000)                                      \
  X(kQuiescenceMargin, "qsearch.margin", 171, 0, 400) /* over the capture's most gain */         \
  X(kAspirationWindow, "aspiration.window", 47, 10, 150)

enum SearchParam : int {
#define XQ_SEARCH_ENUM(id, name, def, low, high) id,
  XQ_SEARCH_PARAMS(XQ_SEARCH_ENUM)
#undef XQ_SEARCH_ENUM
      kSearchParamCount
};

struct SearchParams {
  std::array<int32_t, kSearchParamCount> value{};
  int32_t& operator[](int i) { return value[i]; }
  int32_t operator[](int i) const { return value[i]; }
  friend bool operator==(const SearchParams&, const SearchParams&) = default;
};

const SearchParams& DefaultSearchParams();
std::string_view SearchParamName(int index);
int32_t SearchParamLow(int index);
int32_t SearchParamHigh(int index);

// "name value" per line, every parameter in index order, each with its range in a comment
// ("# low..high"), under a comment line: the tuner reads the names and ranges from it.
std::string WriteSearchParams(const SearchParams& params);
// Reads that text: blank lines and text from '#' are skipped; each other line is one known name
// and a whole number within its range. Names not given keep their value in `base`. Refuses
// (nullopt, the line and the reason in *error) an unknown or repeated name, a bad number or one
// out of range.
std::optional<SearchParams> ParseSearchParams(std::string_view text, const SearchParams& base,
                                              std::string* error = nullptr);

// The set searches use: each search takes a copy when it starts. Set it while no search runs (at
// the start of a program, or between searches).
const SearchParams& ActiveSearchParams();
void SetSearchParams(const SearchParams& params);

}  // namespace engine
