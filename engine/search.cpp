// Iterative deepening, PVS alpha-beta, transposition table, quiescence and the repetition rules.
#include "engine/search.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <new>

#include "engine/evaluation.h"
#include "engine/geometry.h"
#include "engine/network.h"
#include "engine/repetition.h"
#include "engine/search_params.h"

namespace engine {

namespace {

constexpr int kInfinity = 32000;
using Clock = std::chrono::steady_clock;

enum Bound : uint8_t { kNoBound = 0, kUpper = 1, kLower = 2, kExact = 3 };

// Mate scores count plies from the root; the table holds them counted from the node.
int ToTable(int score, int ply) {
  if (score > kMateBound) return score + ply;
  if (score < -kMateBound) return score - ply;
  return score;
}
int FromTable(int score, int ply) {
  if (score > kMateBound) return score - ply;
  if (score < -kMateBound) return score + ply;
  return score;
}

constexpr int kNoEval = -32768;

// 12 bytes: the low half of the key (the high half picks the bucket), the score, the static
// evaluation, the move, the depth, and the bound with the search's age.
struct Entry {
  uint32_t check = 0;
  int16_t score = 0;
  int16_t eval = kNoEval;
  Move move{};
  int8_t depth = 0;
  uint8_t bound_age = 0;  // bound in the low two bits, age 1..63 above: 0 only when empty
  int Bound() const { return bound_age & 3; }
  int Age() const { return bound_age >> 2; }
};

// Five entries to a 64-byte cache line.
struct alignas(64) Bucket {
  Entry entries[5];
};
static_assert(sizeof(Bucket) == 64);

// The high 64 bits of a * b: a key spread over any number of buckets, so the table can fill the
// memory it is given exactly.
uint64_t MulHigh(uint64_t a, uint64_t b) {
  uint64_t a_lo = uint32_t(a), a_hi = a >> 32, b_lo = uint32_t(b), b_hi = b >> 32;
  uint64_t lo_lo = a_lo * b_lo, hi_lo = a_hi * b_lo, lo_hi = a_lo * b_hi;
  uint64_t cross = (lo_lo >> 32) + uint32_t(hi_lo) + lo_hi;
  return a_hi * b_hi + (hi_lo >> 32) + (cross >> 32);
}

class Table {
 public:
  // A table of `mb` MB exactly; when the memory cannot be had the old one stays (false).
  bool Resize(size_t mb) {
    size_t count = std::clamp<size_t>(mb, 1, kMaxHashMb) * 1024 * 1024 / sizeof(Bucket);
    if (count == buckets_.size()) return true;
    try {
      std::vector<Bucket> fresh(count);
      buckets_.swap(fresh);
    } catch (const std::bad_alloc&) {
      return false;
    }
    return true;
  }
  void Clear() { std::fill(buckets_.begin(), buckets_.end(), Bucket{}); }
  void NewSearch() { age_ = age_ % 63 + 1; }

  Entry* Probe(uint64_t key) {
    for (Entry& e : BucketOf(key).entries)
      if (e.check == uint32_t(key) && e.bound_age) return &e;
    return nullptr;
  }

  void StoreMove(uint64_t key, Move move) {
    if (Entry* e = Probe(key); e && move != kNoMove) e->move = move;
  }

  // Into the entry of the same position, else the one least worth keeping: shallow and old.
  void Store(uint64_t key, int depth, int score, int eval, int bound, Move move, int ply) {
    Entry* target = Probe(key);
    if (target) {
      if (bound != kExact && target->Age() == age_ && depth < target->depth - 3) return;
      if (move == kNoMove) move = target->move;
    } else {
      Bucket& b = BucketOf(key);
      target = &b.entries[0];
      for (Entry& e : b.entries)
        if (Worth(e) < Worth(*target)) target = &e;
    }
    target->check = uint32_t(key);
    target->score = int16_t(ToTable(score, ply));
    target->eval = int16_t(eval);
    target->move = move;
    target->depth = int8_t(std::clamp(depth, -1, 127));
    target->bound_age = uint8_t(bound | age_ << 2);
  }

 private:
  Bucket& BucketOf(uint64_t key) { return buckets_[MulHigh(key, buckets_.size())]; }
  int Worth(const Entry& e) const {
    if (!e.bound_age) return -1000;
    return e.depth - 8 * ((age_ - e.Age() + 63) % 63);
  }

