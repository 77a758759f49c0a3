// The options a player sets for an outside engine, as he writes them in the engines dialog:
// "Hash=64; Threads=2; Skill Level=10" (items split at ';' or a line break, a name and a value
// around the first '=', blanks around both dropped). The client sets each one the engine offers.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "game/outside/engine_lines.h"

namespace outside {

using OptionSettings = std::vector<std::pair<std::string, std::string>>;

// The settings of `text`; nothing, with the reason in Chinese in `error` when given, for an item
// without '=' or without a name. Blank text and blank items are no settings.
std::optional<OptionSettings> ParseOptionSettings(std::string_view text,
                                                  std::string* error = nullptr);
// The text that reads back as `settings`.
std::string FormatOptionSettings(const OptionSettings& settings);

// `value` as `option` takes it: a spin's whole number, brought into the engine's range; a
// check's true or false; one of a combo's values (as the engine spells it); a string as it is; a
// button's empty value (it is pressed as the engine starts). Nothing when it cannot be taken.
// `word` (when given) tells, in Chinese, what was changed or why it was refused; empty when the
// value was taken as it is.
std::optional<std::string> FitOptionValue(const EngineOption& option, std::string_view value,
                                          std::string* word = nullptr);
// Engines take option names without regard to case.
bool SameOptionName(std::string_view a, std::string_view b);
// `settings` with `name` set to `value` (in its place, else added at the end), or without it
// when `value` is nothing. Names compare without regard to case, as engines take them.
OptionSettings WithSetting(OptionSettings settings, std::string_view name,
                           const std::optional<std::string>& value);

}  // namespace outside
