// Fields of text as every reader of the program takes them: whole numbers within bounds and words
// without the blanks around them. Standard C++, so the protocols, the command lines and the game
// read them alike.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace engine {

// A whole decimal number (an optional '-') within [low, high], nothing before or after it;
// nothing otherwise, also for more digits than a 64-bit number holds.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t low, int64_t high);
// `text` without blanks (space, tab, carriage return, line feed, form feed, vertical tab) at
// either end.
std::string_view Trim(std::string_view text);

}  // namespace engine
