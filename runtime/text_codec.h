// Texts are GB18030 byte strings (the same bytes as GBK for every GBK character). These are the
// only conversions to and from Unicode; they happen where text meets the system.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace runtime {

// Nothing when the input is not a valid sequence of its encoding.
std::optional<std::string> GbToUtf8(std::string_view gb);
std::optional<std::string> Utf8ToGb(std::string_view utf8);

// For the program's own literals, written in UTF-8 in the source: always convertible.
std::string Gb(std::string_view utf8);
// For showing any text: undecodable bytes become U+FFFD.
std::string GbToUtf8Lossy(std::string_view gb);

}  // namespace runtime
