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
           0,    0,    0,  -32,  -28,
           0,    0,    0,  -17,  -19,
           0,    0,    0,  -13,   30,
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
           0,    0,    0,  -38,    0,
           0,    0,    0,    0,    3,
           0,    0,    0,  -39,    0,
    },
    // elephant
    {
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,  -41,    0,    0,
           0,    0,    0,    0,    0,
         -37,    0,    0,    0,   -7,
           0,    0,    0,    0,    0,
           0,    0,  -27,    0,    0,
    },
    // horse
    {
           1,  -10,    2,   10,  -10,
           0,   21,   49,   43,   18,
          11,   32,   32,   53,   44,
          11,   41,   49,   52,   49,
           7,   31,   39,   53,   47,
           0,   22,   30,   35,   33,
          -6,   14,   22,   24,   17,
          15,    3,   19,   17,    2,
         -14,   -5,   -5,   -5,  -25,
         -19,  -34,   -8,  -13,  -20,
    },
    // chariot
    {
           2,    5,   12,   15,   17,
           6,   21,   14,   17,   20,
           3,    9,    7,   17,   19,
           3,   10,   24,   28,   20,
           6,    7,   20,   17,   22,
           0,   11,   13,   14,   18,
          -4,    8,    6,   11,   10,
          -3,    9,   -5,    7,    2,
         -15,   -6,    0,   -4,   -2,
         -25,   17,  -10,    6,  -10,
    },
    // cannon
    {
          13,    9,    0,  -12,  -10,
           5,   -3,   -5,   -7,   -9,
           2,   -2,   -2,   -2,    5,
          -3,   -7,  -11,    3,    7,
           8,    2,   -2,    1,   21,
          -4,    6,   -6,    3,    7,
           0,  -10,   -2,   -4,    0,
          16,   14,   -5,   16,   28,
           0,    1,    1,    1,    2,
          -3,    0,   -3,    2,    1,
    },
    // soldier
    {
           8,    8,    8,   11,   21,
          31,   51,   75,  105,  130,
          27,   53,   72,  110,  118,
          30,   58,   73,   70,   71,
          24,   30,   53,   59,   50,
          14,    0,   20,    0,   21,
         -19,    0,  -38,    0,   22,
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
  auto refused = ReadNumberSet(
      text,
      {kLayout.count, [](int i) -> std::string_view { return Names()[i]; },
       [](int) { return int64_t(-kEvalParamLimit); }, [](int) { return int64_t(kEvalParamLimit); }},
      out.value.data());
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
