// An engine's option settings as a player may type them: every text is read or refused with a
// reason, and what is read comes back the same through its written form.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "game/engines/option_settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  const auto settings = engines::ParseOptionSettings(text, &error);
  if (!settings) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  for (const auto& [name, value] : *settings)
    if (name.empty()) __builtin_trap();
  // A value holding ';' or a line break cannot come back; everything else must.
  for (const auto& [name, value] : *settings)
    if (value.find_first_of(";\n") != std::string::npos || name.find('=') != std::string::npos)
      return 0;
  const auto again = engines::ParseOptionSettings(engines::FormatOptionSettings(*settings));
  if (!again || *again != *settings) __builtin_trap();
  return 0;
}
