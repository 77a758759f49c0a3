#include "engine/line_judge.h"

#include "engine/repetition.h"

namespace engine {

namespace {

const char* KindName(Kind kind) {
  static const char* kNames[8] = {"",      "general", "advisor", "elephant",
                                  "horse", "chariot", "cannon",  "soldier"};
  return kNames[kind];
}

std::string SquareName(Square s) {
  return std::string(1, char('a' + FileOf(s))) + char('0' + RankOf(s));
}

// Plies since the first of the times the current position stood (the side to move the same, no
// capture between), when it stands now for at least the `times`-th time; 0 otherwise.
int PliesSinceFirstOfRepetitions(const Position& pos, int times) {
  const auto& h = pos.History();
  const int n = int(h.size());
  const uint64_t key = h[n - 1].key;
  int seen = 1, span = 0;
  for (int j = n - 1; j >= 1 && !h[j].irreversible; --j)
    if ((n - j) % 2 == 0 && h[j - 1].key == key) ++seen, span = n - j;
  return seen >= times ? span : 0;
}

// A piece of `by` that could take the piece on `target` if it were its turn.
Square AttackerOf(Position& pos, Color by, Square target) {
  const bool pass = pos.SideToMove() != by;
  if (pass) pos.MakeNullMove();
  Square found = -1;
  for (Move m : pos.LegalMoves())
    if (m.to == target) found = m.from;
  if (pass) pos.UnmakeNullMove();
  return found;
}

// The pieces the chasing side's last move of the line chased, and one that chases the first.
void FindChase(Position& pos, LineVerdict& verdict) {
  const Color victim = Opponent(verdict.loser);
  // The chaser's last move is one ply back when the chaser is to move now.
  const Move last = pos.History().back().move;
  const bool undo = pos.SideToMove() != victim;
  if (undo) pos.UnmakeMove();
  const uint32_t chased = ChasedByLastMove(pos);
  for (int slot = 0; slot < 16 && verdict.chased < 0; ++slot)
    if (chased >> slot & 1) verdict.chased = pos.Slots(victim)[slot];
  if (verdict.chased >= 0) verdict.chaser = AttackerOf(pos, verdict.loser, verdict.chased);
  if (verdict.chased >= 0) verdict.chasedKind = KindOf(pos.PieceAt(verdict.chased));
  if (verdict.chaser >= 0) verdict.chaserKind = KindOf(pos.PieceAt(verdict.chaser));
  if (undo) {
    pos.MakeMove(last);
    pos.MarkChecks();
  }
}

}  // namespace

LineVerdict JudgeLine(Position& pos) {
  LineVerdict verdict;
  if (const int plies = PliesSinceFirstOfRepetitions(pos, kRepetitionsToEnd)) {
    pos.MarkChecks();
    const RepetitionVerdict repetition = JudgeRepetition(pos, plies);
    if (repetition.result == 0) {
      verdict.ending = LineVerdict::Ending::kRepetitionDraw;
      return verdict;
    }
    verdict.loser = repetition.result < 0 ? pos.SideToMove() : Opponent(pos.SideToMove());
    verdict.ending = repetition.rule == RepetitionRule::kPerpetualCheck
                         ? LineVerdict::Ending::kPerpetualCheck
                         : LineVerdict::Ending::kPerpetualChase;
    if (verdict.ending == LineVerdict::Ending::kPerpetualChase) FindChase(pos, verdict);
    return verdict;
  }
  if (pos.History().back().halfmove >= kPliesWithoutCapture)
    verdict.ending = LineVerdict::Ending::kMoveLimitDraw;
  return verdict;
}

std::string DescribeVerdict(const LineVerdict& verdict) {
  const std::string loser = verdict.loser == kRed ? "red" : "black";
  switch (verdict.ending) {
    case LineVerdict::Ending::kPerpetualCheck:
      return "perpetual check by " + loser;
    case LineVerdict::Ending::kPerpetualChase: {
      std::string text = "chase by " + loser;
      if (verdict.chaser >= 0 && verdict.chased >= 0)
        text += ": " + std::string(KindName(verdict.chaserKind)) + " " +
                SquareName(verdict.chaser) + " chases " + KindName(verdict.chasedKind) + " " +
                SquareName(verdict.chased);
      return text;
    }
    case LineVerdict::Ending::kRepetitionDraw:
      return "draw: repetition";
    case LineVerdict::Ending::kMoveLimitDraw:
      return "draw: 60 rounds";
    case LineVerdict::Ending::kNone:
      break;
  }
  return "none";
}

}  // namespace engine