  std::vector<Bucket> buckets_;
  int age_ = 1;
};

// A mate in full moves (+ we mate, - we are mated). A win by the rules of repetition is no mate:
// it is reported as its large centipawn score.
std::optional<int> MateInMoves(int score) {
  int plies = score > kMateBound    ? kMateScore - score
              : score < -kMateBound ? kMateScore + score
                                    : -1;
  if (plies < 0) return std::nullopt;
  int moves = (plies + 1) / 2;
  return score > 0 ? moves : -moves;
}

// Late-move reductions grow with the depth left and the move's place in the order:
// base + ln d ln n / divisor, both in hundredths. Built again only when those two change.
class Reductions {
 public:
  void Build(const SearchParams& p) {
    if (p[kReductionBase] == base_ && p[kReductionDivisor] == divisor_) return;
    base_ = p[kReductionBase];
    divisor_ = p[kReductionDivisor];
    for (int d = 1; d < 64; ++d)
      for (int n = 1; n < 64; ++n)
        r_[d][n] =
            int8_t(base_ / 100.0 + std::log(double(d)) * std::log(double(n)) / (divisor_ / 100.0));
  }
  int Of(int depth, int move_number) const {
    return r_[std::min(depth, 63)][std::min(move_number, 63)];
  }

 private:
  int8_t r_[64][64]{};
  int base_ = -1, divisor_ = -1;
};

// The most a capture of each kind can gain, for pruning in the quiescence search.
constexpr int kCaptureGain[8] = {0, 30000, 220, 220, 460, 950, 480, 220};

// Static exchange: what a capture wins or loses once both sides have taken back on its square
// with their least valuable pieces, each stopping when going on would lose more (pins are not
// seen). Values in centipawns; the General is worth more than anything, so it takes last.
constexpr int kSeeValue[8] = {0, 10000, 200, 200, 400, 900, 450, 100};

// The square of the least valuable piece of `side` that attacks `s`, or -1.
int LeastAttacker(const Position& pos, Square s, Color side) {
  using detail::kGeo;
  const int pawn = MakePiece(side, kPawn);
  int ahead = side == kRed ? -9 : 9;  // a soldier takes forward: it stands behind, seen from s
  if (s + ahead >= 0 && s + ahead < 90 && pos.PieceAt(s + ahead) == pawn) return s + ahead;
  bool across = side == kRed ? RankOf(s) >= 5 : RankOf(s) <= 4;  // sideways only across
  if (across && FileOf(s) > 0 && pos.PieceAt(s - 1) == pawn) return s - 1;
  if (across && FileOf(s) < 8 && pos.PieceAt(s + 1) == pawn) return s + 1;
  for (int i = 0; i < kGeo.adv_n[s]; ++i)
    if (pos.PieceAt(kGeo.adv_to[s][i]) == MakePiece(side, kAdvisor)) return kGeo.adv_to[s][i];
  for (int i = 0; i < kGeo.eleph_n[s]; ++i)
    if (pos.PieceAt(kGeo.eleph_to[s][i]) == MakePiece(side, kElephant) &&
        !pos.PieceAt(kGeo.eleph_eye[s][i]))
      return kGeo.eleph_to[s][i];
  for (int i = 0; i < kGeo.katt_n[s]; ++i)
    if (pos.PieceAt(kGeo.katt_from[s][i]) == MakePiece(side, kKnight) &&
        !pos.PieceAt(kGeo.katt_leg[s][i]))
      return kGeo.katt_from[s][i];
  int cannon = -1, rook = -1, king = -1;  // a General takes only next to it, in its palace
  for (int d = 0; d < 4; ++d) {
    const uint8_t* ray = kGeo.ray[s][d];
    int i = 0;
    while (ray[i] != 0xFF && !pos.PieceAt(ray[i])) ++i;
    if (ray[i] == 0xFF) continue;
    int first = pos.PieceAt(ray[i]);
    if (first == MakePiece(side, kRook)) rook = ray[i];
    for (++i; ray[i] != 0xFF && !pos.PieceAt(ray[i]); ++i) {
    }
    if (ray[i] != 0xFF && pos.PieceAt(ray[i]) == MakePiece(side, kCannon)) cannon = ray[i];
  }
  if (cannon >= 0) return cannon;
  if (rook >= 0) return rook;
  for (int i = 0; i < kGeo.king_n[s] && king < 0; ++i)
    if (pos.PieceAt(kGeo.king_to[s][i]) == MakePiece(side, kKing)) king = kGeo.king_to[s][i];
  return king;
}

int See(Position& pos, Move m) {
  int gain[40];
  int depth = 0;
  Square s = m.to;
  gain[0] = kSeeValue[KindOf(pos.PieceAt(s))];
  int made = 0;
  pos.MakeMove(m);
  ++made;
  for (;;) {
    int victim = pos.PieceAt(s);
    int from = LeastAttacker(pos, s, pos.SideToMove());
    if (from < 0 || depth >= 38) break;
    ++depth;
    gain[depth] = kSeeValue[KindOf(victim)] - gain[depth - 1];
    if (std::max(-gain[depth - 1], gain[depth]) < 0 || KindOf(victim) == kKing) break;
    pos.MakeMove(Move{uint8_t(from), uint8_t(s)});
    ++made;
  }
  while (made--) pos.UnmakeMove();
  while (depth > 0) {
    gain[depth - 1] = -std::max(-gain[depth - 1], gain[depth]);
    --depth;
  }
  return gain[0];
}

// Whether a capture loses material by the exchange (a cheap answer first when it cannot).
bool LosingCapture(Position& pos, Move m) {
  int victim = kSeeValue[KindOf(pos.PieceAt(m.to))];
  int attacker = kSeeValue[KindOf(pos.PieceAt(m.from))];
  return attacker > victim && See(pos, m) < 0;
}

int Victim(int piece) {
  static constexpr int kValue[8] = {0, 50, 2, 2, 4, 9, 4, 1};
  return kValue[KindOf(piece)];
}

// Under a clock the time to aim for grows while the best move keeps changing from one iteration
// to the next and while the score falls: that is when more thought pays.
class TimeKeeper {
 public:
  void Iteration(int depth, Move best, int score) {
    instability_ /= 2;
    if (depth > 1 && !(best == last_best_)) instability_ += 1.0;
    if (depth >= 4) drop_ = std::clamp(last_score_ - score, 0, 200);
    last_best_ = best;
    last_score_ = score;
  }
  int64_t Budget(const Limits& limits) const {
    double factor = (1.0 + 0.6 * instability_) * (1.0 + drop_ / 200.0);
    auto budget = int64_t(double(limits.soft_ms) * factor);
    return limits.movetime_ms ? std::min(budget, limits.movetime_ms) : budget;
  }

