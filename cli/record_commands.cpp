// The game record without a window: one move in any notation, the games of a file (PGN, XQF or
// DhtmlXQ, found from the content) listed or printed, and a game converted from one format to
// another with its whole tree.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "cli/cli.h"
#include "engine/position.h"
#include "engine/text_fields.h"
#include "game/record/dhtmlxq.h"
#include "game/record/game_list.h"
#include "game/record/notation.h"
#include "game/record/pgn.h"
#include "game/record/xqf.h"

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

// "FILE:LINE: reason", or "FILE: reason" for a place that is not a line, on standard error;
// the status of a file that cannot be used.
int BadFile(const std::string& path, const record::ReadError& error) {
  if (error.line > 0)
    std::fprintf(stderr, "%s:%d: %s\n", path.c_str(), error.line, error.reason.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", path.c_str(), error.reason.c_str());
  return 1;
}

std::optional<record::GameList> OpenList(const std::string& path, int* status) {
  std::string why;
  auto bytes = record::ReadGameFile(path, &why);
  record::ReadError error{0, why};
  std::optional<record::GameList> list;
  if (bytes) list = record::GameList::Open(std::move(*bytes), &error);
  if (!list) *status = BadFile(path, error);
  return list;
}

// The N-th game (from 1) of --game, 1 without it; nothing after a refusal.
std::optional<size_t> GameNumber(const std::optional<std::string>& text, size_t count,
                                 const std::string& path, int* status) {
  auto number = text ? engine::ParseNumber(*text, 1, 1 << 30) : std::optional<int64_t>(1);
  if (!number) *status = Refuse("not a game number: " + *text);
  else if (size_t(*number) > count)
    *status = Refuse(path + " has " + std::to_string(count) + " games");
  else
    return size_t(*number - 1);
  return std::nullopt;
}

// A game that reads whole; anything less is refused with where and why.
std::optional<record::GameTree> WholeGame(const record::GameList& list, size_t index,
                                          const std::string& path, int* status) {
  record::ReadError error;
  auto game = list.Game(index, &error);
  if (game && game->problems.empty()) return std::move(game->tree);
  *status = BadFile(path, game ? game->problems.front() : error);
  return std::nullopt;
}

// One line a game: number, red, black, result, event, date and plies, tab-separated, then what
// is wrong with it ("bad LINE: reason"); a game that cannot be opened at all shows only that.
void ListGames(const record::GameList& list) {
  for (size_t i = 0; i < list.Count(); ++i) {
    record::ReadError error;
    auto game = list.Game(i, &error);
    std::string line = std::to_string(i + 1);
    auto field = [&line](const std::string& text) {
      line.append("\t").append(text.empty() ? std::string("?") : text);
    };
    auto bad = [&field](const record::ReadError& e) {
      field("bad " + std::to_string(e.line) + ": " + e.reason);
    };
    if (!game) {
      bad(error);
    } else {
      field(record::CommonTag(game->tree.tags, "Red"));
      field(record::CommonTag(game->tree.tags, "Black"));
      field(game->tree.result);
      field(record::CommonTag(game->tree.tags, "Event"));
      field(record::CommonTag(game->tree.tags, "Date"));
      field(std::to_string(game->tree.MainLine().size()) + " plies");
      if (!game->problems.empty()) bad(game->problems.front());
    }
    std::printf("%s\n", line.c_str());
  }
}

// pgn FILE [--game N]: the N-th game's tags, its main line in ICCS on one line and its last
// position as a FEN. pgn FILE --list: a line for each game. "FILE:LINE: reason" and status 1
// for a file (or game) that cannot be used.
int PgnCommand(const Arguments& args) {
  bool list_games = args.size() == 2 && args[1] == "--list";
  if (args.size() != 1 && !list_games && !(args.size() == 3 && args[1] == "--game"))
    return Refuse("usage: pgn FILE [--game N | --list]");
  int status = 0;
  auto list = OpenList(args[0], &status);
  if (!list) return status;
  if (list_games) {
    ListGames(*list);
    return 0;
  }
  std::optional<std::string> number;
  if (args.size() == 3) number = args[2];
  auto index = GameNumber(number, list->Count(), args[0], &status);
  if (!index) return status;
  auto tree = WholeGame(*list, *index, args[0], &status);
  if (!tree) return status;
  for (const auto& [name, value] : tree->tags.All())
    std::printf("[%s \"%s\"]\n", name.c_str(), value.c_str());
  std::string moves;
  for (engine::Move m : tree->MovesTo(tree->LineEnd(record::kRootNode))) {
    if (!moves.empty()) moves += ' ';
    moves += engine::ToIccs(m);
  }
  std::printf("%s\n%s\n", moves.c_str(), tree->PositionAt(tree->LineEnd(record::kRootNode)).Fen().c_str());
  return 0;
}

std::optional<record::RecordFormat> FormatNamed(const std::string& name) {
  if (name == "pgn") return record::RecordFormat::kPgn;
  if (name == "xqf") return record::RecordFormat::kXqf;
  if (name == "dhtmlxq") return record::RecordFormat::kDhtmlXq;
  return std::nullopt;
}

std::optional<record::RecordFormat> FormatOfPath(const std::string& path) {
  std::string extension = std::filesystem::path(path).extension().string();
  for (char& ch : extension)
    if (ch >= 'A' && ch <= 'Z') ch = char(ch - 'A' + 'a');
  if (extension == ".pgn") return record::RecordFormat::kPgn;
  if (extension == ".xqf") return record::RecordFormat::kXqf;
  if (extension == ".txt" || extension == ".dhtml") return record::RecordFormat::kDhtmlXq;
  return std::nullopt;
}

// Writes through a file beside the target, so that a failed write leaves the target as it was.
bool WriteWhole(const std::string& path, const std::string& bytes) {
  std::string temporary = path + ".writing";
  {
    std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    if (!out.flush()) {
      std::remove(temporary.c_str());
      return false;
    }
  }
  std::error_code failed;
  std::filesystem::rename(temporary, path, failed);
  if (failed) std::remove(temporary.c_str());
  return !failed;
}

// convert IN OUT [--to pgn|xqf|dhtmlxq] [--notation chinese|wxf|iccs] [--game N]
// [--encoding utf-8|gb18030]: the game (PGN: every game of the file, without --game) with its
// whole tree, in the format asked for or told by OUT's extension.
int ConvertCommand(const Arguments& args) {
  static const char* kUsage =
      "usage: convert IN OUT [--to pgn|xqf|dhtmlxq] [--notation chinese|wxf|iccs] [--game N] "
      "[--encoding utf-8|gb18030]";
  std::string why;
  auto options = SplitOptions(args, {"--to", "--notation", "--game", "--encoding"}, why);
  if (!options || options->positional.size() != 2) return Refuse(options ? kUsage : why);
  const std::string &in = options->positional[0], &out = options->positional[1];
  auto to = options->Get("--to");
  auto format = to ? FormatNamed(*to) : FormatOfPath(out);
  if (!format) return Refuse(to ? "unknown format " + *to : "say the format with --to: " + out);
  auto notation_name = options->Get("--notation").value_or("chinese");
  auto notation = NotationNamed(notation_name);
  if (!notation || *notation == record::Notation::kXboard)
    return Refuse("unknown notation " + notation_name);
  auto encoding_name = options->Get("--encoding").value_or("utf-8");
  if (encoding_name != "utf-8" && encoding_name != "gb18030")
    return Refuse("unknown encoding " + encoding_name);
  if (options->Get("--encoding") && *format == record::RecordFormat::kXqf)
    return Refuse("XQF's texts are always GB18030");
  record::Encoding encoding =
      encoding_name == "gb18030" ? record::Encoding::kGb18030 : record::Encoding::kUtf8;

  int status = 0;
  auto list = OpenList(in, &status);
  if (!list) return status;
  size_t first = 0, last = list->Count();
  if (options->Get("--game") || *format != record::RecordFormat::kPgn) {
    if (!options->Get("--game") && list->Count() > 1)
      return Refuse(in + " has " + std::to_string(list->Count()) + " games: choose one with --game");
    auto index = GameNumber(options->Get("--game"), list->Count(), in, &status);
    if (!index) return status;
    first = *index, last = *index + 1;
  }
  std::string bytes;
  for (size_t i = first; i < last; ++i) {
    auto tree = WholeGame(*list, i, in, &status);
    if (!tree) return status;
    switch (*format) {
      case record::RecordFormat::kPgn:
        if (i > first) bytes += '\n';
        bytes += record::WritePgn(*tree, *notation);
        break;
      case record::RecordFormat::kXqf:
        bytes = record::WriteXqf(*tree);
        break;
      case record::RecordFormat::kDhtmlXq:
        bytes = record::WriteDhtmlXq(*tree);
        break;
    }
  }
  if (*format != record::RecordFormat::kXqf) bytes = record::EncodeText(bytes, encoding);
  if (!WriteWhole(out, bytes)) return BadFile(out, record::ReadError{0, "写不进这个文件"});
  return 0;
}

const Registration kNotation("notation", "notation FEN MOVE [--format chinese|wxf|iccs|xboard]",
                             NotationCommand);
const Registration kPgn("pgn", "pgn FILE [--game N | --list]", PgnCommand);
const Registration kConvert("convert",
                            "convert IN OUT [--to pgn|xqf|dhtmlxq] [--notation chinese|wxf|iccs] "
                            "[--game N] [--encoding utf-8|gb18030]",
                            ConvertCommand);

}  // namespace

}  // namespace cli
