// The games the window kept lately (最近的对局): `recent` lists them, `recent --game N OUT.pgn`
// writes one out.
#include <cstdio>
#include <ctime>
#include <string>

#include "cli/cli.h"
#include "engine/text_fields.h"
#include "game/record/recent_games.h"
#include "runtime/services.h"
#include "runtime/system/files.h"
#include "runtime/system/folders.h"

namespace cli {

namespace {

// One line a game: its number, when it was kept, its plies, its result and its first moves.
void List(const std::vector<record::RecentGame>& games) {
  for (size_t i = 0; i < games.size(); ++i) {
    char when[32];
    std::tm local{};
    localtime_r(&games[i].saved, &local);
    std::strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", &local);
    const record::RecentSummary summary = record::Summarize(games[i]);
    if (!summary.readable) {
      std::printf("%zu %s unreadable %s\n", i + 1, when, games[i].path.c_str());
      continue;
    }
    std::string first;
    for (size_t m = 0; m < summary.moves.size() && m < 6; ++m)
      first.append(" ").append(engine::ToIccs(summary.moves[m]));
    std::printf("%zu %s %zu %s%s\n", i + 1, when, summary.moves.size(), summary.result.c_str(),
                first.c_str());
  }
}

int RecentCommand(const Arguments& args) {
  std::string error;
  const std::optional<Options> options = SplitOptions(args, {"--game"}, error);
  if (!options) return Refuse(error);
  const record::RecentGames store(runtime::UserDataFolder() + "/recent");
  const std::vector<record::RecentGame> games = store.List();
  const std::optional<std::string> number = options->Get("--game");
  if (!number) {
    if (!options->positional.empty()) return Refuse("recent takes --game N OUT.pgn to write one");
    List(games);
    return 0;
  }
  if (options->positional.size() != 1) return Refuse("recent --game N takes one OUT.pgn");
  const std::optional<int64_t> n = engine::ParseNumber(*number, 1, int64_t(games.size()));
  if (!n) return Refuse("no kept game numbered " + *number);
  const std::optional<std::string> text = record::RecentGames::Read(games[size_t(*n - 1)]);
  if (!text) return Refuse("the kept game cannot be read: " + runtime::LastFileFailure());
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text->data()),
                                       text->size());
  const std::span<const uint8_t> parts[] = {bytes};
  if (!runtime::ReplaceFile(options->positional.front(), parts))
    return Refuse(options->positional.front() + ": " + runtime::LastFileFailure());
  return 0;
}

const Registration kRecent("recent", "recent [--game N OUT.pgn]  (the games the window kept)",
                           RecentCommand);

}  // namespace

}  // namespace cli