 private:
  Move last_best_ = kNoMove;
  int last_score_ = 0;
  int drop_ = 0;
  double instability_ = 0;
};

// The weaker levels' variety: each root move gets a bonus from 0 to the spread, the same for the
// whole search, drawn from the seed (the clock's when the caller gives none). Moves within the
// spread of the best then have their chance, and a game cannot be replayed move for move.
class Variety {
 public:
  explicit Variety(const Limits& limits) : spread_(std::max(limits.variety_cp, 0)) {
    seed_ = limits.seed ? limits.seed
                        : uint64_t(std::chrono::system_clock::now().time_since_epoch().count());
  }
  bool On() const { return spread_ > 0; }
  int Bonus(Move m) const {
    if (!spread_) return 0;
    uint64_t x = seed_ ^ (uint64_t(m.from) << 8 | m.to) * 0x9E3779B97F4A7C15ull;  // splitmix64
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    x ^= x >> 31;
    return int(x % uint64_t(spread_ + 1));
  }

 private:
  int spread_;
  uint64_t seed_;
};

// A move of the line, for the histories that follow it.
struct Played {
  uint8_t piece = 0;
  uint8_t to = 0;
};

// Histories move toward +-kHistoryMax by a share of the bonus that shrinks as they near it, so
// they stay bounded and recent results weigh more than old ones.
constexpr int kHistoryMax = 16384;
void Nudge(int16_t& h, int bonus) {
  h = int16_t(h + bonus - h * std::abs(bonus) / kHistoryMax);
}

}  // namespace

struct Searcher::Impl {
  Table table;
  Move killers[kMaxPly + 2][2]{};
  // Quiet-move histories, each kept within +-kHistoryMax: by piece and target; the reply that
  // cut after each piece's move to each square (countermove); and by the piece and target of
  // the move one and two plies before (continuation: a move that answered that move well).
  int16_t history[16][90]{};
  Move countermoves[16][90]{};
  int16_t follow[16][90][16][90]{};

  // The constants of this search, copied from the active set when it starts.
  SearchParams params;
  Reductions reductions;

  // Per search.
  Played line[kMaxPly + 2]{};  // what each ply of the line moved where (piece 0 for a pass)

  Position pos;
  Limits limits;
  std::unique_ptr<NetworkEvaluator> network;  // for limits.network
  const Network* network_of = nullptr;
  Clock::time_point start;
  uint64_t nodes = 0;
  int seldepth = 0;
  bool stopped = false;
  Move pv[kMaxPly + 2][kMaxPly + 2]{};
  bool dependent[kMaxPly + 2]{};  // a node's score depends on the line that led to it
  int evals[kMaxPly + 2]{};       // the static evaluation at each ply of the line
  int pv_length[kMaxPly + 2]{};

  bool Resize(size_t mb) { return table.Resize(mb); }

  void Clear() {
    table.Clear();
    std::memset(killers, 0, sizeof killers);
    std::memset(history, 0, sizeof history);
    std::memset(countermoves, 0, sizeof countermoves);
    std::memset(follow, 0, sizeof follow);
    // The accumulators belong to the network they were summed with, which a new game may change.
    network.reset();
    network_of = nullptr;
  }

  int64_t Elapsed() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
  }

  bool StopAsked() const { return limits.stop && limits.stop->load(std::memory_order_relaxed); }

