#include "game/game_files.h"

#include <ctime>
#include <optional>
#include <span>
#include <vector>

#include "game/labels.h"
#include "game/notation_choice.h"
#include "game/play/engine_bridge.h"
#include "game/record/recent_games.h"
#include "game/twoply/position_text.h"
#include "game/window_game.h"
#include "runtime/lifecycle.h"
#include "runtime/services.h"
#include "runtime/system/account.h"
#include "runtime/system/file_dialog.h"
#include "runtime/system/message_box.h"
#include "runtime/system/questions.h"

namespace game {

using namespace twoply;

namespace {

const std::vector<runtime::FileFilter> kPgnFilters = {{"棋谱 (*.pgn)", "*.pgn"}, {"所有文件", "*"}};

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%Y.%m.%d", &local);
  return date;
}

Ending EndingOf(const std::string& words) {
  if (words == "将死") return Ending::kMate;
  if (words == "困毙") return Ending::kStalemate;
  if (words == "认输") return Ending::kResigned;
  return Ending::kRecorded;
}

void Report(const std::string& what, const std::string& reason, const std::string& caption) {
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning, reason.empty() ? what : what + "\n" + reason,
                          caption);
}

// The game read from a file becomes the game on the board, in the Human's colour.
void Load(WindowGame& window, const record::PgnGame& pgn) {
  Session& game = window.Game();
  const Colour human = game.HumanColour();
  std::string error;
  std::optional<FenPosition> start = ParseFen(pgn.start.Fen(), error);
  if (!start) return;
  const bool redFirst = start->side != Computer;
  std::vector<Move> moves;
  for (engine::Move move : pgn.moves) moves.push_back(FromEngineMove(move, human));
  std::optional<Outcome> decided;
  if (pgn.result == "1-0" || pgn.result == "0-1") {
    const bool redWon = pgn.result == "1-0";
    decided = Outcome{redWon == (human == Colour::kRed) ? Winner::kHuman : Winner::kComputer,
                      EndingOf(pgn.ending)};
  }
  game.LoadGame(RedBelow(start->board, human),
                redFirst ? RedSide(human) : OtherSide(RedSide(human)), moves, decided);
  if (ExtraWindows* windows = window.Windows(); windows && !windows->RecordWindowShown())
    windows->ToggleRecordWindow();
}

// "1. 红方 — 黑方 (2026.12.07, 赛事)" for the list of a file's games.
std::string GameTitle(const record::PgnFile& file, size_t index) {
  const record::PgnTags& tags = file.Tags(index);
  auto tag = [&](const char* name) {
    std::string value = tags.Get(name);
    return value.empty() || value == "?" ? std::string("?") : value;
  };
  return std::to_string(index + 1) + ". " + tag("Red") + " — " + tag("Black") + "  (" +
         tag("Date") + ", " + tag("Event") + ")";
}

bool OpenBytes(WindowGame& window, const std::vector<uint8_t>& bytes, std::string* whyNot) {
  record::PgnError error;
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  std::optional<record::PgnFile> file = record::PgnFile::Open(text, &error);
  if (!file) {
    if (whyNot != nullptr) *whyNot = error.Text();
    Report("棋谱没有打开。", error.Text(), "打开棋谱");
    return false;
  }
  size_t index = 0;
  if (file->GameCount() > 1) {
    std::vector<std::string> titles;
    for (size_t i = 0; i < file->GameCount(); ++i) titles.push_back(GameTitle(*file, i));
    std::optional<size_t> chosen = runtime::ChooseItem(
        "这个文件有 " + std::to_string(titles.size()) + " 局棋，打开哪一局？", "打开棋谱", titles);
    if (!chosen) return false;
    index = *chosen;
  }
  std::optional<record::PgnGame> game = file->Game(index, &error);
  if (!game) {
    if (whyNot != nullptr) *whyNot = error.Text();
    Report("棋谱没有打开。", error.Text(), "打开棋谱");
    return false;
  }
  Load(window, *game);
  return true;
}

