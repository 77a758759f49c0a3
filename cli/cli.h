// Subcommands of xiangqi-cli register themselves here, one file per group of subcommands.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "engine/network.h"
#include "game/record/notation.h"

namespace cli {

using Arguments = std::vector<std::string>;
// Runs with the arguments after the subcommand's name; returns the exit status.
using Handler = int (*)(const Arguments& args);

struct Registration {
  Registration(const char* name, const char* usage, Handler handler);
};

// One clear line on standard error; the status every refusal of bad input ends with.
int Refuse(const std::string& message);
inline constexpr int kBadInput = 2;

// A notation by its name on the command line: chinese, wxf, iccs or xboard.
std::optional<record::Notation> NotationNamed(const std::string& name);

// Options after the positional arguments: "--name value" pairs among `allowed`.
struct Options {
  std::vector<std::string> positional;
  std::vector<std::pair<std::string, std::string>> named;
  std::optional<std::string> Get(const std::string& name) const {
    for (const auto& [key, value] : named)
      if (key == name) return value;
    return std::nullopt;
  }
};
// Refuses (nullopt, the reason in `error`) an option not in `allowed` or without its value.
std::optional<Options> SplitOptions(const Arguments& args, std::vector<std::string> allowed,
                                    std::string& error);

// Makes the evaluation parameters in the file at `path` (engine/eval_params.h's text, names not
// given keep their defaults) the engine's; before any position is made. False, with the reason in
// `error`, when the file cannot be read or is refused.
bool LoadEvalParamsFile(const std::string& path, std::string& error);
// The same for the search's constants (engine/search_params.h's text).
bool LoadSearchParamsFile(const std::string& path, std::string& error);
// Loads the files of "--params" and "--search-params" when `options` has them; false, with the
// reason, on the first that fails.
bool LoadParamsOptions(const Options& options, std::string& error);
// --network FILE or <built-in>: the evaluation network a command searches with, read into
// `holder` when it is a file; `network` is left alone without the option.
bool LoadNetworkOption(const Options& options, std::optional<engine::Network>& holder,
                       const engine::Network*& network, std::string& error);

}  // namespace cli
