#include "runtime/system/desktop_entry.h"

namespace runtime {

namespace {

constexpr std::string_view kBlanks = " \t";

std::string_view Trimmed(std::string_view s) {
  auto first = s.find_first_not_of(kBlanks);
  if (first == std::string_view::npos) return {};
  return s.substr(first, s.find_last_not_of(kBlanks) - first + 1);
}

// Cuts the next line off `text` (without its "\n" or "\r\n").
std::string_view NextLine(std::string_view& text) {
  auto end = text.find('\n');
  std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  return line;
}

bool HoldsControlCharacter(std::string_view s) {
  for (unsigned char c : s)
    if ((c < 0x20 && c != '\t') || c == 0x7f) return true;
  return false;
}

// The name of a "[name]" line, or nothing when the line is not a group header.
std::optional<std::string_view> GroupName(std::string_view line) {
  if (line.size() < 2 || line.front() != '[' || line.back() != ']') return std::nullopt;
  return line.substr(1, line.size() - 2);
}

// The value of a "key = value" line when its key is `key`.
std::optional<std::string_view> KeyValue(std::string_view line, std::string_view key) {
  auto equals = line.find('=');
  if (equals == std::string_view::npos || Trimmed(line.substr(0, equals)) != key)
    return std::nullopt;
  return Trimmed(line.substr(equals + 1));
}

bool IsDesktopId(std::string_view id) {
  constexpr std::string_view kSuffix = ".desktop";
  return id.size() > kSuffix.size() && id.ends_with(kSuffix) &&
         id.find('/') == std::string_view::npos && !HoldsControlCharacter(id);
}

}  // namespace

std::optional<std::string> DesktopFileValue(std::string_view text, std::string_view group,
                                            std::string_view key) {
  bool inGroup = false;
  while (!text.empty()) {
    std::string_view line = Trimmed(NextLine(text));
    if (line.empty() || line.front() == '#') continue;
    if (auto name = GroupName(line)) {
      inGroup = *name == group;
      continue;
    }
    if (!inGroup) continue;
    if (auto value = KeyValue(line, key)) {
      if (HoldsControlCharacter(*value)) return std::nullopt;
      return std::string(*value);
    }
  }
  return std::nullopt;
}

std::vector<std::string> DefaultApplications(std::string_view mimeappsList,
                                             std::string_view mimeType) {
  std::vector<std::string> ids;
  auto value = DesktopFileValue(mimeappsList, "Default Applications", mimeType);
  if (!value) return ids;
  std::string_view rest = *value;
  while (!rest.empty()) {
    auto end = rest.find(';');
    std::string_view id = Trimmed(rest.substr(0, end));
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    if (IsDesktopId(id)) ids.emplace_back(id);
  }
  return ids;
}

std::optional<std::string> DesktopEntryExec(std::string_view desktopEntry) {
  constexpr std::string_view kGroup = "Desktop Entry";
  if (DesktopFileValue(desktopEntry, kGroup, "Hidden") == "true") return std::nullopt;
  auto exec = DesktopFileValue(desktopEntry, kGroup, "Exec");
  if (!exec || exec->empty()) return std::nullopt;
  return exec;
}

}  // namespace runtime
