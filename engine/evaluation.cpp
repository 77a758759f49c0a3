// The leaf terms on top of the material and piece-square sum the position keeps. The terms are
// written once, against a sink that either adds the weights (the search) or counts how often each
// weight is used (the tuner), so the two can never disagree.
#include "engine/evaluation.h"

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

template <class Sink>
SideTerms Terms(const Position& pos, Color c, int phase, Sink& sink) {
  SideTerms t;
  const int endgame = 24 - phase;
  // Horses grow stronger as the board empties, cannons weaker (fewer screens); soldiers across
  // the river count for more once the heavy pieces are gone.
  sink.Add(c, kHorseEndgame, pos.CountOf(c, kKnight) * endgame);
  sink.Add(c, kCannonEndgame, pos.CountOf(c, kCannon) * endgame);
  sink.Add(c, kCannonMiddlegame, pos.CountOf(c, kCannon) * phase);
  const Color opp = Opponent(c);
  const Square their_king = pos.KingSquare(opp);
  const uint8_t* slots = pos.Slots(c);
  auto own = [&](int s) { return pos.PieceAt(s) && ColorOf(pos.PieceAt(s)) == c; };
  for (int i = 0; i < 16; ++i) {
    int s = slots[i];
    if (s == 0xFF) continue;
    switch (KindOf(pos.PieceAt(s))) {
      case kKnight: {
        int mobility = 0;
        for (int j = 0; j < kGeo.knight_n[s]; ++j)
          mobility += !pos.PieceAt(kGeo.knight_leg[s][j]) && !own(kGeo.knight_to[s][j]);
        sink.Add(c, kHorseMobility, mobility);
        sink.Add(c, kHorseBase, 1);
        t.attack_force += sink.W(kAttackHorse);
        t.can_win = true;
        break;
      }
      case kRook: {
        int mobility = 0;
        for (int d = 0; d < 4; ++d) {
          const uint8_t* ray = kGeo.ray[s][d];
          int j = 0;
          for (; ray[j] != 0xFF && !pos.PieceAt(ray[j]); ++j) ++mobility;
          if (ray[j] != 0xFF && !own(ray[j])) ++mobility;
        }
        sink.Add(c, kChariotMobility, mobility);
        sink.Add(c, kChariotBase, 1);
        // A chariot on a palace file, open up to the other side's palace.
        if (FileOf(s) >= 3 && FileOf(s) <= 5) {
          int step = c == kRed ? 9 : -9, q = s + step, open = 1;
          while (q >= 0 && q < 90 && open && (c == kRed ? RankOf(q) < 7 : RankOf(q) > 2)) {
            open = !pos.PieceAt(q);
            q += step;
          }
          if (open) sink.Add(c, kChariotOpenPalaceFile, 1);
        }
        t.attack_force += sink.W(kAttackChariot);
        t.can_win = true;
        break;
      }
      case kCannon: {
        // A cannon on the general's file or rank: with nothing between it pins the line, with
        // two between it is one move from a check.
        bool file = FileOf(s) == FileOf(their_king), rank = RankOf(s) == RankOf(their_king);
        if (file || rank) {
          int step = file ? (their_king > s ? 9 : -9) : (their_king > s ? 1 : -1);
          int between = 0;
          for (int q = s + step; q != their_king; q += step) between += pos.PieceAt(q) != 0;
          if (between == 0) sink.Add(c, file ? kCannonFacingFile : kCannonFacingRank, 1);
          if (between == 2) sink.Add(c, kCannonTwoScreens, 1);
        }
        t.attack_force += sink.W(kAttackCannon);
        t.can_win = true;
        break;
      }
      case kPawn:
        if (c == kRed ? RankOf(s) >= 5 : RankOf(s) <= 4) {
          t.attack_force += sink.W(kAttackSoldier);
          t.can_win = true;
          sink.Add(c, kSoldierCrossedEndgame, endgame);
        }
        break;
      default:
        break;
    }
  }
  return t;
}

// The value for red before the move in hand, and the scale (of 64) applied to it.
template <class Sink>
int RedScore(const Position& pos, Sink& sink, int& scale) {
  const int phase = Phase(pos, sink);
  SideTerms red = Terms(pos, kRed, phase, sink), black = Terms(pos, kBlack, phase, sink);
  // The general's guard counts for as much as the other side can bring against it.
  for (Color c : {kRed, kBlack}) {
    int force = (c == kRed ? black : red).attack_force;
    if (force > sink.W(kAttackCap)) force = sink.W(kAttackCap);
    sink.Add(c, kGuardAdvisor, -(2 - pos.CountOf(c, kAdvisor)) * force);
    sink.Add(c, kGuardElephant, -(2 - pos.CountOf(c, kElephant)) * force);
  }
  int score = sink.score;
  // A side with nothing that can mate cannot win: its lead is worth little.
  scale = 64;
  if ((score > 0 && !red.can_win) || (score < 0 && !black.can_win)) scale = sink.W(kNoMateScale);
  return score;
}

}  // namespace

int Evaluate(const Position& pos) {
  ScoreSink sink;
  sink.score = pos.PieceSquareScore();
  int scale;
  int score = RedScore(pos, sink, scale);
  if (scale != 64) score = score * scale / 64;
  int relative = pos.SideToMove() == kRed ? score : -score;
  return relative + sink.W(kTempo);  // the move in hand
}

int EvaluateTraced(const Position& pos, EvalTrace& trace) {
  trace.coef.assign(EvalParamCount(), 0);
  TraceSink sink(&trace);
  // Material and placement, piece by piece (the search takes their sum from the position).
  for (Color c : {kRed, kBlack}) {
    const uint8_t* slots = pos.Slots(c);
    for (int i = 0; i < 16; ++i) {
      int s = slots[i];
      if (s == 0xFF) continue;
      Kind kind = KindOf(pos.PieceAt(s));
      int own_rank = c == kRed ? RankOf(s) : 9 - RankOf(s), file = FileOf(s);
      sink.Add(c, PsqParam(kind, own_rank, file > 4 ? 8 - file : file), 1);
      static constexpr int kMaterial[8] = {-1,
                                           -1,
                                           kMaterialAdvisor,
                                           kMaterialElephant,
                                           kMaterialHorse,
                                           kMaterialChariot,
                                           kMaterialCannon,
                                           kMaterialSoldier};
      if (kMaterial[kind] >= 0) sink.Add(c, kMaterial[kind], 1);
    }
  }
  int score = RedScore(pos, sink, trace.scale);
  if (trace.scale != 64) score = score * trace.scale / 64;
  int tempo = pos.SideToMove() == kRed ? 1 : -1;
  trace.coef[kTempo] = tempo;
  return (pos.SideToMove() == kRed ? score : -score) + sink.W(kTempo);
}

}  // namespace engine
