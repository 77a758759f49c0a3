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
// The endgame values follow the middle game's in the same order.
constexpr int kPsqCount = kLayout.count - kScalarParamCount;
constexpr int kParamCount = kLayout.count + kPsqCount;
static_assert(kParamCount <= kMaxEvalParams);

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
           0,    0,    0,  -23,  -21,
           0,    0,    0,  -14,   38,
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
           0,    0,    0,  -47,    0,
           0,    0,    0,    0,    6,
           0,    0,    0,  -32,    0,
    },
    // elephant
    {
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,  -49,    0,    0,
           0,    0,    0,    0,    0,
         -51,    0,    0,    0,    3,
           0,    0,    0,    0,    0,
           0,    0,  -18,    0,    0,
    },
    // horse
    {
           1,   -9,    2,   10,  -10,
           0,   21,   52,   43,   18,
          12,   32,   32,   52,   46,
           9,   43,   53,   54,   49,
           8,   30,   40,   56,   47,
           0,   24,   31,   42,   34,
          -6,   16,   17,   23,   19,
          10,    3,   14,   19,    2,
         -16,   -6,   -5,   -6,  -29,
         -19,  -37,   -9,  -14,  -20,
    },
    // chariot
    {
           2,    7,   11,   17,   17,
           7,   22,   14,   17,   21,
           5,   10,    7,   20,   21,
           2,   12,   27,   24,   19,
           7,    7,   20,   16,   23,
          -2,   13,   14,   12,   18,
          -5,    9,    6,   11,   10,
          -4,   10,   -6,    7,    1,
         -11,   -8,   -2,   -9,   -2,
         -27,   27,  -11,    5,  -10,
    },
    // cannon
    {
          12,   11,   -2,  -12,  -10,
           4,   -8,   -5,   -7,   -9,
           3,   -2,   -2,   -1,    5,
          -2,   -6,  -13,    2,    9,
           7,    1,   -2,    1,   23,
          -3,    4,   -5,    0,   10,
           0,  -11,   -1,   -3,    0,
          13,   16,   -5,   19,   29,
          -1,    1,    3,    0,    2,
          -4,    0,   -2,    4,    0,
    },
    // soldier
    {
           8,    7,    8,   10,   21,
          32,   52,   73,  106,  130,
          28,   54,   72,  112,  119,
          28,   58,   76,   73,   71,
          23,   29,   61,   62,   53,
          -5,    0,    8,    0,   18,
          -5,    0,  -36,    0,   27,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
    },
};
// The same for the endgame.
constexpr int16_t kDefaultPsqEnd[8][kPsqSquareCount] = {
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
           0,    0,    0,  -30,  -26,
           0,    0,    0,  -14,  -15,
           0,    0,    0,   -6,   13,
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
           0,    0,    0,  -45,    0,
           0,    0,    0,    0,   -9,
           0,    0,    0,  -54,    0,
    },
    // elephant
    {
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,    0,    0,    0,
           0,    0,  -38,    0,    0,
           0,    0,    0,    0,    0,
         -42,    0,    0,    0,  -25,
           0,    0,    0,    0,    0,
           0,    0,  -43,    0,    0,
    },
    // horse
    {
           1,   -9,    2,   10,  -10,
           0,   21,   49,   43,   18,
          12,   32,   30,   51,   45,
          11,   42,   47,   51,   49,
           9,   30,   39,   52,   46,
           0,   22,   30,   37,   34,
          -6,   14,   22,   24,   18,
          14,    3,   17,   19,    3,
         -14,   -5,   -4,   -5,  -25,
         -19,  -34,   -8,  -13,  -20,
    },
    // chariot
    {
           2,    5,   10,   15,   17,
           6,   21,   14,   17,   21,
           4,    9,    7,   17,   20,
           3,   10,   23,   26,   20,
           6,    8,   21,   17,   23,
           0,   11,   13,   13,   19,
          -5,    7,    6,   11,   10,
          -3,    9,   -5,    8,    2,
         -15,   -6,    0,   -4,   -2,
         -25,   17,  -10,    6,  -10,
    },
    // cannon
    {
           8,    9,   -2,  -13,  -11,
           5,   -4,   -5,   -7,   -9,
           2,   -2,   -1,   -2,    5,
          -3,   -6,  -11,    3,    7,
           8,    2,   -2,    0,   20,
          -3,    7,   -6,    2,    8,
           0,   -9,   -2,   -4,    1,
          16,   14,   -4,   16,   30,
           0,    1,    1,    1,    2,
          -3,    0,   -3,    3,    0,
    },
    // soldier
    {
           6,    3,    6,    8,   20,
          32,   52,   68,   96,  129,
          27,   55,   74,  112,  120,
          30,   61,   75,   72,   71,
          26,   31,   57,   63,   53,
           5,    0,   14,    0,   23,
          -7,    0,  -35,    0,   22,
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
      if (int i = kLayout.index[kind][s]; i >= 0) {
        p.value[i] = kDefaultPsq[kind][(9 - s / 5) * 5 + s % 5];
        p.value[i + kPsqCount] = kDefaultPsqEnd[kind][(9 - s / 5) * 5 + s % 5];
      }
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

// The tables of the middle game (offset 0) or the endgame (offset kPsqCount).
constexpr detail::PieceSquareTables MakeTables(const EvalParams& p, int offset) {
  detail::PieceSquareTables out{};
  for (int kind = kKing; kind <= kPawn; ++kind)
    for (int s = 0; s < 90; ++s) {
      int rank = s / 9, file = s % 9, folded = file > 4 ? 8 - file : file;
      // Red sees the square from rank `rank`, black from 9 - rank.
      int red = kLayout.index[kind][rank * 5 + folded];
      int black = kLayout.index[kind][(9 - rank) * 5 + folded];
      out[kind][s] = int16_t(red >= 0 ? Material(p, kind) + p.value[red + offset] : 0);
      out[kind | 8][s] = int16_t(black >= 0 ? -(Material(p, kind) + p.value[black + offset]) : 0);
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
    out.resize(kParamCount);
    for (int kind = kKing; kind <= kPawn; ++kind)
      for (int s = 0; s < kPsqSquareCount; ++s)
        if (int i = kLayout.index[kind][s]; i >= 0) {
          std::string square = std::string(kKindNames[kind]) + "." + char('a' + s % 5) +
                               char('0' + s / 5);
          out[i] = "psq." + square;
          out[i + kPsqCount] = "psq_end." + square;
        }
    return out;
  }();
  return names;
}

}  // namespace

namespace detail {
PieceSquareTables g_piece_square = MakeTables(kDefaults, 0);
PieceSquareTables g_piece_square_end = MakeTables(kDefaults, kPsqCount);
EvalParams g_eval_params = kDefaults;
}  // namespace detail

int PsqParam(Kind kind, int own_rank, int folded_file) {
  return kLayout.index[kind][own_rank * 5 + folded_file];
}
int PsqEndParam(Kind kind, int own_rank, int folded_file) {
  int i = PsqParam(kind, own_rank, folded_file);
  return i >= 0 ? i + kPsqCount : -1;
}
int EvalParamCount() {
  return kParamCount;
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
  for (int i = 0; i < kParamCount; ++i)
    out += Names()[i] + " " + std::to_string(params[i]) + "\n";
  return out;
}

std::optional<EvalParams> ParseEvalParams(std::string_view text, const EvalParams& base,
                                          std::string* error) {
  EvalParams out = base;
  auto refused = ReadNumberSet(
      text,
      {kParamCount, [](int i) -> std::string_view { return Names()[i]; },
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
  detail::g_piece_square = MakeTables(params, 0);
  detail::g_piece_square_end = MakeTables(params, kPsqCount);
}

}  // namespace engine