  // Every node counts; the clock and the stop flag are read every 1024 nodes.
  bool ShouldStop() {
    if (stopped) return true;
    if (limits.nodes && nodes >= limits.nodes) return stopped = true;
    if ((nodes & 1023) == 0) {
      if (StopAsked()) return stopped = true;
      if (limits.movetime_ms && Elapsed() >= limits.movetime_ms) return stopped = true;
    }
    return false;
  }

  // The position repeats an earlier one of the line (back to the last capture): a draw, unless
  // one side checked or chased throughout the cycle and the other did not; that side loses
  // (a chase only under the chasing rule).
  // Returns false when it does not repeat.
  bool Repetition(int ply, int& score) {
    int plies = RepetitionDistance(pos);
    if (!plies) return false;
    RepetitionVerdict verdict = JudgeRepetition(pos, plies);
    bool applies = limits.chase_rule || verdict.rule != RepetitionRule::kPerpetualChase;
    score = applies ? verdict.result * (kPerpetualScore - ply) : 0;
    return true;
  }

  // The static evaluation of the position: the network's when the limits name one.
  int Evaluate() { return network ? network->Evaluate(pos) : engine::Evaluate(pos); }

  // Under a no-capture rule: the count has run out (a General in check is still mated first).
  bool NoCaptureDraw(bool in_check) const {
    return limits.no_capture_plies && !in_check &&
           pos.History().back().halfmove >= limits.no_capture_plies;
  }

  // A static evaluation as the search uses it: faded towards half as the no-capture count runs.
  int Faded(int eval) const {
    if (!limits.no_capture_plies) return eval;
    int count = std::min(pos.History().back().halfmove, limits.no_capture_plies);
    return eval * (2 * limits.no_capture_plies - count) / (2 * limits.no_capture_plies);
  }

  static bool Cuts(const Entry& e, int alpha, int beta, int ply) {
    int score = FromTable(e.score, ply);
    return e.Bound() == kExact || (e.Bound() == kLower && score >= beta) ||
           (e.Bound() == kUpper && score <= alpha);
  }

  bool HasPieces(Color c) const {
    return pos.CountOf(c, kRook) * 2 + pos.CountOf(c, kKnight) + pos.CountOf(c, kCannon) >= 3;
  }

  // The follow-up history row of the move `back` plies before `ply`, or null (a pass, the root).
  int16_t (*FollowRow(int ply, int back))[90] {
    if (ply < back || !line[ply - back].piece) return nullptr;
    return follow[line[ply - back].piece][line[ply - back].to];
  }

  // What the histories say of a quiet move: its own, and as a reply to the last two moves.
  int QuietScore(Move m, int ply) {
    int piece = pos.PieceAt(m.from);
    int score = history[piece][m.to];
    for (int back = 1; back <= 2; ++back)
      if (auto row = FollowRow(ply, back)) score += row[piece][m.to];
    return score;
  }

  // A quiet move cut (bonus > 0) or was tried before one that did (bonus < 0).
  void RewardQuiet(Move m, int ply, int bonus) {
    int piece = pos.PieceAt(m.from);
    Nudge(history[piece][m.to], bonus);
    for (int back = 1; back <= 2; ++back)
      if (auto row = FollowRow(ply, back)) Nudge(row[piece][m.to], bonus);
  }

  Move Countermove(int ply) const {
    return ply >= 1 && line[ply - 1].piece ? countermoves[line[ply - 1].piece][line[ply - 1].to]
                                           : kNoMove;
  }

  // Orders moves by score: hash move, captures by victim and attacker, killers, the countermove,
  // the histories, and last the captures that lose material by the exchange (`see`: look for
  // those).
  void ScoreMoves(Move* moves, int* scores, int n, Move hash_move, int ply, bool see) {
    const Move counter = Countermove(ply);
    for (int i = 0; i < n; ++i) {
      Move m = moves[i];
      int victim = pos.PieceAt(m.to);
      if (m == hash_move) {
        scores[i] = 1 << 30;
      } else if (victim) {
        scores[i] = Victim(victim) * 64 - Victim(pos.PieceAt(m.from));
        scores[i] += see && LosingCapture(pos, m) ? -(1 << 22) : (1 << 24);
      } else if (m == killers[ply][0]) {
        scores[i] = (1 << 23);
      } else if (m == killers[ply][1]) {
        scores[i] = (1 << 23) - 1;
      } else if (m == counter) {
        scores[i] = (1 << 23) - 2;
      } else {
        scores[i] = QuietScore(m, ply);
      }
    }
  }

  static void PickNext(Move* moves, int* scores, int n, int i) {
    int best = i;
    for (int j = i + 1; j < n; ++j)
      if (scores[j] > scores[best]) best = j;
    if (best != i) {
      std::swap(moves[i], moves[best]);
      std::swap(scores[i], scores[best]);
    }
  }

