// The player's few lasting choices (the computer's level and the rules, the outside engines),
// kept between runs in the user's configuration folder. Nothing else of the program is
// remembered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// The remembered number under `key`, or nothing when it was never written or is not a number.
std::optional<int32_t> ReadSetting(std::string_view key);
// Remembers `value` under `key` at once, so a program that ends abruptly keeps it.
void WriteSetting(std::string_view key, int32_t value);

// The remembered text (UTF-8) under `key`, or nothing when it was never written. A text someone
// wrote into the file by hand with commas outside quotes is read whole ("a, b").
std::optional<std::string> ReadTextSetting(std::string_view key);
// Remembers `value` under `key` at once; nothing forgets the key.
void WriteTextSetting(std::string_view key, std::optional<std::string> value);

// Keeps the settings in this INI file instead of the user's configuration folder (tests use a
// temporary one); an empty path goes back to the usual place.
void UseSettingsFile(const std::string& path);

}  // namespace runtime
