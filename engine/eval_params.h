// Every weight of the evaluation as one set of named whole numbers: the compiled-in defaults (the
// tuned values), a text form of one "name value" per line that a tuner writes and a user can hand
// the engine, and the set the evaluation uses now. The piece-square tables that positions keep
// incrementally are built from the set, so a lookup stays a lookup.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "engine/position.h"

namespace engine {

// The scalar weights: identifier, name in the text form, default, and whether the Texel tuner may
// move it (a weight the evaluation does not use linearly, such as a phase weight or a scale, is
// left to matches).
#define XQ_EVAL_SCALARS(X)                                        \
  X(kMaterialAdvisor, "material.advisor", 87, true)               \
  X(kMaterialElephant, "material.elephant", 52, true)             \
  X(kMaterialHorse, "material.horse", 423, true)                  \
  X(kMaterialChariot, "material.chariot", 951, true)              \
  X(kMaterialCannon, "material.cannon", 450, true)                \
  X(kMaterialSoldier, "material.soldier", 129, true)              \
  X(kPhaseChariot, "phase.chariot", 4, false)                     \
  X(kPhaseHorse, "phase.horse", 2, false)                         \
  X(kPhaseCannon, "phase.cannon", 2, false)                       \
  X(kHorseEndgame, "horse.endgame", -9, true)                     \
  X(kHorseBase, "horse.base", 8, true)                            \
  X(kHorseMobility, "horse.mobility", 20, true)                   \
  X(kChariotBase, "chariot.base", 39, true)                       \
  X(kChariotMobility, "chariot.mobility", 10, true)               \
  X(kChariotOpenPalaceFile, "chariot.open_palace_file", 13, true) \
  X(kCannonMiddlegame, "cannon.middlegame", 5, true)              \
  X(kCannonEndgame, "cannon.endgame", -12, true)                  \
  X(kCannonFacingFile, "cannon.facing_file", 58, true)            \
  X(kCannonFacingRank, "cannon.facing_rank", 24, true)            \
  X(kCannonTwoScreens, "cannon.two_screens", 34, true)            \
  X(kSoldierCrossedEndgame, "soldier.crossed_endgame", 0, true)   \
  X(kGuardAdvisor, "guard.missing_advisor", 7, true)              \
  X(kGuardElephant, "guard.missing_elephant", 13, true)           \
  X(kAttackHorse, "attack.horse", 2, false)                       \
  X(kAttackChariot, "attack.chariot", 4, false)                   \
  X(kAttackCannon, "attack.cannon", 2, false)                     \
  X(kAttackSoldier, "attack.soldier", 1, false)                   \
  X(kAttackCap, "attack.cap", 12, false)                          \
  X(kNoMateScale, "scale.cannot_mate", 8, false)                  \
  X(kTempo, "tempo", 6, true)                                     \
  X(kPalaceChariot, "palace.chariot", 24, true)                   \
  X(kPalaceHorse, "palace.horse", 17, true)                       \
  X(kPalaceCannon, "palace.cannon", 1, true)                      \
  X(kPalaceSquares, "palace.squares", -8, true)                   \
  X(kPalaceTwoAttackers, "palace.two_attackers", 29, true)        \
  X(kPalaceThreeAttackers, "palace.three_attackers", 45, true)    \
  X(kCannonBottom, "cannon.bottom", 17, true)                     \
  X(kCannonCentral, "cannon.central", 36, true)                   \
  X(kCannonMobility, "cannon.mobility", 3, true)                  \
  X(kGuardElephantsLinked, "guard.elephants_linked", -5, true)    \
  X(kGuardAdvisorsLinked, "guard.advisors_linked", -6, true)      \
  X(kChariotPin, "chariot.pin", 25, true)                         \
  X(kChariotDiscovered, "chariot.discovered", 30, true)           \
  X(kHorseTrapped, "horse.trapped", -6, true)                     \
  X(kSoldierLinked, "soldier.linked", 9, true)                    \
  X(kHangingMover, "threat.hanging_mover", -45, true)             \
  X(kHangingWaiting, "threat.hanging_waiting", -26, true)         \
  X(kLesserMover, "threat.lesser_mover", -20, true)               \
  X(kLesserWaiting, "threat.lesser_waiting", -20, true)           \
  X(kScaleLoneChariot, "scale.lone_chariot", 16, false)           \
  X(kScaleLoneHorse, "scale.lone_horse", 16, false)               \
  X(kScaleLoneCannon, "scale.lone_cannon", 8, false)              \
  X(kScaleLoneSoldier, "scale.lone_soldier", 16, false)

enum EvalParam : int {
#define XQ_EVAL_ENUM(id, name, def, tunable) id,
  XQ_EVAL_SCALARS(XQ_EVAL_ENUM)
#undef XQ_EVAL_ENUM
      kScalarParamCount
};

// The piece-square values follow the scalars: per piece kind, one value for each square that kind
// can stand on, seen from its own side (rank 0 its back rank) and folded on the middle file (files
// a..e; the board is the same both ways). They come on top of the kind's material. There are two
// tables, one for the middle game ("psq.") and one for the endgame ("psq_end."); the evaluation
// slides from the first to the second as the chariots, horses and cannons leave the board.
inline constexpr int kPsqSquareCount = 10 * 5;
// Index of the value of `kind` on (own rank, folded file), or -1 where the kind never stands.
int PsqParam(Kind kind, int own_rank, int folded_file);
// The same square's endgame value.
int PsqEndParam(Kind kind, int own_rank, int folded_file);
int EvalParamCount();

// Upper bound of the parameter count, for fixed-size arrays.
inline constexpr int kMaxEvalParams = kScalarParamCount + 2 * 7 * kPsqSquareCount;

struct EvalParams {
  std::array<int32_t, kMaxEvalParams> value{};
  int32_t& operator[](int i) { return value[i]; }
  int32_t operator[](int i) const { return value[i]; }
  friend bool operator==(const EvalParams&, const EvalParams&) = default;
};

const EvalParams& DefaultEvalParams();
std::string_view EvalParamName(int index);
bool EvalParamTunable(int index);
inline constexpr int32_t kEvalParamLimit = 20000;  // |value| above it is refused

// "name value" per line, every parameter, in index order, under a comment line.
std::string WriteEvalParams(const EvalParams& params);
// Reads that text: blank lines and lines from '#' are skipped; each other line is one known name
// and a whole number within kEvalParamLimit. Names not given keep their value in `base`. Refuses
// (nullopt, the line and the reason in *error) an unknown or repeated name or a bad number.
std::optional<EvalParams> ParseEvalParams(std::string_view text, const EvalParams& base,
                                          std::string* error = nullptr);

// The set the evaluation uses. Setting it rebuilds the piece-square tables, so it must happen
// before any Position is made (their kept sums come from the tables at the time) and while no
// search runs: at the start of a program.
const EvalParams& ActiveEvalParams();
void SetEvalParams(const EvalParams& params);

namespace detail {
using PieceSquareTables = std::array<std::array<int16_t, 90>, 16>;
// [piece code][square]: material and placement, red's values positive, black's negative; for the
// middle game and for the endgame.
extern PieceSquareTables g_piece_square;
extern PieceSquareTables g_piece_square_end;
extern EvalParams g_eval_params;
}  // namespace detail

}  // namespace engine
