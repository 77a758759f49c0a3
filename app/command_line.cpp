#include "app/command_line.h"

#include <cstdio>

#include "app/options.h"
#include "engine/levels.h"
#include "engine/text_fields.h"

#ifndef XQ_VERSION
#define XQ_VERSION "0"
#endif

namespace app {

namespace {

CommandLine Refused(std::string error) {
  CommandLine line;
  line.action = CommandLine::Action::kRefuse;
  line.error = std::move(error);
  return line;
}

// A whole decimal number from 1 to 8, nothing before or after it.
std::optional<int> LevelOf(std::string_view text) {
  const std::optional<int64_t> level =
      engine::ParseNumber(text, engine::kMinLevel, engine::kMaxLevel);
  return level ? std::optional<int>(int(*level)) : std::nullopt;
}

// `text` and blanks after it up to `columns` columns, a CJK character taking two.
std::string Padded(std::string_view text, size_t columns) {
  size_t width = 0;
  for (unsigned char c : text) {
    if (c < 0x80)
      width += 1;
    else if (c >= 0xC0)
      width += 2;  // the lead byte of a wide character
  }
  return "  " + std::string(text) + std::string(width < columns ? columns - width : 1, ' ');
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  static constexpr KnownOption kOptions[] = {
      {"--help", false, "-h"}, {"--version", false, "-V"}, {"--black", false},
      {"--level", true},       {"--engine", true},         {"--fen", true},
      {"--resume", false},
  };
  std::string error;
  const std::optional<ReadOptions> read = ReadCommandLine(args, kOptions, &error);
  if (!read) return Refused(error);
  CommandLine line;
  // The first of --help and --version wins, as it does for the GNU tools.
  for (const auto& [name, value] : read->named) {
    if (line.action != CommandLine::Action::kPlay) break;
    if (name == "--help") line.action = CommandLine::Action::kHelp;
    if (name == "--version") line.action = CommandLine::Action::kVersion;
  }
  line.black = read->Has("--black");
  if (const std::optional<std::string> level = read->Get("--level")) {
    line.level = LevelOf(*level);
    if (!line.level) return Refused("invalid level '" + *level + "': a number from 1 to 8");
  }
  if (const std::optional<std::string> command = read->Get("--engine")) {
    if (command->find_first_not_of(" \t") == std::string::npos)
      return Refused("option '--engine' needs the engine's command line");
    line.engine = *command;
  }
  line.fen = read->Get("--fen");
  line.resume = read->Has("--resume");
  if (read->operands.size() > 1) return Refused("only one record can be opened");
  if (!read->operands.empty()) line.record = read->operands.front();
  return line;
}

std::string UsageText(std::string_view program, std::string_view keys) {
  std::string text = "Usage: " + std::string(program) + " [OPTION]... [RECORD.ces | GAME.pgn]\n";
  text +=
      "Play xiangqi (Chinese chess, 象棋) against the computer; RECORD opens a saved position,\n"
      "GAME a game saved as PGN (.pgn), XQF (.xqf) or DhtmlXQ (.txt, .dhtml); a file of\n"
      "several games offers a list.\n"
      "\n"
      "Options:\n"
      "  --level N      the computer's level for this run, 1 (weakest) to 8 (strongest)\n"
      "  --black        play black for this run: the computer has red and moves first\n"
      "  --engine CMD   an outside UCI or UCCI engine, started as CMD, plays the computer's\n"
      "                 moves for this run, at every level\n"
      "  --fen FEN      start from this position (quote it); refused with its reasons when\n"
      "                 no game can reach it\n"
      "  --resume       go on with the game played last (the newest of 最近的对局)\n"
      "  -h, --help     show this help and exit\n"
      "  -V, --version  show the version and exit\n"
      "\n"
      "On the board:\n"
      "  left button    select a piece, then click where it goes\n"
      "  right button   open the board's menu\n";
  for (std::string_view rest = keys; !rest.empty();) {
    const std::string_view line = rest.substr(0, rest.find('\n'));
    rest.remove_prefix(std::min(rest.size(), line.size() + 1));
    const std::vector<std::string_view> fields = engine::SplitOn(line, '\t');
    if (fields.size() != 3) continue;
    text += Padded(fields[0], 15) + Padded(fields[1], 10) + std::string(fields[2]) + "\n";
  }
  text +=
      "  Escape                   quit\n"
      "\n"
      "Exit status: 0 after a normal end, 2 for a wrong command line.\n";
  return text;
}

std::string VersionText() {
  return "xiangqi " XQ_VERSION "\n";
}

std::optional<int> AnswerWithoutWindow(const CommandLine& line, std::string_view program,
                                       std::string_view keys) {
  switch (line.action) {
    case CommandLine::Action::kHelp:
      std::fputs(UsageText(program, keys).c_str(), stdout);
      return 0;
    case CommandLine::Action::kVersion:
      std::fputs(VersionText().c_str(), stdout);
      return 0;
    case CommandLine::Action::kRefuse:
      std::fprintf(stderr, "%.*s: %s\n", int(program.size()), program.data(), line.error.c_str());
      std::fputs(UsageText(program, keys).c_str(), stderr);
      return 2;
    case CommandLine::Action::kPlay:
      break;
  }
  return std::nullopt;
}

}  // namespace app
