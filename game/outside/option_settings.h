// The options a player sets for an outside engine, as he writes them in the engines dialog:
// "Hash=64; Threads=2; Skill Level=10" (items split at ';' or a line break, a name and a value
// around the first '=', blanks around both dropped). A backslash takes the next ';', '=' or
// backslash as it is ("Book=a\;b.bin"); any other backslash is itself, so older texts read as
// before. The client sets each one the engine offers.
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
// without '=', without a name, or with a control character (no engine could be sent it). Blank
// text and blank items are no settings.
std::optional<OptionSettings> ParseOptionSettings(std::string_view text,
                                                  std::string* error = nullptr);
// Every item of `text` that reads; each one that does not is told in `unreadable` (a sentence
// in Chinese each) and left out, so one bad item never costs the others.
OptionSettings ReadableOptionSettings(std::string_view text,
                                      std::vector<std::string>* unreadable = nullptr);
// The text that reads back as `settings` (';' and '\' escaped, '=' too in names), for settings
// without control characters and without blanks around names and values.
std::string FormatOptionSettings(const OptionSettings& settings);

// What becomes of a spin's number outside the engine's range.
enum class OutOfRange {
  kBroughtIn,  // the nearest end of the range (the dialog mends the player's text so)
  kLeftOut,    // not used: engines advertise ends they cannot live with (Hash's max asks for
               // more memory than the machine has), so the client never sends one unasked
};
// `value` as `option` takes it: a spin's whole number within the engine's range; a check's true
// or false; one of a combo's values (as the engine spells it); a string as it is; a button's
// empty value (it is pressed as the engine starts). Nothing when it cannot be taken, and
// whenever it holds a control character (a line break would end the engine's command). `word`
// (when given) tells, in Chinese, what was changed or why it was refused; empty when the value
// was taken as it is.
std::optional<std::string> FitOptionValue(const EngineOption& option, std::string_view value,
                                          std::string* word = nullptr,
                                          OutOfRange out_of_range = OutOfRange::kBroughtIn);
// Engines take option names without regard to case.
bool SameOptionName(std::string_view a, std::string_view b);
// Whether `text` holds a control character other than a tab.
bool HasControlCharacter(std::string_view text);
// `settings` with `name` set to `value` (in its place, else added at the end), or without it
// when `value` is nothing. Names compare without regard to case, as engines take them.
OptionSettings WithSetting(OptionSettings settings, std::string_view name,
                           const std::optional<std::string>& value);

}  // namespace outside
