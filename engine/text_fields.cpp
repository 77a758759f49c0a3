#include "engine/text_fields.h"

#include <vector>

namespace engine {

namespace {
constexpr std::string_view kBlanks = " \t\r\n\f\v";
}

std::optional<int64_t> ParseNumber(std::string_view text, int64_t low, int64_t high) {
  const bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty() || text.size() > 18) return std::nullopt;
  int64_t value = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + (c - '0');
  }
  if (negative) value = -value;
  if (value < low || value > high) return std::nullopt;
  return value;
}

std::string_view Trim(std::string_view text) {
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

std::vector<std::string_view> SplitWords(std::string_view text) {
  std::vector<std::string_view> words;
  for (size_t start = text.find_first_not_of(kBlanks); start != std::string_view::npos;) {
    const size_t end = text.find_first_of(kBlanks, start);
    words.push_back(text.substr(start, end - start));
    start = end == std::string_view::npos ? end : text.find_first_not_of(kBlanks, end);
  }
  return words;
}

std::vector<std::string_view> SplitOn(std::string_view text, char separator) {
  std::vector<std::string_view> fields;
  for (size_t start = 0;;) {
    const size_t end = text.find(separator, start);
    fields.push_back(text.substr(start, end - start));
    if (end == std::string_view::npos) return fields;
    start = end + 1;
  }
}

std::optional<std::string> ReadNameValueLines(std::string_view text, const NameValueTaker& take) {
  int line_number = 0;
  while (!text.empty()) {
    ++line_number;
    size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    line = Trim(line.substr(0, line.find('#')));
    if (line.empty()) continue;
    size_t blank = line.find_first_of(" \t");
    std::optional<std::string> refused;
    if (blank == std::string_view::npos)
      refused = "expected \"name value\"";
    else
      refused = take(line.substr(0, blank), Trim(line.substr(blank)));
    if (refused) return "line " + std::to_string(line_number) + ": " + *refused;
  }
  return std::nullopt;
}

std::optional<std::string> ReadNumberSet(std::string_view text, const NumberSetLayout& layout,
                                         int32_t* values) {
  std::vector<bool> seen(layout.count);
  return ReadNameValueLines(
      text, [&](std::string_view name, std::string_view number) -> std::optional<std::string> {
        int index = -1;
        for (int i = 0; i < layout.count && index < 0; ++i)
          if (layout.name(i) == name) index = i;
        if (index < 0) return "unknown parameter " + std::string(name);
        if (seen[index]) return "parameter " + std::string(name) + " given twice";
        seen[index] = true;
        const int64_t low = layout.low(index), high = layout.high(index);
        auto value = ParseNumber(number, low, high);
        if (!value)
          return "the value of " + std::string(name) + " must be a whole number from " +
                 std::to_string(low) + " to " + std::to_string(high);
        values[index] = int32_t(*value);
        return std::nullopt;
      });
}

}  // namespace engine
