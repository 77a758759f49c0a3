#include "engine/repetition.h"

#include <vector>

namespace engine {

namespace {

int SlotOf(const Position& pos, Color c, Square s) {
  const uint8_t* slots = pos.Slots(c);
  for (int i = 0; i < 16; ++i)
    if (slots[i] == s) return i;
  return -1;
}

bool Crossed(int piece, Square s) {
  return ColorOf(piece) == kRed ? RankOf(s) >= 5 : RankOf(s) <= 4;
}

// Whether the side to move can take back on `s` at once with a legal move.
bool CanRecapture(Position& pos, Square s) {
  Move moves[kMaxMoves];
  int n = pos.GenerateCaptures(moves);
  bool in_check = pos.InCheck();
  for (int i = 0; i < n; ++i)
    if (moves[i].to == s && pos.PseudoIsLegal(moves[i], in_check)) return true;
  return false;
}

// The pieces of the side not to move that the side to move could take now: all of them
// (`only_chased` false), or only those a capture would win (the chase rule's targets).
uint32_t Targets(Position& pos, bool only_chased) {
  Color victim_side = Opponent(pos.SideToMove());
  Move moves[kMaxMoves];
  int n = pos.GenerateCaptures(moves);
  bool in_check = pos.InCheck();
  uint32_t targets = 0;
  for (int i = 0; i < n; ++i) {
    Move m = moves[i];
    int attacker = pos.PieceAt(m.from), victim = pos.PieceAt(m.to);
    Kind by = KindOf(attacker), kind = KindOf(victim);
    if (by == kKing || by == kPawn || kind == kKing) continue;
    if (kind == kPawn && !Crossed(victim, m.to)) continue;
    if (!pos.PseudoIsLegal(m, in_check)) continue;
    int slot = SlotOf(pos, victim_side, m.to);
    if (slot < 0 || (targets >> slot & 1)) continue;
    if (only_chased && !(kind == kRook && (by == kKnight || by == kCannon))) {
      pos.MakeMove(m);
      bool recaptured = CanRecapture(pos, m.to);
      pos.UnmakeMove();
      if (recaptured) continue;
    }
    targets |= 1u << slot;
  }
  return targets;
}

}  // namespace

int RepetitionDistance(const Position& pos) {
  const auto& h = pos.History();
  int n = int(h.size());
  uint64_t key = h[n - 1].key;
  for (int j = n - 1; j >= 1; --j) {
    if (h[j].irreversible) break;
    if ((n - j) % 2 == 0 && h[j - 1].key == key) return n - j;
  }
  return 0;
}

uint32_t ChasedByLastMove(Position& pos) {
  Move last = pos.History().back().move;
  if (last == kNoMove) return 0;
  pos.MakeNullMove();  // the chaser to move: what could it take now?
  uint32_t now = Targets(pos, true);
  pos.UnmakeNullMove();
  if (!now) return 0;
  pos.UnmakeMove();  // and what could it take before its move?
  uint32_t before = Targets(pos, false);
  pos.MakeMove(last);
  pos.InCheckCached();
  return now & ~before;
}

RepetitionVerdict JudgeRepetition(Position& pos, int plies) {
  const auto& h = pos.History();
  int n = int(h.size());
  // The mover made the last move; h[k].check: the move into k gave check.
  bool mover_checks = true, other_checks = true;
  for (int k = n - 1; k > n - 1 - plies; --k) {
    bool check = h[k].check == 1;
    ((n - 1 - k) % 2 == 0 ? mover_checks : other_checks) &= check;
  }
  if (mover_checks != other_checks) return {mover_checks ? 1 : -1, RepetitionRule::kPerpetualCheck};
  if (mover_checks) return {};

  std::vector<Move> line;
  for (int i = 0; i < plies; ++i) {
    line.push_back(pos.History().back().move);
    pos.UnmakeMove();
  }
  uint32_t chased[2] = {~0u, ~0u};  // [0]: by the mover, [1]: by the other side
  for (int i = plies - 1; i >= 0; --i) {
    pos.MakeMove(line[i]);
    pos.InCheckCached();
    chased[i % 2] &= ChasedByLastMove(pos);
  }
  bool mover_chases = chased[0] != 0, other_chases = chased[1] != 0;
  if (mover_chases != other_chases) return {mover_chases ? 1 : -1, RepetitionRule::kPerpetualChase};
  return {};
}

}  // namespace engine
