// Fields of text as every reader of the program takes them: whole numbers within bounds and words
// without the blanks around them. Standard C++, so the protocols, the command lines and the game
// read them alike.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace engine {

// A whole decimal number (an optional '-') within [low, high], nothing before or after it;
// nothing otherwise, also for more digits than a 64-bit number holds.
std::optional<int64_t> ParseNumber(std::string_view text, int64_t low, int64_t high);
// `text` without blanks (space, tab, carriage return, line feed, form feed, vertical tab) at
// either end.
std::string_view Trim(std::string_view text);
// The words of `text`, separated by runs of those blanks.
std::vector<std::string_view> SplitWords(std::string_view text);
// The fields of `text` between each `separator` (an empty text has one empty field).
std::vector<std::string_view> SplitOn(std::string_view text, char separator);

// Reads a parameter text of "name value" lines: blank lines and text from '#' are skipped, and
// `take` gets each other line's name and value (blanks around them removed) and answers with a
// reason to refuse it, or nothing. Returns the first refusal as "line N: reason" (a line without
// a value is refused here), or nothing when every line was taken.
using NameValueTaker =
    std::function<std::optional<std::string>(std::string_view name, std::string_view value)>;
std::optional<std::string> ReadNameValueLines(std::string_view text, const NameValueTaker& take);

// A set of `count` named whole numbers, entry i called name(i) and kept within [low(i), high(i)].
struct NumberSetLayout {
  int count;
  std::function<std::string_view(int)> name;
  std::function<int64_t(int)> low, high;
};
// Reads that text into `values` (the set's `count` entries; names not given keep theirs): an
// unknown name, one given twice, or a value that is no whole number within its range is refused,
// as ReadNameValueLines says.
std::optional<std::string> ReadNumberSet(std::string_view text, const NumberSetLayout& layout,
                                         int32_t* values);

}  // namespace engine
