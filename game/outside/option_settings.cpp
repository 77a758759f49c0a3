#include "game/outside/option_settings.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <vector>

#include "engine/text_fields.h"

namespace outside {

namespace {

// What a backslash in the options' text takes as it is.
bool IsEscapable(char c) {
  return c == ';' || c == '=' || c == '\\';
}

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

std::string Quoted(std::string_view text) {
  return "“" + std::string(text) + "”";
}

// Where the first of `stops` stands in `text` that no backslash takes as it is.
size_t FindUnescaped(std::string_view text, std::string_view stops) {
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1]))
      ++i;
    else if (stops.find(text[i]) != std::string_view::npos)
      return i;
  }
  return std::string_view::npos;
}

std::string Unescaped(std::string_view text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\\' && i + 1 < text.size() && IsEscapable(text[i + 1])) ++i;
    plain += text[i];
  }
  return plain;
}

std::string Escaped(std::string_view text, std::string_view special) {
  std::string escaped;
  for (char c : text) {
    if (special.find(c) != std::string_view::npos) escaped += '\\';
    escaped += c;
  }
  return escaped;
}

}  // namespace

OptionSettings ReadableOptionSettings(std::string_view text, std::vector<std::string>* unreadable) {
  OptionSettings settings;
  while (!text.empty()) {
    const size_t end = FindUnescaped(text, ";\n");
    const std::string_view item = engine::Trim(text.substr(0, end));
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (item.empty()) continue;
    const size_t equals = FindUnescaped(item, "=");
    const std::string name = Unescaped(engine::Trim(item.substr(0, equals)));
    std::string value;
    if (equals != std::string_view::npos) value = Unescaped(engine::Trim(item.substr(equals + 1)));
    std::string why;
    if (equals == std::string_view::npos || name.empty())
      why = "应写成 名称=值（例如 Hash=64）";
    else if (HasControlCharacter(name) || HasControlCharacter(value))
      why = "含有控制字符，引擎收不了";
    if (why.empty()) {
      settings.emplace_back(name, std::move(value));
    } else if (unreadable != nullptr) {
      unreadable->push_back("选项" + Quoted(item) + why);
    }
  }
  return settings;
}

std::optional<OptionSettings> ParseOptionSettings(std::string_view text, std::string* error) {
  std::vector<std::string> unreadable;
  OptionSettings settings = ReadableOptionSettings(text, &unreadable);
  if (unreadable.empty()) return settings;
  if (error != nullptr) *error = unreadable.front();
  return std::nullopt;
}

std::string FormatOptionSettings(const OptionSettings& settings) {
  std::string text;
  for (const auto& [name, value] : settings) {
    if (!text.empty()) text += "; ";
    text += Escaped(name, "\\;=") + "=" + Escaped(value, "\\;");
  }
  return text;
}

std::optional<std::string> FitOptionValue(const EngineOption& option, std::string_view value,
                                          std::string* word, OutOfRange out_of_range) {
  std::string said;
  std::optional<std::string> fitted;
  value = engine::Trim(value);
  const std::string name = "选项 " + option.name + " ";
  if (HasControlCharacter(value)) {
    said = name + "的值含有换行等控制字符，不用";
  } else if (option.type == "spin") {
    long long number = 0;
    const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (value.empty() || error != std::errc() || end != value.data() + value.size()) {
      said = name + "的值" + Quoted(value) + "不是整数，不用";
    } else {
      const long long low = option.min.value_or(number), high = option.max.value_or(number);
      const long long kept = std::clamp(number, std::min(low, high), std::max(low, high));
      const bool left_out = kept != number && out_of_range == OutOfRange::kLeftOut;
      if (kept != number)
        said = name + "的值 " + std::string(value) + " 超出引擎的范围 " + std::to_string(low) +
               "-" + std::to_string(high) +
               (left_out ? "，不用" : "，改为 " + std::to_string(kept));
      if (!left_out) fitted = std::to_string(kept);
    }
  } else if (option.type == "check") {
    if (SameText(value, "true") || SameText(value, "false"))
      fitted = SameText(value, "true") ? "true" : "false";
    else
      said = name + "的值" + Quoted(value) + "应为 true 或 false，不用";
  } else if (option.type == "combo") {
    const auto it = std::find_if(option.vars.begin(), option.vars.end(),
                                 [value](const std::string& var) { return SameText(var, value); });
    if (it != option.vars.end())
      fitted = *it;
    else
      said = name + "没有" + Quoted(value) + "这一项，不用";
  } else if (option.type == "button") {
    fitted = std::string();
  } else {
    fitted = std::string(value);
  }
  if (word != nullptr) *word = said;
  return fitted;
}

bool SameOptionName(std::string_view a, std::string_view b) {
  return SameText(a, b);
}

bool HasControlCharacter(std::string_view text) {
  return std::any_of(text.begin(), text.end(), [](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (byte < 0x20 && c != '	') || byte == 0x7f;
  });
}

OptionSettings WithSetting(OptionSettings settings, std::string_view name,
                           const std::optional<std::string>& value) {
  auto it = std::find_if(settings.begin(), settings.end(),
                         [name](const auto& setting) { return SameText(setting.first, name); });
  if (!value) {
    if (it != settings.end()) settings.erase(it);
  } else if (it != settings.end()) {
    it->second = *value;
  } else {
    settings.emplace_back(std::string(name), *value);
  }
  return settings;
}

}  // namespace outside
