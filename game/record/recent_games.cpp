#include "game/record/recent_games.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <span>

#include "game/record/pgn.h"
#include "runtime/system/files.h"

namespace record {

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kExtension = ".pgn";

// Only names NewRecentId makes: a file a person put there, or a temporary file of a write that
// was cut short, is none of ours.
bool OurName(const std::string& name) {
  if (!name.ends_with(kExtension) || name.size() <= kExtension.size()) return false;
  return std::all_of(name.begin(), name.end() - std::ptrdiff_t(kExtension.size()),
                     [](char c) { return (c >= '0' && c <= '9') || c == '-'; });
}

}  // namespace

RecentGames::RecentGames(std::string folder, size_t kept)
    : folder_(std::move(folder)), kept_(kept) {}

bool RecentGames::Keep(const std::string& id, std::string_view pgn) const {
  std::error_code error;
  fs::create_directories(folder_, error);
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(pgn.data()), pgn.size());
  const std::span<const uint8_t> parts[] = {bytes};
  if (!runtime::ReplaceFile(folder_ + "/" + id + std::string(kExtension), parts)) return false;
  const std::vector<RecentGame> games = List();
  for (size_t i = kept_; i < games.size(); ++i) fs::remove(games[i].path, error);
  return true;
}

std::vector<RecentGame> RecentGames::List() const {
  std::vector<RecentGame> games;
  std::error_code error;
  for (fs::directory_iterator it(folder_, error), end; !error && it != end; it.increment(error)) {
    const std::string name = it->path().filename().string();
    if (!OurName(name) || !it->is_regular_file(error)) continue;
    struct stat status {};
    if (stat(it->path().c_str(), &status) != 0) continue;
    games.push_back({name.substr(0, name.size() - kExtension.size()), it->path().string(),
                     status.st_mtim.tv_sec, status.st_mtim.tv_nsec});
  }
  // The newest first; of two written at the same moment, the later name.
  std::sort(games.begin(), games.end(), [](const RecentGame& a, const RecentGame& b) {
    if (a.saved != b.saved) return a.saved > b.saved;
    if (a.savedNs != b.savedNs) return a.savedNs > b.savedNs;
    return a.id > b.id;
  });
  return games;
}

std::optional<std::string> RecentGames::Read(const RecentGame& game) {
  std::vector<uint8_t> bytes;
  if (!runtime::ReadWholeFile(game.path, bytes)) return std::nullopt;
  return std::string(bytes.begin(), bytes.end());
}

RecentSummary Summarize(const RecentGame& game) {
  RecentSummary summary;
  const std::optional<std::string> text = RecentGames::Read(game);
  if (!text) return summary;
  summary.text = *text;
  PgnError error;
  const std::optional<PgnFile> file = PgnFile::Open(*text, &error);
  if (!file || file->GameCount() == 0) return summary;
  const std::optional<PgnGame> read = file->Game(0, &error);
  if (!read) return summary;
  summary.readable = true;
  summary.red = read->tags.Get("Red");
  summary.black = read->tags.Get("Black");
  summary.result = read->result;
  summary.moves = read->moves;
  return summary;
}

std::string NewRecentId() {
  static std::atomic<unsigned> count{0};
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
  return std::string(stamp) + "-" + std::to_string(getpid()) + "-" + std::to_string(++count);
}

}  // namespace record
