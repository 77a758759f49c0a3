// Texel tuning of the evaluation from the engine's own games: a self-play generator that writes
// quiet positions labelled by the result of their game, and a tuner that fits the evaluation's
// parameters so that a sigmoid of the evaluation predicts those results.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/eval_params.h"
#include "engine/position.h"
#include "engine/search.h"

namespace engine {

struct SelfPlayOptions {
  int games = 100;
  uint64_t nodes = 3000;     // per move
  int random_plies = 6;      // random legal moves from the start (one more on odd games)
  uint64_t seed = 1;         // games are a function of the seed and the parameters
  int max_plies = 300;       // then a draw
  int adjudicate_cp = 1200;  // a score held this high by both sides' searches for 6 plies wins
  const Network* network = nullptr;  // the searches' evaluation network (null: the classical one)
};

// Plays one game from the start, the first `random_plies` moves drawn from `rng` among the legal
// ones, to mate, a repetition (judged by the engine's rules), 120 plies without a capture, no
// force that can mate on either side, `max_plies` or a score of `adjudicate_cp` held for six
// plies. `searched` (may be empty) hears each position before its move is made, with the
// search's answer. Returns the result for red: 1, 0.5 or 0.
double PlaySelfPlayGame(Searcher& searcher, const SelfPlayOptions& options, std::mt19937_64& rng,
                        int random_plies,
                        const std::function<void(Position&, const SearchResult&)>& searched);

// Plays the games and writes one line per quiet position: "FEN;R" with R the game's result for
// red (1, 0.5 or 0). A position is quiet when its side to move is not in check and a search of
// captures alone does not change its static value. `progress` (may be empty) hears each game's
// number as it ends. Returns the positions written.
size_t SelfPlay(const SelfPlayOptions& options, std::ostream& out,
                const std::function<void(int game)>& progress = {});

// Starts for matches: random walks of legal moves from the start position, kept when a short
// search scores them as balanced. A function of the options alone (each search starts from a
// cleared table), so the book in git can be made again.
struct OpeningOptions {
  int count = 3000;
  uint64_t seed = 1;
  int min_plies = 4, max_plies = 8;
  int depth = 8;       // the search that judges the balance
  int margin_cp = 50;  // kept when the score for the side to move is within this
};

// Writes `count` lines of ICCS moves from the start, each ending in a different position that is
// not in check and within the margin. `progress` (may be empty) hears the count kept so far.
// Returns the lines written.
int WriteOpenings(const OpeningOptions& options, std::ostream& out,
                  const std::function<void(int kept, int tried)>& progress = {});

// Whether a capture search from `pos` gives back its static value (and it is not in check).
bool IsQuiet(Position& pos);

// One labelled position taken apart by EvaluateTraced with the parameters it was read with.
struct TuningSample {
  std::vector<std::pair<uint16_t, float>> coef;  // nonzero coefficients, the move in hand apart
  int8_t tempo = 1;                              // +1 red to move, -1 black
  uint8_t scale = 64;
  float result = 0.5f;  // for red
};

// Reads "FEN;R" lines (blank lines and '#' lines skipped) with the active parameters. Refuses
// (nullopt, the line number and the reason in *error) a bad FEN or result.
std::optional<std::vector<TuningSample>> ReadTuningData(std::istream& in, std::string* error);

struct TuneOptions {
  int epochs = 1500;
  double rate = 1.0;         // Adam's step, in centipawns
  double regularize = 1e-7;  // pull of each weight back towards where it started
  double holdout = 0.1;      // the last part of the data, kept out of the fit to judge it
};

struct TuneReport {
  double scale_k = 1.0;  // sigmoid(e) = 1 / (1 + 10^(-K e / 400))
  double train_before = 0, train_after = 0, holdout_before = 0, holdout_after = 0;
  int changed = 0;  // parameters whose value moved
};

// The mean squared error of the sigmoid of the evaluation against the results.
double TuningError(const std::vector<TuningSample>& samples, size_t begin, size_t end,
                   const std::vector<double>& weights, double k);

// Fits K with `start`'s values, then the tunable parameters; returns the tuned set. `progress`
// (may be empty) hears a line now and then.
EvalParams Tune(const std::vector<TuningSample>& samples, const EvalParams& start,
                const TuneOptions& options, TuneReport& report,
                const std::function<void(const std::string&)>& progress = {});

}  // namespace engine
