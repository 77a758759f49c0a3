// The evaluation's parameter set: defaults, names, text form, and the active set with the
// piece-square tables built from it.
#include "engine/eval_params.h"

#include <vector>

#include "engine/text_fields.h"

namespace engine {

namespace {

// Where each kind can stand, seen from its own side, files folded to a..e.
constexpr bool Reachable(int kind, int rank, int file) {
  switch (kind) {
    case kKing:
      return rank <= 2 && file >= 3;
    case kAdvisor:
      return (rank == 0 && file == 3) || (rank == 1 && file == 4) || (rank == 2 && file == 3);
    case kElephant:
      return (rank == 0 && file == 2) || (rank == 2 && (file == 0 || file == 4)) ||
             (rank == 4 && file == 2);
    case kPawn:
      return rank >= 5 || ((rank == 3 || rank == 4) && file % 2 == 0);
    default:
      return true;
  }
}

struct PsqLayout {
  int16_t index[8][kPsqSquareCount]{};  // [kind][own rank * 5 + folded file], -1 never stands
  int count = 0;                        // parameters in all
};

constexpr PsqLayout MakeLayout() {
  PsqLayout layout{};
  int next = kScalarParamCount;
  for (int kind = 0; kind < 8; ++kind)
    for (int s = 0; s < kPsqSquareCount; ++s)
      layout.index[kind][s] = int16_t(kind >= kKing && Reachable(kind, s / 5, s % 5) ? next++ : -1);
  layout.count = next;
  return layout;
}

constexpr PsqLayout kLayout = MakeLayout();
static_assert(kLayout.count <= kMaxEvalParams);

// The default placement values, on top of the material, as the board shows them to red: the
// first row is the far rank (9), the last red's back rank; files a..e (f..i mirror them).
// Squares a kind never reaches hold 0.
// clang-format off
constexpr int16_t kDefaultPsq[8][kPsqSquareCount] = {
    {},
    // general
    {
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,  -30,  -27,
           0,    0,    0,  -15,  -17,
           0,    0,    0,  -12,   21,
    },
    // advisor
    {
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,  -17,    0,
           0,    0,    0,    0,    6,
           0,    0,    0,  -26,    0,
    },
    // elephant
    {
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,  -21,    0,    0,
           0,    0,    0,    0,    0,
         -19,    0,    0,    0,    4,
           0,    0,    0,    0,    0,
           0,    0,  -29,    0,    0,
    },
    // horse
    {
           1,  -10,    1,   10,  -10,
           0,   21,   45,   42,   19,
          11,   31,   36,   51,   42,
          10,   41,   54,   55,   48,
           6,   31,   39,   48,   47,
           0,   21,   30,   35,   34,
          -5,   12,   20,   23,   17,
          11,    3,   22,   15,    5,
         -13,   -5,   -5,   -5,  -21,
         -19,  -28,   -9,  -15,  -20,
    },
    // chariot
    {
           2,    6,    9,   15,   16,
           6,   19,   13,   18,   20,
           1,   10,    6,   15,   18,
           6,   11,   20,   23,   20,
           6,   11,   18,   18,   22,
           1,   10,   11,   15,   16,
          -4,    8,    7,    9,    9,
          -6,    5,   -3,    5,    3,
         -11,   -2,   -1,    3,   -1,
         -21,    6,  -11,    3,  -10,
    },
    // cannon
    {
          17,    6,    0,  -11,  -10,
           5,   -1,   -3,   -6,   -9,
           3,    0,   -1,   -2,    5,
          -2,   -5,   -5,    5,   10,
           6,    1,   -1,    2,   13,
          -4,    2,   -2,    3,    9,
           0,   -6,   -1,   -2,    2,
          10,    9,   -5,    8,   18,
           0,    0,    2,    1,    2,
          -2,    1,   -1,    2,    2,
    },
    // soldier
    {
           9,    9,   10,   15,   26,
          30,   51,   72,  107,  129,
          29,   52,   70,  105,  114,
          31,   50,   65,   73,   76,
          25,   29,   47,   55,   51,
          20,    0,   21,    0,   18,
         -13,    0,  -24,    0,   17,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
    },
};
// clang-format on

constexpr EvalParams MakeDefaults() {
  EvalParams p{};
#define XQ_EVAL_DEFAULT(id, name, def, tunable) p.value[id] = def;
  XQ_EVAL_SCALARS(XQ_EVAL_DEFAULT)
#undef XQ_EVAL_DEFAULT
  for (int kind = kKing; kind <= kPawn; ++kind)
    for (int s = 0; s < kPsqSquareCount; ++s)
      if (kLayout.index[kind][s] >= 0)
        p.value[kLayout.index[kind][s]] = kDefaultPsq[kind][(9 - s / 5) * 5 + s % 5];
  return p;
}

constexpr EvalParams kDefaults = MakeDefaults();

constexpr int Material(const EvalParams& p, int kind) {
  switch (kind) {
    case kAdvisor:
      return p.value[kMaterialAdvisor];
    case kElephant:
      return p.value[kMaterialElephant];
    case kKnight:
      return p.value[kMaterialHorse];
    case kRook:
      return p.value[kMaterialChariot];
    case kCannon:
      return p.value[kMaterialCannon];
    case kPawn:
      return p.value[kMaterialSoldier];
    default:
      return 0;
  }
}

constexpr detail::PieceSquareTables MakeTables(const EvalParams& p) {
  detail::PieceSquareTables out{};
  for (int kind = kKing; kind <= kPawn; ++kind)
    for (int s = 0; s < 90; ++s) {
      int rank = s / 9, file = s % 9, folded = file > 4 ? 8 - file : file;
      // Red sees the square from rank `rank`, black from 9 - rank.
      int red = kLayout.index[kind][rank * 5 + folded];
      int black = kLayout.index[kind][(9 - rank) * 5 + folded];
      out[kind][s] = int16_t(red >= 0 ? Material(p, kind) + p.value[red] : 0);
      out[kind | 8][s] = int16_t(black >= 0 ? -(Material(p, kind) + p.value[black]) : 0);
    }
  return out;
}

constexpr const char* kKindNames[8] = {"",      "general", "advisor", "elephant",
                                       "horse", "chariot", "cannon",  "soldier"};
constexpr const char* kScalarNames[] = {
#define XQ_EVAL_NAME(id, name, def, tunable) name,
    XQ_EVAL_SCALARS(XQ_EVAL_NAME)
#undef XQ_EVAL_NAME
};
constexpr bool kScalarTunable[] = {
#define XQ_EVAL_TUNABLE(id, name, def, tunable) tunable,
    XQ_EVAL_SCALARS(XQ_EVAL_TUNABLE)
#undef XQ_EVAL_TUNABLE
};

const std::vector<std::string>& Names() {
  static const std::vector<std::string> names = [] {
    std::vector<std::string> out(kScalarNames, kScalarNames + kScalarParamCount);
    out.resize(kLayout.count);
    for (int kind = kKing; kind <= kPawn; ++kind)
      for (int s = 0; s < kPsqSquareCount; ++s)
        if (int i = kLayout.index[kind][s]; i >= 0)
          out[i] =
              std::string("psq.") + kKindNames[kind] + "." + char('a' + s % 5) + char('0' + s / 5);
    return out;
  }();
  return names;
}

}  // namespace

namespace detail {
PieceSquareTables g_piece_square = MakeTables(kDefaults);
EvalParams g_eval_params = kDefaults;
}  // namespace detail

int PsqParam(Kind kind, int own_rank, int folded_file) {
  return kLayout.index[kind][own_rank * 5 + folded_file];
}
int EvalParamCount() {
  return kLayout.count;
}
const EvalParams& DefaultEvalParams() {
  return kDefaults;
}
std::string_view EvalParamName(int index) {
  return Names()[index];
}
bool EvalParamTunable(int index) {
  return index >= kScalarParamCount || kScalarTunable[index];
}

std::string WriteEvalParams(const EvalParams& params) {
  std::string out = "# xiangqi evaluation parameters: name value\n";
  for (int i = 0; i < kLayout.count; ++i)
    out += Names()[i] + " " + std::to_string(params[i]) + "\n";
  return out;
}

std::optional<EvalParams> ParseEvalParams(std::string_view text, const EvalParams& base,
                                          std::string* error) {
  EvalParams out = base;
  std::vector<bool> seen(kLayout.count);
  auto refused = ReadNameValueLines(
      text, [&](std::string_view name, std::string_view number) -> std::optional<std::string> {
        int index = -1;
        for (int i = 0; i < kLayout.count && index < 0; ++i)
          if (Names()[i] == name) index = i;
        if (index < 0) return "unknown parameter " + std::string(name);
        if (seen[index]) return "parameter " + std::string(name) + " given twice";
        seen[index] = true;
        auto value = ParseNumber(number, -kEvalParamLimit, kEvalParamLimit);
        if (!value)
          return "the value of " + std::string(name) + " must be a whole number from " +
                 std::to_string(-kEvalParamLimit) + " to " + std::to_string(kEvalParamLimit);
        out[index] = int32_t(*value);
        return std::nullopt;
      });
  if (refused) {
    if (error) *error = *refused;
    return std::nullopt;
  }
  return out;
}

const EvalParams& ActiveEvalParams() {
  return detail::g_eval_params;
}

void SetEvalParams(const EvalParams& params) {
  detail::g_eval_params = params;
  detail::g_piece_square = MakeTables(params);
}

}  // namespace engine
