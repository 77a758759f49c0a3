// Command-line options as GNU programs take them, for the program and for xiangqi-cli alike:
// "--name VALUE" or "--name=VALUE" for an option with a value, "--name" or its short form "-x"
// for a flag, "--" ending the options; "-" alone and everything after "--" are operands.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace app {

struct KnownOption {
  std::string_view name;  // "--level"
  bool takesValue = false;
  std::string_view shortName{};  // "-h", or empty
};

struct ReadOptions {
  // The options given, in order, by their long names; a flag's value is empty.
  std::vector<std::pair<std::string, std::string>> named;
  std::vector<std::string> operands;
  // The value given last for `name`, or nothing.
  std::optional<std::string> Get(std::string_view name) const;
  bool Has(std::string_view name) const { return Get(name).has_value(); }
};

// Nothing, with the reason in `error` ("unknown option '--what'", "option '--level' requires an
// argument"), when an option is not among `known`, lacks its value or has one it does not take.
std::optional<ReadOptions> ReadCommandLine(std::span<const std::string_view> args,
                                           std::span<const KnownOption> known, std::string* error);

}  // namespace app
