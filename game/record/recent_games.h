// The games played lately, kept on their own so that none is lost by accident: one PGN file a
// game in a folder of the user's data (written through the safe replacement, so a crash leaves
// the earlier copy whole), the newest 50 kept. A file that does not read is listed as such and
// hides nothing else.
#pragma once

#include <cstddef>
#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/position.h"

namespace record {

inline constexpr size_t kRecentGamesKept = 50;

struct RecentGame {
  std::string id;
  std::string path;
  std::time_t saved = 0;  // when it was last written
  long savedNs = 0;       // and the nanoseconds of that second
};

class RecentGames {
 public:
  explicit RecentGames(std::string folder, size_t kept = kRecentGamesKept);

  // Writes game `id` (an id from NewRecentId) as `pgn`, over its earlier copy, and lets the
  // oldest games beyond the number kept go. False, the reason in runtime::LastFileFailure, when it
  // cannot be written.
  bool Keep(const std::string& id, std::string_view pgn) const;
  // The games kept, the newest first.
  std::vector<RecentGame> List() const;
  // A game's text, or nothing when it cannot be read.
  static std::optional<std::string> Read(const RecentGame& game);

  const std::string& Folder() const { return folder_; }

 private:
  std::string folder_;
  size_t kept_;
};

// What a list of the games says of one: its players, result and moves; `readable` false when the
// file cannot be read as a game.
struct RecentSummary {
  bool readable = false;
  std::string red, black, result;
  std::vector<engine::Move> moves;
  std::string text;  // the file's text
};
RecentSummary Summarize(const RecentGame& game);

// A name for a game not kept before: the time it began and a number, unique in this process.
std::string NewRecentId();

}  // namespace record
