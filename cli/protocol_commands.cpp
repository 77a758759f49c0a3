// The engine in the protocols of other programs: `xiangqi-cli ucci`, `uci` and `xboard` read
// commands on standard input and answer on standard output until "quit" or the end of input.
// Levels 1 and 2 are the game's own two-ply search, which is reached from here.
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <iostream>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "engine/levels.h"
#include "engine/protocol.h"
#include "game/play/engine_bridge.h"
#include "game/twoply/position_text.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"

namespace cli {

namespace {

// The game's search always plays the side above (the Computer's): for the side to move here, the
// board is seen from its opponent's side, as for a Human of the other colour.
std::optional<engine::Move> GameSearch(const engine::Position& pos, int level) {
  const twoply::Colour human =
      pos.SideToMove() == engine::kRed ? twoply::Colour::kBlack : twoply::Colour::kRed;
  const std::string fen = pos.Fen();
  std::string error;
  auto parsed = twoply::ParseFen(fen.substr(0, fen.find(' ')), error);
  if (!parsed) return std::nullopt;
  static const bool loaded = (twoply::LoadEvaluationTables(), true);
  (void)loaded;
  twoply::SearchDepth = static_cast<int16_t>(engine::TwoPlyDepth(level));
  twoply::Board = game::RedBelow(parsed->board, human);
  twoply::ComputerChoice choice = twoply::ChooseComputerMove();
  if (!choice.searched || !choice.moved) return std::nullopt;
  return game::ToEngineMove(choice.move, human);
}

// The largest table an interface may ask for: three quarters of this machine's memory, so that
// filling the table cannot push the rest of the system out to swap.
size_t LargestHashMb() {
  long pages = sysconf(_SC_PHYS_PAGES), page_size = sysconf(_SC_PAGE_SIZE);
  if (pages <= 0 || page_size <= 0) return 1024;
  size_t mb = size_t(pages) / 1024 * size_t(page_size) / 1024;
  return std::clamp<size_t>(mb / 4 * 3, 16, engine::kMaxHashMb);
}

engine::ProtocolSetup Setup() {
  engine::ProtocolSetup setup;
  setup.shallow = GameSearch;
  setup.max_hash_mb = LargestHashMb();
  return setup;
}

// The only arguments a session takes: "--params FILE" and "--search-params FILE", evaluation
// and search parameters to play with (so a tuned set can be matched before it is compiled in).
// Empty when the arguments are fine.
std::optional<std::string> SessionArgumentsRefused(const char* name, const Arguments& args) {
  if (args.empty()) return std::nullopt;
  std::string error;
  auto options = SplitOptions(args, {"--params", "--search-params"}, error);
  if (!options || !options->positional.empty())
    return std::string(name) +
           " takes only --params FILE and --search-params FILE; it reads commands on standard "
           "input";
  if (!LoadParamsOptions(*options, error)) return error;
  return std::nullopt;
}

int UcciCommand(const Arguments& args) {
  if (auto refused = SessionArgumentsRefused("ucci", args)) return Refuse(*refused);
  engine::RunUcci(std::cin, std::cout, Setup());
  return 0;
}

int UciCommand(const Arguments& args) {
  if (auto refused = SessionArgumentsRefused("uci", args)) return Refuse(*refused);
  engine::RunUci(std::cin, std::cout, Setup());
  return 0;
}

int XboardCommand(const Arguments& args) {
  if (auto refused = SessionArgumentsRefused("xboard", args)) return Refuse(*refused);
  // An interface may interrupt its engine before it has read "sigint=0"; that must not end it.
  std::signal(SIGINT, SIG_IGN);
  engine::RunXboard(std::cin, std::cout, Setup());
  return 0;
}

const Registration kUcci(
    "ucci", "ucci [--params FILE] [--search-params FILE]   (UCCI session on standard input)",
    UcciCommand);
const Registration kUci("uci",
                        "uci [--params FILE] [--search-params FILE]    (UCI session, xiangqi)",
                        UciCommand);
const Registration kXboard(
    "xboard", "xboard [--params FILE] [--search-params FILE] (xboard/CECP v2 session, xiangqi)",
    XboardCommand);

}  // namespace

}  // namespace cli