  int Quiesce(int alpha, int beta, int ply) {
    if (stopped) return 0;
    ++nodes;
    if (ply > seldepth) seldepth = ply;
    if (ShouldStop()) return 0;
    bool in_check = pos.InCheckCached();
    if (ply >= kMaxPly) return Evaluate();
    if (NoCaptureDraw(in_check)) return dependent[ply] = true, 0;
    // The table answers here too, from any depth, and keeps the evaluation.
    Move hash_move = kNoMove;
    int eval = kNoEval;
    if (Entry* e = table.Probe(pos.Key())) {
      if (Cuts(*e, alpha, beta, ply)) return FromTable(e->score, ply);
      hash_move = e->move;
      eval = e->eval;
    }
    int best = -kInfinity, old_alpha = alpha;
    Move best_move = kNoMove;
    Move moves[kMaxMoves];
    int scores[kMaxMoves];
    int n;
    if (in_check) {
      n = pos.GeneratePseudo(moves);  // every evasion, no standing pat
      eval = kNoEval;
    } else {
      if (eval == kNoEval) eval = Evaluate();
      best = Faded(eval);
      if (best >= beta) {
        table.Store(pos.Key(), 0, best, eval, kLower, kNoMove, ply);
        return best;
      }
      if (best > alpha) alpha = best;
      n = pos.GenerateCaptures(moves);
    }
    ScoreMoves(moves, scores, n, hash_move, ply, false);
    const int stand = best;
    for (int i = 0; i < n; ++i) {
      PickNext(moves, scores, n, i);
      // A capture that cannot lift the score to alpha even with a margin is not tried.
      if (!in_check &&
          stand + kCaptureGain[KindOf(pos.PieceAt(moves[i].to))] + params[kQuiescenceMargin] <=
              alpha)
        continue;
      // Nor one that loses material by the exchange.
      if (!in_check && LosingCapture(pos, moves[i])) continue;
      if (!pos.PseudoIsLegal(moves[i], in_check)) continue;
      line[ply] = {uint8_t(pos.PieceAt(moves[i].from)), moves[i].to};
      pos.MakeMove(moves[i]);
      int score = -Quiesce(-beta, -alpha, ply + 1);
      pos.UnmakeMove();
      if (stopped) return 0;
      if (score > best) {
        best = score;
        if (score > alpha) {
          alpha = score;
          best_move = moves[i];
          if (score >= beta) break;
        }
      }
    }
    if (best == -kInfinity) best = -kMateScore + ply;  // in check with no evasion
    int bound = best >= beta ? kLower : alpha > old_alpha ? kExact : kUpper;
    table.Store(pos.Key(), 0, best, eval, bound, best_move, ply);
    return best;
  }

