// Tuning the evaluation from the engine's own games: `xiangqi-cli selfplay` writes labelled quiet
// positions, `xiangqi-cli tune` fits the evaluation's parameters to them and writes the set, which
// `uci --params FILE` (and the other sessions, and enginebench) can play with.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>

#include "cli/cli.h"
#include "engine/eval_params.h"
#include "engine/network.h"
#include "engine/search_params.h"
#include "engine/text_fields.h"
#include "engine/training_data.h"
#include "engine/tuning.h"

namespace cli {

namespace {

std::optional<std::string> ReadParamsFile(const std::string& path, std::string& error) {
  // An empty file is a set of defaults, not an error: read by iterators, which may take none
  // (the file buffer throws when the path cannot be read, a folder for one).
  std::ifstream in(path, std::ios::binary);
  try {
    if (in) return std::string(std::istreambuf_iterator<char>(in), {});
  } catch (const std::ios_base::failure&) {
  }
  error = "cannot read the parameter file " + path;
  return std::nullopt;
}

// Reads the parameter file at `path` with `parse` over `defaults`, and makes the set the engine's.
template <class Parse, class Params, class Set>
bool LoadParamsFile(const std::string& path, std::string& error, Parse parse,
                    const Params& defaults, Set set) {
  auto text = ReadParamsFile(path, error);
  if (!text) return false;
  auto params = parse(*text, defaults, &error);
  if (!params) {
    error = path + ": " + error;
    return false;
  }
  set(*params);
  return true;
}

}  // namespace

bool LoadEvalParamsFile(const std::string& path, std::string& error) {
  return LoadParamsFile(path, error, engine::ParseEvalParams, engine::DefaultEvalParams(),
                        engine::SetEvalParams);
}

bool LoadSearchParamsFile(const std::string& path, std::string& error) {
  return LoadParamsFile(path, error, engine::ParseSearchParams, engine::DefaultSearchParams(),
                        engine::SetSearchParams);
}

bool LoadParamsOptions(const Options& options, std::string& error) {
  if (auto path = options.Get("--params"))
    if (!LoadEvalParamsFile(*path, error)) return false;
  if (auto path = options.Get("--search-params"))
    if (!LoadSearchParamsFile(*path, error)) return false;
  return true;
}

bool LoadNetworkOption(const Options& options, std::optional<engine::Network>& holder,
                       const engine::Network*& network, std::string& error) {
  auto path = options.Get("--network");
  if (!path) return true;
  if (*path == engine::kBuiltInNetwork) {
    network = &engine::Network::Embedded();
    return true;
  }
  holder = engine::Network::FromFile(*path, &error);
  if (!holder) return error = "--network: " + error, false;
  network = &*holder;
  return true;
}

namespace {

// A whole number option within bounds: the default when absent; false (with the reason) when bad.
bool NumberOption(const Options& options, const std::string& name, int64_t low, int64_t high,
                  int64_t& value, std::string& error) {
  auto text = options.Get(name);
  if (!text) return true;
  auto parsed = engine::ParseNumber(*text, low, high);
  if (!parsed) {
    error = name + " must be a whole number from " + std::to_string(low) + " to " +
            std::to_string(high) + ", not " + *text;
    return false;
  }
  value = *parsed;
  return true;
}

int SelfPlayCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(args,
                              {"--games", "--nodes", "--out", "--seed", "--random-plies",
                               "--params", "--search-params", "--binary", "--threads", "--network"},
                              error);
  if (!options) return Refuse(error);
  if (!options->positional.empty()) return Refuse("selfplay takes only options");
  auto out_path = options->Get("--out");
  if (!out_path) return Refuse("selfplay needs --out FILE");
  auto binary = options->Get("--binary");
  if (binary && *binary != "yes" && *binary != "no") return Refuse("--binary is yes or no");
  engine::SelfPlayOptions play;
  int64_t games = play.games, nodes = int64_t(play.nodes), seed = int64_t(play.seed),
          random_plies = play.random_plies, threads = 1;
  if (!NumberOption(*options, "--games", 1, 100000000, games, error) ||
      !NumberOption(*options, "--nodes", 1, 100000000, nodes, error) ||
      !NumberOption(*options, "--seed", 0, INT64_MAX, seed, error) ||
      !NumberOption(*options, "--random-plies", 0, 40, random_plies, error) ||
      !NumberOption(*options, "--threads", 1, 256, threads, error))
    return Refuse(error);
  if (!LoadParamsOptions(*options, error)) return Refuse(error);
  play.games = int(games);
  play.nodes = uint64_t(nodes);
  play.seed = uint64_t(seed);
  play.random_plies = int(random_plies);
  std::optional<engine::Network> network;
  if (!LoadNetworkOption(*options, network, play.network, error)) return Refuse(error);
  if (binary && *binary == "yes") {
    engine::TrainingDataOptions data{play, int(threads)};
    bool written = engine::WriteTrainingData(data, *out_path, &error, [&](uint64_t held) {
      if (held % 20 == 0 || held == uint64_t(play.games))
        std::fprintf(stderr, "games %llu\n", (unsigned long long)held);
    });
    if (!written) return Refuse(error);
    std::printf("games %d\n", play.games);
    return 0;
  }
  if (threads != 1) return Refuse("--threads is for --binary yes");
  std::ofstream out(*out_path, std::ios::binary | std::ios::trunc);
  if (!out) return Refuse("cannot write " + *out_path);
  size_t written = engine::SelfPlay(play, out, [&](int game) {
    if (game % 20 == 0 || game == play.games) std::fprintf(stderr, "games %d\n", game);
  });
  if (!out) return Refuse("writing " + *out_path + " failed");
  std::printf("games %d\npositions %zu\n", play.games, written);
  return 0;
}

// What a binary self-play file holds: its games, positions and results, and with --show N the
// first N positions as "FEN;score;move;result" (the result for red: 1, 0.5 or 0).
int TrainingDataCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(args, {"--show"}, error);
  if (!options) return Refuse(error);
  if (options->positional.size() != 1) return Refuse("trainingdata takes FILE [--show N]");
  int64_t show = 0;
  if (!NumberOption(*options, "--show", 0, INT64_MAX, show, error)) return Refuse(error);
  const std::string& path = options->positional[0];
  std::ifstream in(path, std::ios::binary);
  if (!in) return Refuse("cannot read " + path);
  engine::DataIndex index = engine::IndexTrainingData(in);
  if (!index.error.empty()) return Refuse(path + ": " + index.error);
  in.clear();
  in.seekg(0);
  uint64_t positions = 0, results[3] = {0, 0, 0};
  engine::Record record;
  for (const engine::GameHeader& game : index.games) {
    in.read(reinterpret_cast<char*>(record.data()), std::streamsize(record.size()));  // header
    for (uint32_t i = 0; i < game.positions; ++i) {
      in.read(reinterpret_cast<char*>(record.data()), std::streamsize(record.size()));
      auto position = engine::DecodePosition(record, &error);
      if (!position) return Refuse(path + ": game " + std::to_string(game.number) + ": " + error);
      ++positions;
      ++results[position->result];
      if (show > 0) {
        --show;
        std::printf("%s;%d;%s;%s\n", position->pos.Fen().c_str(), position->score,
                    engine::ToIccs(position->best).c_str(),
                    position->result == 2   ? "1"
                    : position->result == 1 ? "0.5"
                                            : "0");
      }
    }
  }
  std::printf("games %zu\npositions %llu\nred won %llu, drawn %llu, lost %llu (positions)\n",
              index.games.size(), (unsigned long long)positions, (unsigned long long)results[2],
              (unsigned long long)results[1], (unsigned long long)results[0]);
  return 0;
}

int TuneCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(args, {"--params", "--out", "--epochs"}, error);
  if (!options) return Refuse(error);
  if (options->positional.size() != 1) return Refuse("tune takes DATA and --out FILE");
  auto out_path = options->Get("--out");
  if (!out_path) return Refuse("tune needs --out FILE");
  engine::TuneOptions tune;
  int64_t epochs = tune.epochs;
  if (!NumberOption(*options, "--epochs", 1, 100000, epochs, error)) return Refuse(error);
  tune.epochs = int(epochs);
  // The positions are taken apart with the set they are tuned from.
  if (auto path = options->Get("--params"))
    if (!LoadEvalParamsFile(*path, error)) return Refuse(error);
  std::ifstream in(options->positional[0], std::ios::binary);
  if (!in) return Refuse("cannot read " + options->positional[0]);
  auto samples = engine::ReadTuningData(in, &error);
  if (!samples) return Refuse(options->positional[0] + ": " + error);
  if (samples->size() < 100) return Refuse("too few positions to tune on (fewer than 100)");
  std::fprintf(stderr, "positions %zu\n", samples->size());
  engine::TuneReport report;
  engine::EvalParams tuned =
      engine::Tune(*samples, engine::ActiveEvalParams(), tune, report,
                   [](const std::string& line) { std::fprintf(stderr, "%s\n", line.c_str()); });
  std::ofstream out(*out_path, std::ios::binary | std::ios::trunc);
  if (!out || !(out << engine::WriteEvalParams(tuned))) return Refuse("cannot write " + *out_path);
  std::printf(
      "positions %zu\nK %.4f\nerror before %.6f after %.6f\nheld-out error before %.6f after "
      "%.6f\nchanged %d\n",
      samples->size(), report.scale_k, report.train_before, report.train_after,
      report.holdout_before, report.holdout_after, report.changed);
  return 0;
}

