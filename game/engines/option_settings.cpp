#include "game/engines/option_settings.h"

namespace engines {

namespace {

std::string_view Trimmed(std::string_view text) {
  constexpr std::string_view kBlanks = " \t\r\f\v";
  const size_t first = text.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
}

}  // namespace

std::optional<OptionSettings> ParseOptionSettings(std::string_view text, std::string* error) {
  OptionSettings settings;
  while (!text.empty()) {
    const size_t end = text.find_first_of(";\n");
    const std::string_view item = Trimmed(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (item.empty()) continue;
    const size_t equals = item.find('=');
    const std::string_view name = Trimmed(item.substr(0, equals));
    if (equals == std::string_view::npos || name.empty()) {
      if (error != nullptr)
        *error = "选项“" + std::string(item) + "”应写成 名称=值（例如 Hash=64）";
      return std::nullopt;
    }
    settings.emplace_back(std::string(name), std::string(Trimmed(item.substr(equals + 1))));
  }
  return settings;
}

std::string FormatOptionSettings(const OptionSettings& settings) {
  std::string text;
  for (const auto& [name, value] : settings) {
    if (!text.empty()) text += "; ";
    text += name + "=" + value;
  }
  return text;
}

}  // namespace engines