  int AlphaBeta(int depth, int alpha, int beta, int ply, bool null_ok) {
    pv_length[ply] = ply;
    dependent[ply] = false;
    bool pv_node = beta - alpha > 1;
    if (ply > 0) {
      int score;
      if (Repetition(ply, score)) return dependent[ply] = true, score;
    }
    bool in_check = pos.InCheckCached();
    if (ply > 0 && NoCaptureDraw(in_check)) return dependent[ply] = true, 0;
    if (in_check && ply < kMaxPly / 2) ++depth;  // check extension
    if (depth <= 0) return Quiesce(alpha, beta, ply);
    if (stopped) return 0;
    ++nodes;
    if (ply > seldepth) seldepth = ply;
    if (ShouldStop()) return 0;
    if (ply >= kMaxPly) return Evaluate();

    Move hash_move = kNoMove;
    int table_eval = kNoEval;
    if (Entry* e = table.Probe(pos.Key())) {
      hash_move = e->move;
      table_eval = e->eval;
      if (!pv_node && e->depth >= depth && Cuts(*e, alpha, beta, ply))
        return FromTable(e->score, ply);
    }

    int raw_eval = in_check ? kNoEval : table_eval != kNoEval ? table_eval : Evaluate();
    int static_eval = in_check ? -kInfinity : Faded(raw_eval);
    evals[ply] = static_eval;
    // Better than two plies ago: the position improves for us, and late moves deserve more.
    bool improving = !in_check && (ply < 2 || static_eval > evals[ply - 2]);
    // Far above beta near the leaves: the opponent would not allow this line.
    if (!pv_node && !in_check && depth <= params[kReverseFutilityDepth] && beta < kMateBound &&
        beta > -kMateBound && static_eval - params[kReverseFutilityMargin] * depth >= beta)
      return static_eval;
    // Null move: give the opponent a free move; if we still stand above beta, cut. Not in check,
    // and not with few pieces, where passing would be the only good move (zugzwang).
    if (!pv_node && !in_check && null_ok && depth >= 3 && HasPieces(pos.SideToMove()) &&
        beta < kMateBound && static_eval >= beta) {
      int r = params[kNullMoveBase] + depth / params[kNullMoveDivisor];
      line[ply] = {};
      pos.MakeNullMove();
      int score = -AlphaBeta(depth - 1 - r, -beta, -beta + 1, ply + 1, false);
      pos.UnmakeNullMove();
      if (stopped) return 0;
      if (score >= beta) {
        dependent[ply] = dependent[ply + 1];
        return score > kMateBound ? beta : score;
      }
    }

    Move moves[kMaxMoves];
    int scores[kMaxMoves];
    int n = pos.GeneratePseudo(moves);
    if (hash_move != kNoMove) {
      bool present = false;
      for (int i = 0; i < n && !present; ++i) present = moves[i] == hash_move;
      if (!present) hash_move = kNoMove;
    }
    ScoreMoves(moves, scores, n, hash_move, ply, true);
    int best = -kInfinity, legal = 0, old_alpha = alpha;
    bool best_dependent = false;  // the best score came through a repetition of this line
    bool any_dependent = false;   // some move's score did
    Move best_move = kNoMove;
    Move quiets[kMaxMoves];
    int quiet_count = 0;
    for (int i = 0; i < n; ++i) {
      PickNext(moves, scores, n, i);
      Move m = moves[i];
      if (!pos.PseudoIsLegal(m, in_check)) continue;
      ++legal;
      bool capture = pos.PieceAt(m.to) != 0;
      bool quiet = !capture && scores[i] < (1 << 23) - 1;
      line[ply] = {uint8_t(pos.PieceAt(m.from)), m.to};
      pos.MakeMove(m);
      bool gives_check = pos.InCheckCached();
      // Futility: a quiet move one or two plies from the leaves that leaves us far below alpha;
      // and near the leaves, the late quiet moves (fewer when the position does not improve).
      bool late = depth <= params[kLateMoveDepth] &&
                  legal > (params[kLateMoveBase] + depth * depth) / (improving ? 1 : 2);
      if (!pv_node && quiet && !in_check && !gives_check && legal > 1 && alpha > -kMateBound &&
          ((depth <= params[kFutilityDepth] &&
            static_eval + params[kFutilityBase] + params[kFutilityMargin] * depth <= alpha) ||
           late)) {
        pos.UnmakeMove();
        continue;
      }
      int score;
      if (legal == 1) {
        score = -AlphaBeta(depth - 1, -beta, -alpha, ply + 1, true);
      } else {
        int reduction = 0;
        if (depth >= 3 && legal > 3 && quiet && !in_check && !gives_check) {
          reduction = reductions.Of(depth, legal) - (pv_node ? 1 : 0);
          // More when the position does not improve, less for a move that has often cut.
          reduction += improving ? 0 : 1;
          reduction -= std::clamp(scores[i] / params[kReductionHistory], -2, 2);
          reduction = std::clamp(reduction, 0, depth - 2);
        }
        score = -AlphaBeta(depth - 1 - reduction, -alpha - 1, -alpha, ply + 1, true);
        if (score > alpha && reduction)
          score = -AlphaBeta(depth - 1, -alpha - 1, -alpha, ply + 1, true);
        if (score > alpha && score < beta)
          score = -AlphaBeta(depth - 1, -beta, -alpha, ply + 1, true);
      }
      pos.UnmakeMove();
      if (stopped) return 0;
      any_dependent |= dependent[ply + 1];
      if (!capture) quiets[quiet_count++] = m;
      if (score > best) {
        best = score;
        best_move = m;
        best_dependent = dependent[ply + 1];
        if (score > alpha) {
          alpha = score;
          pv[ply][ply] = m;
          for (int k = ply + 1; k < pv_length[ply + 1]; ++k) pv[ply][k] = pv[ply + 1][k];
          pv_length[ply] = std::max(pv_length[ply + 1], ply + 1);
          if (score >= beta) {
            if (!capture) {
              if (!(killers[ply][0] == m)) {
                killers[ply][1] = killers[ply][0];
                killers[ply][0] = m;
              }
              if (ply >= 1 && line[ply - 1].piece)
                countermoves[line[ply - 1].piece][line[ply - 1].to] = m;
              // The quiet moves tried before this one did not cut: they lose as much.
              int bonus = std::min(params[kHistoryBonus] * depth, params[kHistoryBonusMax]);
              RewardQuiet(m, ply, bonus);
              for (int q = 0; q + 1 < quiet_count; ++q) RewardQuiet(quiets[q], ply, -bonus);
            }
            break;
          }
        }
      }
    }
    // No legal move: mate or stalemate, both lost for the side to move.
    if (legal == 0) return -kMateScore + ply;
    int bound = best >= beta ? kLower : alpha > old_alpha ? kExact : kUpper;
    // A score that a repetition of this very line decided would be wrong for the same position
    // reached by another line. A cut rests on its own move's score alone; an exact score or an
    // upper bound on every move's, since another line could lift any of them. When only a move
    // that is not the best was decided so, the best one's score still holds as a lower bound.
    bool path = bound == kLower ? best_dependent : any_dependent;
    bool keep_score = !path;
    if (bound == kExact && path && !best_dependent) bound = kLower, keep_score = true;
    if (!keep_score)
      table.StoreMove(pos.Key(), best_move);
    else
      table.Store(pos.Key(), depth, best, raw_eval, bound, best_move, ply);
    dependent[ply] = path;
    return best;
  }
};

