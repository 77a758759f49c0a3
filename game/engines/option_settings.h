// The options a player sets for an outside engine, as he writes them in the engines dialog:
// "Hash=64; Threads=2; Skill Level=10" (items split at ';' or a line break, a name and a value
// around the first '=', blanks around both dropped). The client sets each one the engine offers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace engines {

using OptionSettings = std::vector<std::pair<std::string, std::string>>;

// The settings of `text`; nothing, with the reason in Chinese in `error` when given, for an item
// without '=' or without a name. Blank text and blank items are no settings.
std::optional<OptionSettings> ParseOptionSettings(std::string_view text,
                                                  std::string* error = nullptr);
// The text that reads back as `settings`.
std::string FormatOptionSettings(const OptionSettings& settings);

}  // namespace engines
