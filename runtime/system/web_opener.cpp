#include "runtime/system/web_opener.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "runtime/system/desktop_entry.h"
#include "runtime/system/files.h"

namespace runtime {

namespace {

bool OpenThroughDesktop(const std::string& address) {
  // QDesktopServices asks the platform plugin, which exists only with a GUI application.
  if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr) return false;
  return QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromStdString(address)));
}

bool StartDetached(const std::string& command) {
  QStringList words = QProcess::splitCommand(QString::fromStdString(command));
  if (words.isEmpty()) return false;
  QString program = words.takeFirst();
  return QProcess::startDetached(program, words);
}

AddressOpener& Opener() {
  static AddressOpener opener;
  return opener;
}

CommandStarter& Starter() {
  static CommandStarter starter;
  return starter;
}

// Where a placeholder begins in an Exec command, with its opening quotation mark.
std::size_t PlaceholderStart(std::string_view exec) {
  constexpr std::string_view kCodes = "uUfF";
  for (std::size_t i = 0; i + 1 < exec.size(); ++i) {
    if (exec[i] != '%') continue;
    if (exec[i + 1] == '%') {
      ++i;
      continue;
    }
    if (kCodes.find(exec[i + 1]) == std::string_view::npos) continue;
    return i > 0 && exec[i - 1] == '"' ? i - 1 : i;
  }
  return exec.size();
}

std::string Environment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr ? value : "";
}

// The absolute folders of a colon-separated list; the base directory rules ignore relative ones.
std::vector<std::string> AbsoluteFolders(const std::string& list) {
  std::vector<std::string> folders;
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = std::min(list.find(':', start), list.size());
    std::string folder = list.substr(start, end - start);
    if (folder.starts_with('/')) folders.push_back(folder);
    start = end + 1;
  }
  return folders;
}

// A single base folder such as XDG_CONFIG_HOME, or its default under the home folder.
std::vector<std::string> HomeFolder(const char* variable, const char* underHome) {
  std::string folder = Environment(variable);
  if (folder.starts_with('/')) return {folder};
  std::string home = Environment("HOME");
  if (!home.starts_with('/')) return {};
  return {home + "/" + underHome};
}

// A folder list such as XDG_DATA_DIRS, or its default when it names no usable folder.
std::vector<std::string> FolderList(const char* variable, const char* defaults) {
  auto folders = AbsoluteFolders(Environment(variable));
  return folders.empty() ? AbsoluteFolders(defaults) : folders;
}

std::vector<std::string> DataFolders() {
  auto folders = HomeFolder("XDG_DATA_HOME", ".local/share");
  for (auto& folder : FolderList("XDG_DATA_DIRS", "/usr/local/share:/usr/share"))
    folders.push_back(folder);
  return folders;
}

std::vector<std::string> CurrentDesktops() {
  std::vector<std::string> names;
  std::string list = Environment("XDG_CURRENT_DESKTOP");
  std::size_t start = 0;
  while (start < list.size()) {
    std::size_t end = std::min(list.find(':', start), list.size());
    std::string name = list.substr(start, end - start);
    for (char& c : name) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (!name.empty() && name.find('/') == std::string::npos) names.push_back(name);
    start = end + 1;
  }
  return names;
}

// The mimeapps.list files, the most important first.
std::vector<std::string> MimeappsLists() {
  std::vector<std::string> folders = HomeFolder("XDG_CONFIG_HOME", ".config");
  for (auto& folder : FolderList("XDG_CONFIG_DIRS", "/etc/xdg")) folders.push_back(folder);
  for (auto& folder : DataFolders()) folders.push_back(folder + "/applications");
  std::vector<std::string> desktops = CurrentDesktops();
  std::vector<std::string> files;
  for (auto& folder : folders) {
    for (auto& desktop : desktops) files.push_back(folder + "/" + desktop + "-mimeapps.list");
    files.push_back(folder + "/mimeapps.list");
  }
  return files;
}

// A small text file's content; these files are a few kilobytes, so anything huge is not one.
std::optional<std::string> ReadSmallFile(const std::string& path) {
  constexpr std::uintmax_t kLargest = 1 << 20;
  std::error_code error;
  auto size = std::filesystem::file_size(path, error);
  std::vector<uint8_t> bytes;
  if (error || size > kLargest || !ReadWholeFile(path, bytes)) return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

std::optional<std::string> InstalledEntryExec(const std::string& id,
                                              const std::vector<std::string>& dataFolders) {
  for (auto& folder : dataFolders) {
    if (auto entry = ReadSmallFile(folder + "/applications/" + id)) return DesktopEntryExec(*entry);
  }
  return std::nullopt;
}

}  // namespace

void SetDesktopOpener(AddressOpener opener) {
  Opener() = std::move(opener);
}

void SetCommandStarter(CommandStarter starter) {
  Starter() = std::move(starter);
}

std::string BrowserCommand(std::string_view exec, std::string_view address) {
  std::string_view kept = exec.substr(0, PlaceholderStart(exec));
  kept = kept.substr(0, kept.find_last_not_of(" \t") + 1);
  std::string command(kept);
  command += ' ';
  command += address;
  return command;
}

std::optional<std::string> DefaultBrowserExec() {
  const std::vector<std::string> lists = MimeappsLists();
  const std::vector<std::string> dataFolders = DataFolders();
  for (std::string_view type : {"x-scheme-handler/https", "x-scheme-handler/http", "text/html"}) {
    for (auto& list : lists) {
      auto text = ReadSmallFile(list);
      if (!text) continue;
      for (auto& id : DefaultApplications(*text, type)) {
        if (auto exec = InstalledEntryExec(id, dataFolders)) return exec;
      }
    }
  }
  return std::nullopt;
}

bool OpenWebAddress(const std::string& address) {
  if (address.empty()) return false;
  if (Opener() ? Opener()(address) : OpenThroughDesktop(address)) return true;
  auto exec = DefaultBrowserExec();
  if (!exec) return false;
  std::string command = BrowserCommand(*exec, address);
  return Starter() ? Starter()(command) : StartDetached(command);
}

}  // namespace runtime
