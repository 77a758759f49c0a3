// The program's command line, read before anything needs the window system: --help and --version
// answer in a terminal without a display, --level picks the computer's strength and --black the
// Human's colour for one run, --engine an outside engine as the opponent, and a file name is a
// record (.ces) or a game (.pgn, .xqf, .txt or .dhtml) to open once the main window exists.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace app {

struct CommandLine {
  enum class Action {
    kPlay,     // start the game
    kHelp,     // print the usage on standard output, exit 0
    kVersion,  // print the version on standard output, exit 0
    kRefuse,   // print `error` and the usage on standard error, exit 2
  };
  Action action = Action::kPlay;
  std::optional<int> level;           // --level N, 1..8
  bool black = false;                 // --black: the Human plays black this run
  std::optional<std::string> engine;  // --engine COMMAND: an outside engine plays this run
  std::optional<std::string> fen;     // --fen FEN: the first game starts from this position
  bool resume = false;                // --resume: the first game is the newest kept one
  std::optional<std::string> record;  // a record to open at start
  std::string error;                  // why the command line was refused
};

// Reads the arguments after the program's name. Options as GNU programs take them: "--level N"
// or "--level=N", "--" ends the options, "-" alone and everything after "--" are file names.
CommandLine ParseCommandLine(std::span<const std::string_view> args);

// The text --help prints: the usage, the options and the keys of the board's menu, which `keys`
// lists one a line as "KEY<tab>ITEM<tab>what it does" (the window's menu list).
std::string UsageText(std::string_view program, std::string_view keys);
// The text --version prints.
std::string VersionText();

// What the entry routine does with a parsed command line that is not to start the game: prints
// the texts and returns the exit status. Returns nothing for a command line that plays.
std::optional<int> AnswerWithoutWindow(const CommandLine& line, std::string_view program,
                                       std::string_view keys);

}  // namespace app
