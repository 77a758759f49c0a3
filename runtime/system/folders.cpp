#include "runtime/system/folders.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace runtime {

namespace {

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

std::string Home() {
  const std::string home = Environment("HOME");
  return home.starts_with('/') ? home : std::string();
}

bool IsFolder(const std::string& path) {
  std::error_code error;
  return !path.empty() && std::filesystem::is_directory(path, error);
}

// XDG_DOCUMENTS_DIR="$HOME/Dokumente" from the user-dirs file, with $HOME expanded.
std::string DocumentsFromUserDirs(const std::string& home) {
  std::string config = Environment("XDG_CONFIG_HOME");
  if (!config.starts_with('/')) config = home + "/.config";
  std::ifstream file(config + "/user-dirs.dirs");
  for (std::string line; std::getline(file, line);) {
    constexpr std::string_view kKey = "XDG_DOCUMENTS_DIR=\"";
    if (!line.starts_with(kKey) || !line.ends_with('"')) continue;
    std::string value = line.substr(kKey.size(), line.size() - kKey.size() - 1);
    if (value.starts_with("$HOME")) value = home + value.substr(5);
    if (value.starts_with('/')) return value;
  }
  return {};
}

}  // namespace

std::string UserDataFolder() {
  const std::string data = Environment("XDG_DATA_HOME");
  if (data.starts_with('/')) return data + "/xiangqi";
  const std::string home = Home();
  return home.empty() ? std::string() : home + "/.local/share/xiangqi";
}

std::string DocumentsFolder() {
  const std::string home = Home();
  if (home.empty()) return {};
  if (std::string named = DocumentsFromUserDirs(home); IsFolder(named)) return named;
  if (IsFolder(home + "/Documents")) return home + "/Documents";
  return home;
}

}  // namespace runtime
