// Command lines from untrusted bytes (arguments split at zero bytes): every one is either played,
// answered or refused with a reason, and what is played holds a level in range and an engine
// command that is not blank.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/command_line.h"
#include "engine/levels.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string_view> args;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find('\0', start);
    if (end == std::string_view::npos) end = text.size();
    args.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  const app::CommandLine line = app::ParseCommandLine(args);
  using Action = app::CommandLine::Action;
  if ((line.action == Action::kRefuse) == line.error.empty()) __builtin_trap();
  if (line.action != Action::kRefuse && line.level &&
      (*line.level < engine::kMinLevel || *line.level > engine::kMaxLevel))
    __builtin_trap();
  // An engine to play is never an empty or blank command line.
  if (line.action != Action::kRefuse && line.engine &&
      line.engine->find_first_not_of(" \t") == std::string::npos)
    __builtin_trap();
  return 0;
}
