#include "engine/repetition.h"

#include <array>
#include <vector>

namespace engine {

namespace {

// Per attacker slot, the victim slots it chases.
using ChasePairs = std::array<uint16_t, 16>;

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

// Whether the capture `m` of the side to move would be a chase: the victim cannot be taken back,
// or it is a chariot and the attacker a horse or a cannon. A piece attacking one of its own kind
// that can take it first is offering an exchange, not chasing.
bool ChaseCapture(Position& pos, Move m) {
  Kind by = KindOf(pos.PieceAt(m.from)), kind = KindOf(pos.PieceAt(m.to));
  if (kind == kRook && (by == kKnight || by == kCannon)) return true;
  if (by == kind) {
    pos.MakeNullMove();
    bool takes_back = pos.IsLegal(Move{m.to, m.from});
    pos.UnmakeNullMove();
    if (takes_back) return false;
  }
  pos.MakeMove(m);
  bool recaptured = CanRecapture(pos, m.to);
  pos.UnmakeMove();
  return !recaptured;
}

// The chases the side to move has on the board. A General or a soldier never chases; the General
// and the soldiers that have not crossed the river are never chased. `legal`: only captures that
// are legal now (after the move); before it, an attack counts however the General stands, so that
// answering a check does not make every attack it had new.
ChasePairs Chases(Position& pos, bool legal) {
  ChasePairs pairs{};
  const Color side = pos.SideToMove();
  Move moves[kMaxMoves];
  int n = pos.GenerateCaptures(moves);
  bool in_check = legal && pos.InCheck();
  for (int i = 0; i < n; ++i) {
    Move m = moves[i];
    int attacker = pos.PieceAt(m.from), victim = pos.PieceAt(m.to);
    Kind by = KindOf(attacker), kind = KindOf(victim);
    if (by == kKing || by == kPawn || kind == kKing) continue;
    if (kind == kPawn && !Crossed(victim, m.to)) continue;
    if (legal && !pos.PseudoIsLegal(m, in_check)) continue;
    if (!ChaseCapture(pos, m)) continue;
    int a = SlotOf(pos, side, m.from), v = SlotOf(pos, Opponent(side), m.to);
    if (a >= 0 && v >= 0) pairs[a] |= uint16_t(1u << v);
  }
  return pairs;
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
  ChasePairs now = Chases(pos, true);
  pos.UnmakeNullMove();
  uint32_t any = 0;
  for (uint16_t victims : now) any |= victims;
  if (!any) return 0;
  pos.UnmakeMove();  // and what did it chase before its move?
  ChasePairs before = Chases(pos, false);
  pos.MakeMove(last);
  pos.InCheckCached();
  uint32_t chased = 0;
  for (int a = 0; a < 16; ++a) chased |= now[a] & ~before[a];
  return chased;
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
  // [0]: the pieces the mover chased with every move so far, [1]: the other side's. Once a side's
  // set is empty its moves need no more looking at.
  uint32_t chased[2] = {~0u, ~0u};
  for (int i = plies - 1; i >= 0; --i) {
    pos.MakeMove(line[i]);
    pos.InCheckCached();
    if (chased[i % 2]) chased[i % 2] &= ChasedByLastMove(pos);
  }
  bool mover_chases = chased[0] != 0, other_chases = chased[1] != 0;
  if (mover_chases != other_chases) return {mover_chases ? 1 : -1, RepetitionRule::kPerpetualChase};
  return {};
}

}  // namespace engine