// "12-08 21:30  玩家 — 电脑（难度 2）  16 回合  1-0" for the list of recent games.
std::string RecentTitle(const record::RecentGame& game, const record::RecentSummary& summary) {
  std::tm local{};
  localtime_r(&game.saved, &local);
  char when[32];
  std::strftime(when, sizeof when, "%m-%d %H:%M", &local);
  if (!summary.readable) return std::string(when) + "  （无法读取）";
  return std::string(when) + "  " + summary.red + " — " + summary.black + "  " +
         std::to_string((summary.moves.size() + 1) / 2) + " 回合  " + summary.result;
}

}  // namespace

void OpenRecentGame(WindowGame& window) {
  const std::vector<record::RecentGame> games = window.RecentGames().List();
  if (games.empty()) {
    runtime::ShowMessageBox(runtime::BoxIcon::kInformation, "还没有保存过对局。", "最近的对局");
    return;
  }
  std::vector<record::RecentSummary> summaries;
  std::vector<std::string> titles;
  for (const record::RecentGame& game : games) {
    summaries.push_back(record::Summarize(game));
    titles.push_back(RecentTitle(game, summaries.back()));
  }
  const std::optional<size_t> chosen = runtime::ChooseItem("打开哪一局？", "最近的对局", titles);
  if (!chosen) return;
  const std::string& text = summaries[*chosen].text;
  OpenBytes(window, std::vector<uint8_t>(text.begin(), text.end()), nullptr);
}

void OpenNewestKeptGame(WindowGame& window) {
  const std::vector<record::RecentGame> games = window.RecentGames().List();
  if (games.empty()) return;
  if (std::optional<std::string> text = record::RecentGames::Read(games.front()))
    OpenBytes(window, std::vector<uint8_t>(text->begin(), text->end()), nullptr);
}

record::PgnGame GameRecord(const WindowGame& window) {
  const Session& game = window.Game();
  record::PgnGame pgn;
  pgn.tags.Set("Game", "Chinese Chess");
  pgn.tags.Set("Event", "人机对局");
  pgn.tags.Set("Date", Today());
  std::string player = runtime::AccountName();
  if (player.empty()) player = "玩家";
  const std::string computer = "电脑（难度 " + std::to_string(game.Level()) + "）";
  const bool humanRed = game.HumanColour() == Colour::kRed;
  pgn.tags.Set("Red", humanRed ? player : computer);
  pgn.tags.Set("Black", humanRed ? computer : player);
  pgn.start = game.LineStartPosition();
  pgn.moves = game.LineEngineMoves();
  pgn.comments.assign(pgn.moves.size() + 1, std::string());
  pgn.result = PgnResult(game.GameOutcome(), game.HumanColour());
  pgn.ending = EndingWords(game.GameOutcome().ending);
  return pgn;
}

void SavePgn(WindowGame& window) {
  runtime::FileDialogRequest request;
  request.save = true;
  request.title = "保存棋谱";
  request.initialFolder = runtime::StartingFolder();
  request.fileName = "棋谱.pgn";
  request.filters = kPgnFilters;
  request.defaultExtension = "pgn";
  request.confirmOverwrite = true;
  std::optional<std::string> path = runtime::ShowFileDialog(request);
  if (!path) return;
  const std::string text = record::WritePgn(GameRecord(window), RecordNotation());
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  const std::span<const uint8_t> parts[] = {bytes};
  if (!runtime::ReplaceFileBytes(*path, parts))
    Report("棋谱没有保存。", runtime::LastFileFailure(), "保存棋谱");
}

void OpenPgn(WindowGame& window) {
  runtime::FileDialogRequest request;
  request.title = "打开棋谱";
  request.initialFolder = runtime::StartingFolder();
  request.filters = kPgnFilters;
  request.fileMustExist = true;
  std::optional<std::string> path = runtime::ShowFileDialog(request);
  if (path) OpenPgnFile(window, *path);
}

bool OpenPgnFile(WindowGame& window, const std::string& path, std::string* whyNot) {
  std::vector<uint8_t> bytes;
  if (!runtime::ReadFileBytes(path, bytes)) {
    const std::string reason = runtime::LastFileFailure();
    if (whyNot != nullptr) *whyNot = reason;
    Report("棋谱没有打开。", reason, "打开棋谱");
    return false;
  }
  return OpenBytes(window, bytes, whyNot);
}

}  // namespace game