TimeAllotment AllotTime(int64_t remaining_ms, int64_t increment_ms, int movestogo,
                        int64_t overhead_ms) {
  int64_t available = std::max<int64_t>(remaining_ms - std::max<int64_t>(overhead_ms, 0), 0);
  increment_ms = std::clamp<int64_t>(increment_ms, 0, available);
  // The last move before the control may use nearly all; otherwise the time is shared among the
  // moves to go (a sudden-death game is taken as 30 more moves), and one move never takes more
  // than a third of what is left, so a long think leaves enough for the rest.
  int64_t moves = movestogo > 0 ? std::min(movestogo, 40) : 30;
  int64_t hard =
      movestogo == 1 ? available * 9 / 10 : std::min(available / 3, available / moves * 5);
  hard = std::max(hard, increment_ms * 9 / 10);
  int64_t soft = std::min(available / moves + increment_ms * 3 / 4, hard);
  return {std::max<int64_t>(soft, 1), std::max<int64_t>(hard, 1)};
}

Searcher::Searcher(size_t hash_mb) : impl_(std::make_unique<Impl>()) {
  impl_->Resize(hash_mb);
}
Searcher::~Searcher() = default;
bool Searcher::SetHashMb(size_t mb) {
  return impl_->Resize(mb);
}
void Searcher::NewGame() {
  impl_->Clear();
}
SearchResult Searcher::Search(const Position& root, const Limits& limits,
                              const std::vector<Move>& banned,
                              const std::function<void(const SearchInfo&)>& on_info) {
  Impl& s = *impl_;
  s.pos = root;
  s.pos.MarkChecks();
  s.limits = limits;
  if (!limits.network)
    s.network.reset();
  else if (s.network_of != limits.network)
    s.network = std::make_unique<NetworkEvaluator>(*limits.network);
  s.network_of = limits.network;
  s.start = Clock::now();
  s.nodes = 0;
  s.seldepth = 0;
  s.stopped = false;
  s.params = ActiveSearchParams();
  s.reductions.Build(s.params);
  s.table.NewSearch();
  SearchResult result;

  Position& pos = s.pos;
  bool in_check = pos.InCheckCached();
  s.evals[0] = in_check ? -kInfinity : s.Faded(s.Evaluate());
  std::vector<Move> root_moves;
  for (Move m : pos.LegalMoves())
    if (std::find(banned.begin(), banned.end(), m) == banned.end()) root_moves.push_back(m);
  if (root_moves.empty()) return result;
  result.best = root_moves[0];
  // Stopped before it began: the table's move when it is one of ours, else the move whose
  // position evaluates best (a glance of microseconds, so that it is not a random move).
  if (s.StopAsked()) {
    Entry* e = s.table.Probe(pos.Key());
    if (e && std::find(root_moves.begin(), root_moves.end(), e->move) != root_moves.end()) {
      result.best = e->move;
      return result;
    }
    int best = -kInfinity;
    for (Move m : root_moves) {
      pos.MakeMove(m);
      int score = -s.Evaluate();
      pos.UnmakeMove();
      if (score > best) best = score, result.best = m;
    }
    return result;
  }

  int max_depth = limits.depth > 0 ? std::min(limits.depth, kMaxPly - 8) : kMaxPly - 8;
  std::vector<int> root_scores(root_moves.size(), 0);
  // MultiPV: line k is the best of the root moves the lines before it did not take; once found,
  // its move stands at root_moves[k].
  const size_t lines = std::min(size_t(std::max(limits.multipv, 1)), root_moves.size());
  std::vector<int> line_scores(lines, 0);
  TimeKeeper keeper;
  const Variety variety(limits);
  for (int depth = 1; depth <= max_depth; ++depth) {
    // Order: the last iteration's best first, then by that iteration's scores.
    if (depth > 1) {
      std::vector<size_t> order(root_moves.size());
      for (size_t i = 0; i < order.size(); ++i) order[i] = i;
      std::stable_sort(order.begin(), order.end(),
                       [&](size_t a, size_t b) { return root_scores[a] > root_scores[b]; });
      std::vector<Move> moves;
      std::vector<int> scores;
      for (size_t i : order) moves.push_back(root_moves[i]), scores.push_back(root_scores[i]);
      root_moves = moves;
      root_scores = scores;
    }
    std::vector<SearchInfo> reports;
    int first_best = -kInfinity;
    for (size_t line = 0; line < lines; ++line) {
      const auto first = root_moves.begin() + std::ptrdiff_t(line);
      // Aspiration: from the fifth iteration search a window around the last score first, and
      // widen it on the side that failed.
      int window = s.params[kAspirationWindow];
      int last = line == 0 ? result.score : line_scores[line];
      int low = depth >= 5 ? std::max(last - window, -kInfinity) : -kInfinity;
      int high = depth >= 5 ? std::min(last + window, kInfinity) : kInfinity;
      int best = -kInfinity;
      Move best_move = kNoMove;
      bool best_dependent = false, any_dependent = false;
      std::vector<Move> best_pv;
      bool trusted = false;  // best_move is a real improvement, usable even if the search stops
      for (;;) {
        int alpha = low, beta = high;
        best = -kInfinity;
        best_move = kNoMove;
        trusted = false;
        std::fill(root_scores.begin() + std::ptrdiff_t(line), root_scores.end(), -kInfinity);
        for (size_t i = line; i < root_moves.size(); ++i) {
          Move m = root_moves[i];
          s.line[0] = {uint8_t(pos.PieceAt(m.from)), m.to};
          pos.MakeMove(m);
          pos.InCheckCached();
          int score;
          int d = depth - 1 + (in_check ? 1 : 0);
          // With variety each root move is judged with its bonus: searched against a window
          // lowered by it.
          int bonus = variety.Bonus(m);
          int a = alpha - bonus, b = beta - bonus;
          if (i == line) {
            score = -s.AlphaBeta(d, -b, -a, 1, true);
          } else {
            score = -s.AlphaBeta(d, -a - 1, -a, 1, true);
            if (score > a && !s.stopped) score = -s.AlphaBeta(d, -b, -a, 1, true);
          }
          if (std::abs(score) < kPerpetualScore - kMaxPly) score += bonus;
          pos.UnmakeMove();
          if (s.stopped) break;
          any_dependent |= s.dependent[1];
          root_scores[i] = score;
          if (score > best) {
            best = score;
            best_move = m;
            best_dependent = s.dependent[1];
            best_pv.assign(1, m);
            for (int k = 1; k < s.pv_length[1]; ++k) best_pv.push_back(s.pv[1][k]);
            if (score > alpha) {
              alpha = score;
              trusted = true;
            }
            if (score >= beta) break;
          }
        }
        if (s.stopped) break;
        if (best <= low && low > -kInfinity) {
          window *= 4;
          low = std::max(low - window, -kInfinity);
          continue;
        }
        if (best >= high && high < kInfinity) {
          window *= 4;
          high = std::min(high + window, kInfinity);
          // The move that failed high goes first in the new search.
          auto it = std::find(first, root_moves.end(), best_move);
          std::rotate(first, it, it + 1);
          continue;
        }
        break;
      }
      if (line == 0) {
        if (!s.stopped) keeper.Iteration(depth, best_move, best);
        if (best_move != kNoMove && (!s.stopped || (trusted && best_move != result.best))) {
          // A move that beat the last iteration's best within the interrupted one is kept too.
          result.best = best_move;
          result.score = best;
          result.ponder = best_pv.size() > 1 ? best_pv[1] : kNoMove;
        }
      }
      if (s.stopped) break;
      if (line == 0) {
        first_best = best;
        result.depth = depth;
        result.nodes = s.nodes;
        if (best_dependent || any_dependent || variety.On())
          s.table.StoreMove(pos.Key(), best_move);
        else
          s.table.Store(pos.Key(), depth, best, kNoEval, kExact, best_move, 0);
      }
      if (lines > 1) {  // the line's move takes its place before the moves left to the next
        size_t at = size_t(std::find(first, root_moves.end(), best_move) - root_moves.begin());
        std::swap(root_moves[line], root_moves[at]);
        std::swap(root_scores[line], root_scores[at]);
        line_scores[line] = best;
      }
      SearchInfo info;
      info.depth = depth;
      info.multipv = int(line) + 1;
      info.score = best;
      info.mate_in_moves = MateInMoves(best);
      info.pv = best_pv;
      reports.push_back(std::move(info));
    }
    if (s.stopped) break;
    if (on_info) {
      for (SearchInfo& info : reports) {
        info.seldepth = s.seldepth;
        info.nodes = s.nodes;
        info.time_ms = s.Elapsed();
        on_info(info);
      }
    }
    // A found mate will not get shorter; and an iteration that cannot finish is not started.
    if (first_best > kMateBound && kMateScore - first_best <= depth) break;
    if (first_best < -kMateBound && kMateScore + first_best <= depth) break;
    if (limits.soft_ms
            ? s.Elapsed() >= keeper.Budget(limits) * 6 / 10
            : limits.movetime_ms && !limits.movetime_exact && s.Elapsed() * 2 >= limits.movetime_ms)
      break;
    if (s.StopAsked()) break;
    if (root_moves.size() == 1 && depth >= 4 && limits.depth == 0) break;
  }
  result.nodes = s.nodes;
  return result;
}

}  // namespace engine
