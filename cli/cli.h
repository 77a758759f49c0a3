// Subcommands of xiangqi-cli register themselves here, one file per group of subcommands.
#pragma once

#include <optional>
#include <string>
#include <vector>

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

}  // namespace cli
