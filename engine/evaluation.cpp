// The leaf terms on top of the material and piece-square sum the position keeps.
#include "engine/evaluation.h"

#include "engine/geometry.h"

namespace engine {

using detail::kGeo;

namespace {

struct SideTerms {
  int score = 0;
  int attack_force = 0;  // what the side can bring against the other general
  bool can_win = false;  // has something that can give mate
};

// How much of the middle game remains, 0..24, from the chariots, horses and cannons on the board.
int Phase(const Position& pos) {
  int phase = 0;
  for (Color c : {kRed, kBlack})
    phase += pos.CountOf(c, kRook) * 4 + pos.CountOf(c, kKnight) * 2 + pos.CountOf(c, kCannon) * 2;
  return phase > 24 ? 24 : phase;
}

SideTerms Terms(const Position& pos, Color c, int phase) {
  SideTerms t;
  const int endgame = 24 - phase;
  // Horses grow stronger as the board empties, cannons weaker (fewer screens); soldiers across
  // the river count for more once the heavy pieces are gone.
  t.score += pos.CountOf(c, kKnight) * endgame * 2 - pos.CountOf(c, kCannon) * endgame * 2 +
             pos.CountOf(c, kCannon) * phase;
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
        t.score += mobility * 5 - 15;
        t.attack_force += 2;
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
        t.score += mobility * 2 - 12;
        // A chariot on a palace file, open up to the other side's palace.
        if (FileOf(s) >= 3 && FileOf(s) <= 5) {
          int step = c == kRed ? 9 : -9, q = s + step, open = 1;
          while (q >= 0 && q < 90 && open && (c == kRed ? RankOf(q) < 7 : RankOf(q) > 2)) {
            open = !pos.PieceAt(q);
            q += step;
          }
          if (open) t.score += 20;
        }
        t.attack_force += 4;
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
          if (between == 0) t.score += file ? 45 : 20;
          if (between == 2) t.score += 15;
        }
        t.attack_force += 2;
        t.can_win = true;
        break;
      }
      case kPawn:
        if (c == kRed ? RankOf(s) >= 5 : RankOf(s) <= 4) {
          t.attack_force += 1;
          t.can_win = true;
          t.score += endgame * 2;
        }
        break;
      default:
        break;
    }
  }
  return t;
}

}  // namespace

int Evaluate(const Position& pos) {
  const int phase = Phase(pos);
  SideTerms red = Terms(pos, kRed, phase), black = Terms(pos, kBlack, phase);
  int score = pos.PieceSquareScore() + red.score - black.score;
  // The general's guard counts for as much as the other side can bring against it.
  for (Color c : {kRed, kBlack}) {
    int force = (c == kRed ? black : red).attack_force;
    if (force > 12) force = 12;
    int missing = (2 - pos.CountOf(c, kAdvisor)) * 4 + (2 - pos.CountOf(c, kElephant)) * 3;
    int penalty = missing * force;
    score += c == kRed ? -penalty : penalty;
  }
  // A side with nothing that can mate cannot win: its lead is worth little.
  if (score > 0 && !red.can_win) score /= 8;
  if (score < 0 && !black.can_win) score /= 8;
  int relative = pos.SideToMove() == kRed ? score : -score;
  return relative + 10;  // the move in hand
}

}  // namespace engine
