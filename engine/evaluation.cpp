// The leaf terms on top of the material and piece-square sum the position keeps. The terms are
// written once, against a sink that either adds the weights (the search) or counts how often each
// weight is used (the tuner), so the two can never disagree.
#include "engine/evaluation.h"

#include <array>
#include <bit>
#include <cstring>

#include "engine/geometry.h"

namespace engine {

using detail::kGeo;

namespace {

// The search's sink: adds the weights, red's up and black's down.
struct ScoreSink {
  const int32_t* w = detail::g_eval_params.value.data();
  int score = 0;
  void Add(Color c, int param, int count) { score += (1 - 2 * int(c)) * w[param] * count; }
  int W(int param) const { return w[param]; }
};

// The tuner's sink: adds the weights too (later terms depend on the sum) and counts them.
struct TraceSink : ScoreSink {
  EvalTrace* trace;
  explicit TraceSink(EvalTrace* t) : trace(t) {}
  void Add(Color c, int param, int count) {
    ScoreSink::Add(c, param, count);
    trace->coef[param] += (1 - 2 * int(c)) * count;
  }
};

struct SideTerms {
  int attack_force = 0;  // what the side can bring against the other general
  bool can_win = false;  // has something that can give mate
};

// The squares a side attacks or defends, and by which ranks of piece: a bit per rank, so that
// marking a square is one instruction and the least attacker is the lowest bit.
struct AttackMap {
  uint16_t ranks[90];
  void Clear() { std::memset(ranks, 0, sizeof ranks); }
  void Mark(int s, uint8_t rank) { ranks[s] |= uint16_t(1u << rank); }
  bool Any(int s) const { return ranks[s] != 0; }
  int Least(int s) const { return std::countr_zero(unsigned(ranks[s])); }
};

// The order of worth for threats: soldier, advisor and elephant, horse and cannon, chariot.
constexpr uint8_t kRank[8] = {0, 8, 2, 2, 3, 4, 3, 1};

// The other side's palace, for each side.
constexpr std::array<std::array<bool, 90>, 2> MakePalaces() {
  std::array<std::array<bool, 90>, 2> out{};
  for (int s = 0; s < 90; ++s) {
    out[kRed][s] = detail::InPalace(s / 9, s % 9) && s / 9 >= 7;
    out[kBlack][s] = detail::InPalace(s / 9, s % 9) && s / 9 <= 2;
  }
  return out;
}
constexpr auto kTheirPalace = MakePalaces();

// How much of the middle game remains, 0..24, from the chariots, horses and cannons on the board.
template <class Sink>
int Phase(const Position& pos, const Sink& sink) {
  int phase = 0;
  for (Color c : {kRed, kBlack})
    phase += pos.CountOf(c, kRook) * sink.W(kPhaseChariot) +
             pos.CountOf(c, kKnight) * sink.W(kPhaseHorse) +
             pos.CountOf(c, kCannon) * sink.W(kPhaseCannon);
  return phase > 24 ? 24 : phase < 0 ? 0 : phase;
}

// The material and placement the position keeps, slid from the middle game's values to the
// endgame's as the phase falls.
int Placement(const Position& pos, int phase) {
  const int middle = pos.PieceSquareScore(), end = pos.PieceSquareEndScore();
  return middle + (end - middle) * (24 - phase) / 24;
}

// Pieces between two squares of one file or rank.
int Between(const Position& pos, int from, int to) {
  int step = FileOf(from) == FileOf(to) ? (to > from ? 9 : -9) : (to > from ? 1 : -1), n = 0;
  for (int q = from + step; q != to; q += step) n += pos.PieceAt(q) != 0;
  return n;
}

template <class Sink>
SideTerms Terms(const Position& pos, Color c, int phase, Sink& sink, AttackMap& map) {
  SideTerms t;
  const int endgame = 24 - phase;
  // Horses grow stronger as the board empties, cannons weaker (fewer screens); soldiers across
  // the river count for more once the heavy pieces are gone.
  sink.Add(c, kHorseEndgame, pos.CountOf(c, kKnight) * endgame);
  sink.Add(c, kCannonEndgame, pos.CountOf(c, kCannon) * endgame);
  sink.Add(c, kCannonMiddlegame, pos.CountOf(c, kCannon) * phase);
  const Color opp = Opponent(c);
  const Square their_king = pos.KingSquare(opp);
  const bool* palace = kTheirPalace[c].data();
  const int their_back = c == kRed ? 9 : 0;
  const uint8_t* slots = pos.Slots(c);
  auto own = [&](int s) { return pos.PieceAt(s) && ColorOf(pos.PieceAt(s)) == c; };
  int palace_attackers = 0, palace_squares = 0;
  for (int i = 0; i < 16; ++i) {
    int s = slots[i];
    if (s == 0xFF) continue;
    const Kind kind = KindOf(pos.PieceAt(s));
    switch (kind) {
      case kKnight: {
        int mobility = 0, bearing = 0;
        for (int j = 0; j < kGeo.knight_n[s]; ++j) {
          if (pos.PieceAt(kGeo.knight_leg[s][j])) continue;
          int to = kGeo.knight_to[s][j];
          map.Mark(to, kRank[kKnight]);
          mobility += !own(to);
          bearing += palace[to];
        }
        sink.Add(c, kHorseMobility, mobility);
        sink.Add(c, kHorseBase, 1);
        if (mobility <= 1) sink.Add(c, kHorseTrapped, 1);
        if (bearing) {
          sink.Add(c, kPalaceHorse, 1);
          ++palace_attackers;
          palace_squares += bearing;
        }
        t.attack_force += sink.W(kAttackHorse);
        t.can_win = true;
        break;
      }
      case kRook: {
        int mobility = 0, bearing = 0;
        for (int d = 0; d < 4; ++d) {
          const uint8_t* ray = kGeo.ray[s][d];
          int j = 0;
          for (; ray[j] != 0xFF && !pos.PieceAt(ray[j]); ++j) {
            ++mobility;
            map.Mark(ray[j], kRank[kRook]);
            bearing += palace[ray[j]];
          }
          if (ray[j] != 0xFF) {
            map.Mark(ray[j], kRank[kRook]);
            bearing += palace[ray[j]];
            if (!own(ray[j])) ++mobility;
          }
        }
        sink.Add(c, kChariotMobility, mobility);
        sink.Add(c, kChariotBase, 1);
        if (bearing) {
          sink.Add(c, kPalaceChariot, 1);
          ++palace_attackers;
          palace_squares += bearing;
        }
        // A chariot on a palace file, open up to the other side's palace.
        if (FileOf(s) >= 3 && FileOf(s) <= 5) {
          int step = c == kRed ? 9 : -9, q = s + step, open = 1;
          while (q >= 0 && q < 90 && open && (c == kRed ? RankOf(q) < 7 : RankOf(q) > 2)) {
            open = !pos.PieceAt(q);
            q += step;
          }
          if (open) sink.Add(c, kChariotOpenPalaceFile, 1);
        }
        // One piece between the chariot and the general: theirs is pinned, ours uncovers check.
        if ((FileOf(s) == FileOf(their_king) || RankOf(s) == RankOf(their_king)) &&
            Between(pos, s, their_king) == 1) {
          int step = FileOf(s) == FileOf(their_king) ? (their_king > s ? 9 : -9)
                                                     : (their_king > s ? 1 : -1);
          int q = s + step;
          while (!pos.PieceAt(q)) q += step;
          sink.Add(c, own(q) ? kChariotDiscovered : kChariotPin, 1);
        }
        t.attack_force += sink.W(kAttackChariot);
        t.can_win = true;
        break;
      }
      case kCannon: {
        // Quiet moves up to the screen; beyond it the cannon holds the squares up to the next
        // piece, which it attacks.
        int mobility = 0, bearing = 0;
        for (int d = 0; d < 4; ++d) {
          const uint8_t* ray = kGeo.ray[s][d];
          int j = 0;
          for (; ray[j] != 0xFF && !pos.PieceAt(ray[j]); ++j) ++mobility;
          if (ray[j] == 0xFF) continue;
          for (++j; ray[j] != 0xFF && !pos.PieceAt(ray[j]); ++j) bearing += palace[ray[j]];
          if (ray[j] == 0xFF) continue;
          map.Mark(ray[j], kRank[kCannon]);
          bearing += palace[ray[j]];
        }
        sink.Add(c, kCannonMobility, mobility);
        if (bearing) {
          sink.Add(c, kPalaceCannon, 1);
          ++palace_attackers;
          palace_squares += bearing;
        }
        if (RankOf(s) == their_back) sink.Add(c, kCannonBottom, 1);
        // A cannon on the general's file or rank: with nothing between it pins the line, with
        // two between it is one move from a check.
        bool file = FileOf(s) == FileOf(their_king), rank = RankOf(s) == RankOf(their_king);
        if (file || rank) {
          int between = Between(pos, s, their_king);
          if (between == 0) sink.Add(c, file ? kCannonFacingFile : kCannonFacingRank, 1);
          if (between == 2) sink.Add(c, kCannonTwoScreens, 1);
          if (file && FileOf(s) == 4) sink.Add(c, kCannonCentral, 1);
        }
        t.attack_force += sink.W(kAttackCannon);
        t.can_win = true;
        break;
      }
      case kPawn:
        for (int j = 0; j < kGeo.pawn_n[c][s]; ++j) map.Mark(kGeo.pawn_to[c][s][j], kRank[kPawn]);
        if (c == kRed ? RankOf(s) >= 5 : RankOf(s) <= 4) {
          t.attack_force += sink.W(kAttackSoldier);
          t.can_win = true;
          sink.Add(c, kSoldierCrossedEndgame, endgame);
          // Two soldiers side by side across the river guard each other's flank.
          if (FileOf(s) < 8 && pos.PieceAt(s + 1) == MakePiece(c, kPawn))
            sink.Add(c, kSoldierLinked, 1);
        }
        break;
      case kAdvisor: {
        for (int j = 0; j < kGeo.adv_n[s]; ++j) {
          map.Mark(kGeo.adv_to[s][j], kRank[kAdvisor]);
          // Counted once, from the advisor that is not in the middle of the palace.
          if (FileOf(s) != 4 && pos.PieceAt(kGeo.adv_to[s][j]) == MakePiece(c, kAdvisor))
            sink.Add(c, kGuardAdvisorsLinked, 1);
        }
        break;
      }
      case kElephant: {
        for (int j = 0; j < kGeo.eleph_n[s]; ++j) {
          if (pos.PieceAt(kGeo.eleph_eye[s][j])) continue;
          int to = kGeo.eleph_to[s][j];
          map.Mark(to, kRank[kElephant]);
          if (to > s && pos.PieceAt(to) == MakePiece(c, kElephant))
            sink.Add(c, kGuardElephantsLinked, 1);
        }
        break;
      }
      case kKing:
        for (int j = 0; j < kGeo.king_n[s]; ++j) map.Mark(kGeo.king_to[s][j], kRank[kKing]);
        break;
      default:
        break;
    }
  }
  sink.Add(c, kPalaceSquares, palace_squares);
  if (palace_attackers >= 2) sink.Add(c, kPalaceTwoAttackers, 1);
  if (palace_attackers >= 3) sink.Add(c, kPalaceThreeAttackers, 1);
  return t;
}

// Pieces of `c` attacked and not defended, or attacked by a lesser piece; worse for the side
// that waits, since the side to move can capture first.
template <class Sink>
void Threats(const Position& pos, Color c, const AttackMap& mine, const AttackMap& theirs,
             Sink& sink) {
  const bool mover = pos.SideToMove() == c;
  const uint8_t* slots = pos.Slots(c);
  int hanging = 0, lesser = 0;
  for (int i = 0; i < 16; ++i) {
    int s = slots[i];
    if (s == 0xFF || !theirs.Any(s)) continue;
    const Kind kind = KindOf(pos.PieceAt(s));
    if (kind == kKing) continue;
    if (theirs.Least(s) < kRank[kind])
      ++lesser;
    else if (!mine.Any(s))
      ++hanging;
  }
  sink.Add(c, mover ? kHangingMover : kHangingWaiting, hanging);
  sink.Add(c, mover ? kLesserMover : kLesserWaiting, lesser);
}

// The scale (of 64) of a lead held by `c`, whose only force is one piece against a guard.
template <class Sink>
int LonePieceScale(const Position& pos, Color c, const Sink& sink) {
  const Color opp = Opponent(c);
  const int rooks = pos.CountOf(c, kRook), horses = pos.CountOf(c, kKnight),
            cannons = pos.CountOf(c, kCannon), soldiers = pos.CountOf(c, kPawn);
  if (rooks + horses + cannons + soldiers != 1) return 64;
  const int guards = pos.CountOf(opp, kAdvisor) + pos.CountOf(opp, kElephant);
  if (rooks) return guards == 4 ? sink.W(kScaleLoneChariot) : 64;
  if (horses) return guards >= 2 ? sink.W(kScaleLoneHorse) : 64;
  if (cannons) return guards >= 1 ? sink.W(kScaleLoneCannon) : 64;
  return guards >= 1 ? sink.W(kScaleLoneSoldier) : 64;
}

// The value for red before the move in hand, and the scale (of 64) applied to it.
template <class Sink>
int RedScore(const Position& pos, int phase, Sink& sink, int& scale) {
  AttackMap maps[2];
  maps[kRed].Clear();
  maps[kBlack].Clear();
  SideTerms red = Terms(pos, kRed, phase, sink, maps[kRed]);
  SideTerms black = Terms(pos, kBlack, phase, sink, maps[kBlack]);
  Threats(pos, kRed, maps[kRed], maps[kBlack], sink);
  Threats(pos, kBlack, maps[kBlack], maps[kRed], sink);
  // The general's guard counts for as much as the other side can bring against it.
  for (Color c : {kRed, kBlack}) {
    int force = (c == kRed ? black : red).attack_force;
    if (force > sink.W(kAttackCap)) force = sink.W(kAttackCap);
    sink.Add(c, kGuardAdvisor, -(2 - pos.CountOf(c, kAdvisor)) * force);
    sink.Add(c, kGuardElephant, -(2 - pos.CountOf(c, kElephant)) * force);
  }
  int score = sink.score;
  // A side with nothing that can mate cannot win: its lead is worth little; nor can one piece
  // alone against a guard.
  scale = 64;
  if (score > 0) scale = red.can_win ? LonePieceScale(pos, kRed, sink) : sink.W(kNoMateScale);
  if (score < 0) scale = black.can_win ? LonePieceScale(pos, kBlack, sink) : sink.W(kNoMateScale);
  return score;
}

}  // namespace

int Evaluate(const Position& pos) {
  ScoreSink sink;
  const int phase = Phase(pos, sink);
  sink.score = Placement(pos, phase);
  int scale;
  int score = RedScore(pos, phase, sink, scale);
  if (scale != 64) score = score * scale / 64;
  int relative = pos.SideToMove() == kRed ? score : -score;
  return relative + sink.W(kTempo);  // the move in hand
}

int EvaluateTraced(const Position& pos, EvalTrace& trace) {
  trace.coef.assign(EvalParamCount(), 0);
  TraceSink sink(&trace);
  // Material and placement, piece by piece: the search takes their sum from the position, and so
  // does the value here, so that it is the search's to the last centipawn.
  const int phase = Phase(pos, sink);
  sink.score = Placement(pos, phase);
  const double middle = phase / 24.0, end = 1 - middle;
  for (Color c : {kRed, kBlack}) {
    const int sign = c == kRed ? 1 : -1;
    const uint8_t* slots = pos.Slots(c);
    for (int i = 0; i < 16; ++i) {
      int s = slots[i];
      if (s == 0xFF) continue;
      Kind kind = KindOf(pos.PieceAt(s));
      int own_rank = c == kRed ? RankOf(s) : 9 - RankOf(s), file = FileOf(s);
      const int folded = file > 4 ? 8 - file : file;
      trace.coef[PsqParam(kind, own_rank, folded)] += sign * middle;
      trace.coef[PsqEndParam(kind, own_rank, folded)] += sign * end;
      static constexpr int kMaterial[8] = {-1,
                                           -1,
                                           kMaterialAdvisor,
                                           kMaterialElephant,
                                           kMaterialHorse,
                                           kMaterialChariot,
                                           kMaterialCannon,
                                           kMaterialSoldier};
      if (kMaterial[kind] >= 0) trace.coef[kMaterial[kind]] += sign;
    }
  }
  int score = RedScore(pos, phase, sink, trace.scale);
  if (trace.scale != 64) score = score * trace.scale / 64;
  int tempo = pos.SideToMove() == kRed ? 1 : -1;
  trace.coef[kTempo] = tempo;
  return (pos.SideToMove() == kRed ? score : -score) + sink.W(kTempo);
}

}  // namespace engine
