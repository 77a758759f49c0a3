// The game record without a window: one move in any notation, and the games of a PGN file.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>

#include "cli/cli.h"
#include "engine/position.h"
#include "game/record/notation.h"
#include "game/record/pgn.h"

namespace cli {

std::optional<record::Notation> NotationNamed(const std::string& name) {
  if (name == "chinese") return record::Notation::kChinese;
  if (name == "wxf") return record::Notation::kWxf;
  if (name == "iccs") return record::Notation::kIccs;
  if (name == "xboard") return record::Notation::kXboard;
  return std::nullopt;
}

namespace {

// notation FEN MOVE [--format chinese|wxf|iccs|xboard]: the move, read in any notation, written
// in the one asked for (Chinese by default).
int NotationCommand(const Arguments& args) {
  if (args.size() != 2 && !(args.size() == 4 && args[2] == "--format"))
    return Refuse("usage: notation FEN MOVE [--format chinese|wxf|iccs|xboard]");
  auto notation = args.size() == 4 ? NotationNamed(args[3]) : record::Notation::kChinese;
  if (!notation) return Refuse("unknown notation " + args[3]);
  std::string error;
  auto pos =
      args[0] == "startpos" ? engine::Position() : engine::Position::FromFen(args[0], &error);
  if (!pos) return Refuse("not a position: " + error);
  record::MoveReading reading = record::ReadMove(*pos, args[1]);
  if (!reading.move) return Refuse("着法 " + args[1] + " " + record::MoveErrorText(reading.error));
  std::printf("%s\n", record::WriteMove(*pos, *reading.move, *notation).c_str());
  return 0;
}

// pgn FILE [--game N]: the N-th game's tags, its moves in ICCS on one line and its last position
// as a FEN; "FILE:LINE: reason" and status 1 for a file that cannot be used.
int PgnCommand(const Arguments& args) {
  if (args.size() != 1 && !(args.size() == 3 && args[1] == "--game"))
    return Refuse("usage: pgn FILE [--game N]");
  size_t number = 1;
  if (args.size() == 3) {
    char* end = nullptr;
    unsigned long n = std::strtoul(args[2].c_str(), &end, 10);
    if (*end != '\0' || n == 0 || args[2][0] == '-') return Refuse("not a game number: " + args[2]);
    number = n;
  }
  std::ifstream in(args[0], std::ios::binary);
  std::stringstream bytes;
  if (in.is_open()) bytes << in.rdbuf();
  if (!in.is_open() || in.bad()) {
    std::fprintf(stderr, "%s: 读不出这个文件\n", args[0].c_str());
    return 1;
  }
  record::PgnError error;
  auto file = record::PgnFile::Open(bytes.str(), &error);
  std::optional<record::PgnGame> game;
  if (file && number > file->GameCount())
    return Refuse(args[0] + " has " + std::to_string(file->GameCount()) + " games");
  if (file) game = file->Game(number - 1, &error);
  if (!game) {
    std::fprintf(stderr, "%s:%d: %s\n", args[0].c_str(), error.line, error.reason.c_str());
    return 1;
  }
  for (const auto& [name, value] : game->tags.All())
    std::printf("[%s \"%s\"]\n", name.c_str(), value.c_str());
  std::string moves;
  for (engine::Move m : game->moves) {
    if (!moves.empty()) moves += ' ';
    moves += engine::ToIccs(m);
  }
  std::printf("%s\n%s\n", moves.c_str(), game->Final().Fen().c_str());
  return 0;
}

const Registration kNotation("notation", "notation FEN MOVE [--format chinese|wxf|iccs|xboard]",
                             NotationCommand);
const Registration kPgn("pgn", "pgn FILE [--game N]", PgnCommand);

}  // namespace

}  // namespace cli
