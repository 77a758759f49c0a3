// Self-play data and the Texel tuner. The tuner never searches: each position is taken apart once
// into how often each weight counts (EvaluateTraced), so a trial set of weights costs a dot product
// per position and the gradient comes with it.
#include "engine/tuning.h"

#include <algorithm>
#include <cmath>
#include <istream>
#include <ostream>
#include <random>

#include "engine/evaluation.h"
#include "engine/repetition.h"
#include "engine/search.h"
#include "engine/text_fields.h"

namespace engine {

namespace {

// Captures only, most valuable victim first, to a few plies: enough to see a piece hang.
int CaptureSearch(Position& pos, int alpha, int beta, int plies_left) {
  int stand = Evaluate(pos);
  if (stand >= beta || plies_left == 0) return stand;
  if (stand > alpha) alpha = stand;
  Move moves[kMaxMoves];
  int n = pos.GenerateCaptures(moves);
  std::sort(moves, moves + n, [&](Move a, Move b) {
    static constexpr int kOrder[8] = {0, 9, 2, 2, 4, 8, 4, 1};
    return kOrder[KindOf(pos.PieceAt(a.to))] > kOrder[KindOf(pos.PieceAt(b.to))];
  });
  const bool in_check = pos.InCheck();
  for (int i = 0; i < n; ++i) {
    if (!pos.PseudoIsLegal(moves[i], in_check)) continue;
    pos.MakeMove(moves[i]);
    int score = -CaptureSearch(pos, -beta, -alpha, plies_left - 1);
    pos.UnmakeMove();
    if (score >= beta) return score;
    if (score > alpha) alpha = score;
  }
  return alpha;
}

bool HasMatingMaterial(const Position& pos, Color c) {
  return pos.CountOf(c, kRook) + pos.CountOf(c, kKnight) + pos.CountOf(c, kCannon) +
             pos.CountOf(c, kPawn) >
         0;
}

}  // namespace

double PlaySelfPlayGame(Searcher& searcher, const SelfPlayOptions& options, std::mt19937_64& rng,
                        int random_plies,
                        const std::function<void(Position&, const SearchResult&)>& searched) {
  Position pos;
  for (int i = 0; i < random_plies; ++i) {
    std::vector<Move> moves = pos.LegalMoves();
    if (moves.empty()) break;
    pos.MakeMove(moves[rng() % moves.size()]);
  }
  searcher.NewGame();
  Limits limits;
  limits.nodes = options.nodes;
  limits.network = options.network;
  int winning_run = 0;  // plies in a row the searches agree one side wins (+ red, - black)
  for (int ply = 0; ply < options.max_plies; ++ply) {
    const bool red = pos.SideToMove() == kRed;
    pos.InCheckCached();  // the repetition rules read the check flags of the line
    if (pos.NoLegalMoves()) return red ? 0.0 : 1.0;
    if (int distance = RepetitionDistance(pos)) {
      RepetitionVerdict verdict = JudgeRepetition(pos, distance);
      if (verdict.result == 0) return 0.5;
      return (verdict.result > 0) == red ? 1.0 : 0.0;
    }
    if (pos.History().back().halfmove >= 120) return 0.5;
    if (!HasMatingMaterial(pos, kRed) && !HasMatingMaterial(pos, kBlack)) return 0.5;
    SearchResult result = searcher.Search(pos, limits);
    if (searched) searched(pos, result);
    if (result.best == kNoMove) return red ? 0.0 : 1.0;
    int for_red = red ? result.score : -result.score;
    if (std::abs(for_red) >= options.adjudicate_cp) {
      int sign = for_red > 0 ? 1 : -1;
      winning_run = winning_run * sign > 0 ? winning_run + sign : sign;
      if (std::abs(winning_run) >= 6) return sign > 0 ? 1.0 : 0.0;
    } else {
      winning_run = 0;
    }
    pos.MakeMove(result.best);
  }
  return 0.5;
}

namespace {

double Sigmoid(double eval, double k) {
  return 1.0 / (1.0 + std::pow(10.0, -k * eval / 400.0));
}

double Eval(const TuningSample& s, const std::vector<double>& w) {
  double sum = 0;
  for (auto [i, c] : s.coef) sum += c * w[i];
  return sum * s.scale / 64.0 + s.tempo * w[kTempo];
}

}  // namespace

bool IsQuiet(Position& pos) {
  if (pos.InCheck()) return false;
  int stand = Evaluate(pos);
  return CaptureSearch(pos, stand, stand + 1, 6) <= stand;
}

size_t SelfPlay(const SelfPlayOptions& options, std::ostream& out,
                const std::function<void(int game)>& progress) {
  Searcher searcher(16);
  std::mt19937_64 rng(options.seed);
  size_t written = 0;
  for (int game = 0; game < options.games; ++game) {
    std::vector<std::string> fens;
    double result = PlaySelfPlayGame(searcher, options, rng, options.random_plies + game % 2,
                                     [&](Position& pos, const SearchResult&) {
                                       if (IsQuiet(pos)) fens.push_back(pos.Fen());
                                     });
    const char* label = result == 1.0 ? "1" : result == 0.0 ? "0" : "0.5";
    for (const std::string& fen : fens) out << fen << ';' << label << '\n';
    written += fens.size();
    out.flush();
    if (progress) progress(game + 1);
  }
  return written;
}

int WriteOpenings(const OpeningOptions& options, std::ostream& out,
                  const std::function<void(int kept, int tried)>& progress) {
  Searcher searcher(8);
  std::mt19937_64 rng(options.seed);
  std::vector<uint64_t> seen;  // the final positions kept, so no start repeats
  Limits limits;
  limits.depth = options.depth;
  int kept = 0, tried = 0;
  const int span = std::max(options.max_plies - options.min_plies, 0) + 1;
  while (kept < options.count) {
    ++tried;
    Position pos;
    std::vector<Move> line;
    const int plies = options.min_plies + int(rng() % uint64_t(span));
    while (int(line.size()) < plies) {
      std::vector<Move> moves = pos.LegalMoves();
      if (moves.empty()) break;
      line.push_back(moves[rng() % moves.size()]);
      pos.MakeMove(line.back());
    }
    if (int(line.size()) < plies || pos.InCheck() ||
        std::find(seen.begin(), seen.end(), pos.Key()) != seen.end())
      continue;
    searcher.NewGame();
    SearchResult result = searcher.Search(pos, limits);
    if (result.best == kNoMove || std::abs(result.score) > options.margin_cp) continue;
    seen.push_back(pos.Key());
    for (size_t i = 0; i < line.size(); ++i) out << (i ? " " : "") << ToIccs(line[i]);
    out << '\n';
    ++kept;
    if (progress) progress(kept, tried);
  }
  return kept;
}

std::optional<std::vector<TuningSample>> ReadTuningData(std::istream& in, std::string* error) {
  std::vector<TuningSample> samples;
  EvalTrace trace;
  std::string line;
  for (int number = 1; std::getline(in, line); ++number) {
    std::string_view text = Trim(line);
    if (text.empty() || text[0] == '#') continue;
    size_t semicolon = text.rfind(';');
    std::string why;
    std::optional<Position> pos;
    if (semicolon == std::string_view::npos) {
      why = "expected \"FEN;RESULT\"";
    } else if (!(pos = Position::FromFen(text.substr(0, semicolon), &why))) {
      why = "bad FEN: " + why;
    }
    TuningSample sample;
    std::string_view result = pos ? Trim(text.substr(semicolon + 1)) : "";
    if (pos && (result == "1" || result == "0" || result == "0.5")) {
      sample.result = result == "1" ? 1.0f : result == "0" ? 0.0f : 0.5f;
    } else if (pos) {
      why = "the result must be 1, 0.5 or 0 (for red)";
    }
    if (!why.empty()) {
      if (error) *error = "line " + std::to_string(number) + ": " + why;
      return std::nullopt;
    }
    EvaluateTraced(*pos, trace);
    for (int i = 0; i < int(trace.coef.size()); ++i)
      if (trace.coef[i] && i != kTempo) sample.coef.emplace_back(uint16_t(i), float(trace.coef[i]));
    sample.tempo = int8_t(trace.coef[kTempo]);
    sample.scale = uint8_t(std::clamp(trace.scale, 0, 64));
    samples.push_back(std::move(sample));
  }
  return samples;
}

double TuningError(const std::vector<TuningSample>& samples, size_t begin, size_t end,
                   const std::vector<double>& weights, double k) {
  double sum = 0;
  for (size_t i = begin; i < end; ++i) {
    double d = Sigmoid(Eval(samples[i], weights), k) - samples[i].result;
    sum += d * d;
  }
  return end > begin ? sum / double(end - begin) : 0.0;
}

EvalParams Tune(const std::vector<TuningSample>& samples, const EvalParams& start,
                const TuneOptions& options, TuneReport& report,
                const std::function<void(const std::string&)>& progress) {
  const int count = EvalParamCount();
  std::vector<double> w(start.value.begin(), start.value.begin() + count);
  const size_t n = samples.size();
  const size_t train = n - size_t(double(n) * std::clamp(options.holdout, 0.0, 0.9));
  // K first, by golden-section search over the error with the starting weights.
  double lo = 0.05, hi = 5.0;
  const double ratio = (std::sqrt(5.0) - 1) / 2;
  for (int i = 0; i < 60; ++i) {
    double a = hi - ratio * (hi - lo), b = lo + ratio * (hi - lo);
    if (TuningError(samples, 0, train, w, a) < TuningError(samples, 0, train, w, b))
      hi = b;
    else
      lo = a;
  }
  const double k = report.scale_k = (lo + hi) / 2;
  report.train_before = TuningError(samples, 0, train, w, k);
  report.holdout_before = TuningError(samples, train, n, w, k);
  // Then Adam over the whole training set, every epoch one step for every tunable weight.
  const std::vector<double> initial = w;
  std::vector<double> m(count), v(count), grad(count);
  const double beta1 = 0.9, beta2 = 0.999, slope = std::log(10.0) * k / 400.0;
  for (int epoch = 1; epoch <= options.epochs; ++epoch) {
    std::fill(grad.begin(), grad.end(), 0.0);
    double error = 0;
    for (size_t s = 0; s < train; ++s) {
      const TuningSample& sample = samples[s];
      double p = Sigmoid(Eval(sample, w), k), d = p - sample.result;
      error += d * d;
      double g = 2 * d * p * (1 - p) * slope / double(train);
      double scaled = g * sample.scale / 64.0;
      for (auto [i, c] : sample.coef) grad[i] += scaled * c;
      grad[kTempo] += g * sample.tempo;
    }
    for (int i = 0; i < count; ++i) {
      if (!EvalParamTunable(i)) continue;
      double g = grad[i] + 2 * options.regularize * (w[i] - initial[i]);
      m[i] = beta1 * m[i] + (1 - beta1) * g;
      v[i] = beta2 * v[i] + (1 - beta2) * g * g;
      double mh = m[i] / (1 - std::pow(beta1, epoch)), vh = v[i] / (1 - std::pow(beta2, epoch));
      w[i] = std::clamp(w[i] - options.rate * mh / (std::sqrt(vh) + 1e-12),
                        -double(kEvalParamLimit), double(kEvalParamLimit));
    }
    if (progress && (epoch % 100 == 0 || epoch == options.epochs))
      progress("epoch " + std::to_string(epoch) + " error " +
               std::to_string(error / double(train)));
  }
  EvalParams out = start;
  report.changed = 0;
  for (int i = 0; i < count; ++i) {
    out[i] = int32_t(std::lround(w[i]));
    w[i] = out[i];
    report.changed += out[i] != start[i];
  }
  report.train_after = TuningError(samples, 0, train, w, k);
  report.holdout_after = TuningError(samples, train, n, w, k);
  return out;
}

}  // namespace engine
