// An engine's option settings as a player may type them: every text is read or refused with a
// reason (keeping the items that read), and what is read comes back the same through its written
// form, escapes and all; every value read is
// fitted to a spin, a check and a combo option or refused with a word, and what is fitted is
// within what the option takes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "game/outside/option_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto settings = outside::ParseOptionSettings(text, &error);
  std::vector<std::string> unreadable;
  const auto readable = outside::ReadableOptionSettings(text, &unreadable);
  if (!settings) {
    if (error.empty() || unreadable.empty()) __builtin_trap();
    const auto again = outside::ParseOptionSettings(outside::FormatOptionSettings(readable));
    if (!again || *again != readable) __builtin_trap();
    return 0;
  }
  if (readable != *settings || !unreadable.empty()) __builtin_trap();
  for (const auto& [name, value] : *settings)
    if (name.empty() || outside::HasControlCharacter(name) || outside::HasControlCharacter(value))
      __builtin_trap();
  outside::EngineOption spin{"Hash", "spin", "16", -5, 64, {}};
  outside::EngineOption check{"Ponder", "check", "false", std::nullopt, std::nullopt, {}};
  outside::EngineOption combo{"Style",      "combo",      "Normal",
                              std::nullopt, std::nullopt, {"Solid", "Normal", "Risky"}};
  for (const auto& [name, value] : *settings) {
    std::string word;
    if (auto fitted = outside::FitOptionValue(spin, value, &word)) {
      const long long n = std::stoll(*fitted);
      if (n < -5 || n > 64) __builtin_trap();
    } else if (word.empty()) {
      __builtin_trap();
    }
    // Left out rather than brought in: what is kept was within the range already.
    if (auto kept = outside::FitOptionValue(spin, value, &word, outside::OutOfRange::kLeftOut)) {
      const long long n = std::stoll(*kept);
      if (n < -5 || n > 64 || !word.empty()) __builtin_trap();
    }
    if (auto fitted = outside::FitOptionValue(check, value, &word))
      if (*fitted != "true" && *fitted != "false") __builtin_trap();
    if (auto fitted = outside::FitOptionValue(combo, value, &word))
      if (*fitted != "Solid" && *fitted != "Normal" && *fitted != "Risky") __builtin_trap();
    const auto without = outside::WithSetting(*settings, name, std::nullopt);
    if (without.size() != settings->size() - 1) __builtin_trap();
  }
  // Everything read comes back, ';', '=' and backslashes too; and a text that does not read
  // whole still gives every item that does.
  const auto again = outside::ParseOptionSettings(outside::FormatOptionSettings(*settings));
  if (!again || *again != *settings) __builtin_trap();
  return 0;
}