// The match tool's book of starts: balanced random walks from the start position.
int OpeningsCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(
      args, {"--count", "--seed", "--min-plies", "--max-plies", "--depth", "--margin", "--out"},
      error);
  if (!options) return Refuse(error);
  if (!options->positional.empty()) return Refuse("openings takes only options");
  auto out_path = options->Get("--out");
  if (!out_path) return Refuse("openings needs --out FILE");
  engine::OpeningOptions book;
  int64_t count = book.count, seed = int64_t(book.seed), min_plies = book.min_plies,
          max_plies = book.max_plies, depth = book.depth, margin = book.margin_cp;
  if (!NumberOption(*options, "--count", 1, 1000000, count, error) ||
      !NumberOption(*options, "--seed", 0, INT64_MAX, seed, error) ||
      !NumberOption(*options, "--min-plies", 1, 40, min_plies, error) ||
      !NumberOption(*options, "--max-plies", min_plies, 40, max_plies, error) ||
      !NumberOption(*options, "--depth", 1, 20, depth, error) ||
      !NumberOption(*options, "--margin", 0, 2000, margin, error))
    return Refuse(error);
  book.count = int(count);
  book.seed = uint64_t(seed);
  book.min_plies = int(min_plies);
  book.max_plies = int(max_plies);
  book.depth = int(depth);
  book.margin_cp = int(margin);
  std::ofstream out(*out_path, std::ios::binary | std::ios::trunc);
  if (!out) return Refuse("cannot write " + *out_path);
  int tried_all = 0;
  engine::WriteOpenings(book, out, [&](int kept, int tried) {
    tried_all = tried;
    if (kept % 100 == 0) std::fprintf(stderr, "kept %d of %d\n", kept, tried);
  });
  if (!out) return Refuse("writing " + *out_path + " failed");
  std::printf("openings %d\ntried %d\n", book.count, tried_all);
  return 0;
}

// Prints the parameter set (the compiled-in one, or FILE's values over it): a template to edit.
int EvalParamsCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(args, {"--params"}, error);
  if (!options) return Refuse(error);
  if (!options->positional.empty()) return Refuse("evalparams takes only --params FILE");
  if (auto path = options->Get("--params"))
    if (!LoadEvalParamsFile(*path, error)) return Refuse(error);
  std::fputs(engine::WriteEvalParams(engine::ActiveEvalParams()).c_str(), stdout);
  return 0;
}

// Prints the search's constants with their ranges (the compiled-in ones, or FILE's values over
// them): a template to edit, and what the search tuner reads its parameters from.
int SearchParamsCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(args, {"--search-params"}, error);
  if (!options) return Refuse(error);
  if (!options->positional.empty()) return Refuse("searchparams takes only --search-params FILE");
  if (!LoadParamsOptions(*options, error)) return Refuse(error);
  std::fputs(engine::WriteSearchParams(engine::ActiveSearchParams()).c_str(), stdout);
  return 0;
}

const Registration kSearchParams("searchparams",
                                 "searchparams [--search-params FILE]  (the search's constants)",
                                 SearchParamsCommand);
const Registration kEvalParams("evalparams",
                               "evalparams [--params FILE]  (the evaluation's weights)",
                               EvalParamsCommand);
const Registration kSelfPlay(
    "selfplay",
    "selfplay --out FILE [--games N] [--nodes K] [--seed S] [--random-plies R] [--params FILE] "
    "[--search-params FILE] [--network FILE|<built-in>] [--binary yes --threads T]",
    SelfPlayCommand);
const Registration kTrainingData("trainingdata", "trainingdata FILE [--show N]",
                                 TrainingDataCommand);
const Registration kOpenings(
    "openings",
    "openings --out FILE [--count N] [--seed S] [--min-plies 4] [--max-plies 8] [--depth 8] "
    "[--margin 50]  (balanced starts for matches)",
    OpeningsCommand);
const Registration kTune("tune", "tune DATA --out FILE [--params FILE] [--epochs N]", TuneCommand);

}  // namespace

}  // namespace cli
