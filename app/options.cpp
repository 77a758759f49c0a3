#include "app/options.h"

namespace app {

std::optional<std::string> ReadOptions::Get(std::string_view name) const {
  std::optional<std::string> value;
  for (const auto& [given, text] : named)
    if (given == name) value = text;
  return value;
}

std::optional<ReadOptions> ReadCommandLine(std::span<const std::string_view> args,
                                           std::span<const KnownOption> known, std::string* error) {
  auto refuse = [error](std::string why) -> std::optional<ReadOptions> {
    if (error != nullptr) *error = std::move(why);
    return std::nullopt;
  };
  ReadOptions read;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string_view arg = args[i];
    if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
      read.operands.emplace_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    const size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
    const std::string_view name = arg.substr(0, equals);
    const KnownOption* option = nullptr;
    for (const KnownOption& s : known)
      if (s.name == name || (!s.shortName.empty() && s.shortName == name)) option = &s;
    if (option == nullptr) return refuse("unknown option '" + std::string(arg) + "'");
    if (!option->takesValue) {
      if (equals != std::string_view::npos)
        return refuse("option '" + std::string(option->name) + "' doesn't allow an argument");
      read.named.emplace_back(option->name, "");
    } else if (equals != std::string_view::npos) {
      read.named.emplace_back(option->name, arg.substr(equals + 1));
    } else if (i + 1 < args.size()) {
      read.named.emplace_back(option->name, args[++i]);
    } else {
      return refuse("option '" + std::string(option->name) + "' requires an argument");
    }
  }
  return read;
}

}  // namespace app
