#include "game/game_files.h"

#include <ctime>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

#include "game/labels.h"
#include "game/notation_choice.h"
#include "game/play/engine_bridge.h"
#include "game/record/pgn.h"
#include "game/record/recent_games.h"
#include "game/record/xqf.h"
#include "game/window_game.h"
#include "runtime/lifecycle.h"
#include "runtime/services.h"
#include "runtime/system/account.h"
#include "runtime/system/file_dialog.h"
#include "runtime/system/folders.h"
#include "runtime/system/message_box.h"
#include "runtime/system/questions.h"
#include "runtime/system/settings.h"

namespace game {

using namespace twoply;

namespace {

const std::vector<runtime::FileFilter> kSaveFilters = {{"PGN 棋谱 (*.pgn)", "*.pgn"},
                                                       {"XQF 棋谱 (*.xqf)", "*.xqf"}};
const std::vector<runtime::FileFilter> kOpenFilters = {
    {"棋谱 (*.pgn *.xqf *.txt *.dhtml)", "*.pgn;*.xqf;*.txt;*.dhtml"},
    {"PGN 棋谱 (*.pgn)", "*.pgn"},
    {"XQF 棋谱 (*.xqf)", "*.xqf"},
    {"DhtmlXQ 棋谱 (*.txt *.dhtml)", "*.txt;*.dhtml"},
    {"所有文件", "*"}};

// The folder the game files were last saved to or opened from.
constexpr std::string_view kFolderKey = "gameFolder";

// Where the file dialogs start: the folder last used while it is there, else the documents
// folder.
std::string DialogFolder() {
  std::error_code error;
  if (std::optional<std::string> kept = runtime::ReadTextSetting(kFolderKey);
      kept && std::filesystem::is_directory(*kept, error))
    return *kept;
  const std::string documents = runtime::DocumentsFolder();
  return documents.empty() ? runtime::StartingFolder() : documents;
}

void RememberFolderOf(const std::string& path) {
  runtime::WriteTextSetting(kFolderKey, std::filesystem::path(path).parent_path().string());
}

std::string FileNameOf(const std::string& path) {
  return std::filesystem::path(path).filename().string();
}

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

// A name's ending, in lower case ("xqf"), or empty.
std::string Extension(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || path.find('/', dot) != std::string::npos) return {};
  std::string ending = path.substr(dot + 1);
  for (char& c : ending) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ending;
}

// The game read from a file becomes the game on the board, in the Human's colour; a decided
// result ends it there.
void Load(WindowGame& window, record::GameTree tree) {
  Session& game = window.Game();
  const Colour human = game.HumanColour();
  std::optional<Outcome> decided;
  if (tree.result == "1-0" || tree.result == "0-1") {
    const bool redWon = tree.result == "1-0";
    engine::Position final = tree.Start();
    engine::MakeLegalMoves(final, tree.MovesTo(tree.LineEnd(record::kRootNode)));
    decided = Outcome{redWon == (human == Colour::kRed) ? Winner::kHuman : Winner::kComputer,
                      EndingOf(record::GameEnding(tree.tags, final))};
  }
  game.LoadRecord(std::move(tree), decided);
  if (ExtraWindows* windows = window.Windows(); windows && !windows->RecordWindowShown())
    windows->ToggleRecordWindow();
}

// The first few problems, one a line.
std::string ProblemsText(const std::vector<record::ReadError>& problems) {
  std::string text;
  constexpr size_t kShown = 10;
  for (size_t i = 0; i < problems.size() && i < kShown; ++i) {
    if (i > 0) text += '\n';
    text += problems[i].Text();
  }
  if (problems.size() > kShown)
    text.append("\n……还有 ").append(std::to_string(problems.size() - kShown)).append(" 处");
  return text;
}

// One game of the list, chosen in the list window (or from a list of titles without it).
std::optional<size_t> ChooseGame(WindowGame& window, const record::GameList& list,
                                 const std::string& caption) {
  if (list.Count() == 1) return 0;
  if (ExtraWindows* windows = window.Windows()) return windows->ChooseGame(list, caption);
  std::vector<std::string> titles;
  for (size_t i = 0; i < list.Count(); ++i) titles.push_back(GameListTitle(list, i));
  return runtime::ChooseItem("这里有 " + std::to_string(titles.size()) + " 局棋，打开哪一局？",
                             caption, titles);
}

// The games of `bytes`: one chosen and opened. `quiet`: no box when no game is found.
bool OpenBytes(WindowGame& window, std::string bytes, std::string* whyNot,
               const std::string& caption, bool quiet) {
  record::ReadError error;
  std::optional<record::GameList> list = record::GameList::Open(std::move(bytes), &error);
  if (!list) {
    if (whyNot != nullptr) *whyNot = error.Text();
    if (!quiet) Report("棋谱没有打开。", error.Text(), caption);
    return false;
  }
  const std::optional<size_t> chosen = ChooseGame(window, *list, caption);
  if (!chosen) return false;
  std::optional<record::OpenedGame> game = list->Game(*chosen, &error);
  if (!game) {
    if (whyNot != nullptr) *whyNot = error.Text();
    Report("棋谱没有打开。", error.Text(), caption);
    return false;
  }
  const std::vector<record::ReadError> problems = std::move(game->problems);
  Load(window, std::move(game->tree));
  // What did not read is told; what did is on the board.
  if (!problems.empty())
    Report("棋谱有读不懂的地方，读得懂的部分已经打开：", ProblemsText(problems), caption);
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

bool WriteBytes(const std::string& path, const std::string& text) {
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  const std::span<const uint8_t> parts[] = {bytes};
  return runtime::ReplaceFileBytes(path, parts);
}

}  // namespace

bool IsGameFileName(const std::string& path) {
  const std::string ending = Extension(path);
  return ending == "pgn" || ending == "xqf" || ending == "txt" || ending == "dhtml";
}

std::string GameListTitle(const record::GameList& list, size_t index) {
  const record::GameSummary summary = list.Summary(index);
  auto tag = [&](const char* name) {
    std::string value = record::CommonTag(summary.tags, name);
    return value.empty() || value == "?" ? std::string("?") : value;
  };
  std::string title = std::to_string(index + 1) + ". " + tag("Red") + " — " + tag("Black") + "  " +
                      tag("Result") + "  " + tag("Event") + "  " + tag("Date") + "  " +
                      std::to_string((summary.plies + 1) / 2) + " 回合";
  if (!summary.problems.empty()) title += "  （" + summary.problems.front().Text() + "）";
  return title;
}

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
  OpenBytes(window, summaries[*chosen].text, nullptr, "最近的对局", false);
}

void OpenNewestKeptGame(WindowGame& window) {
  const std::vector<record::RecentGame> games = window.RecentGames().List();
  if (games.empty()) return;
  if (std::optional<std::string> text = record::RecentGames::Read(games.front()))
    OpenBytes(window, std::move(*text), nullptr, "最近的对局", true);
}

record::GameTree GameRecord(const WindowGame& window, record::Notation notation) {
  const Session& game = window.Game();
  record::GameTree tree = game.Record();
  // The moves only the game's own rules allow, as they were played, as far as the record's
  // position can make them (a board replaced under the record cannot).
  record::NodeId at = game.GameNode();
  engine::Position there = tree.PositionAt(at);
  for (engine::Move move : game.UnrecordedMoves()) {
    if (!there.IsPseudoLegal(move)) break;
    at = tree.AppendChild(at, move);
    there.MakeMove(move);
  }
  const std::string result = PgnResult(game.GameOutcome(), game.HumanColour());
  if (result != "*" && (!game.RecordOpened() || tree.result == "*")) tree.result = result;
  if (game.RecordOpened() || tree.tags.Size() > 0) return tree;
  record::PgnTags ours;
  ours.Set("Event", "人机对局");
  ours.Set("Date", Today());
  std::string player = runtime::AccountName();
  if (player.empty()) player = "玩家";
  const std::string computer = "电脑（难度 " + std::to_string(game.Level()) + "）";
  const bool humanRed = game.HumanColour() == Colour::kRed;
  ours.Set("Red", humanRed ? player : computer);
  ours.Set("Black", humanRed ? computer : player);
  tree.tags = record::RosterTags(ours, tree.result, tree.Start(), notation,
                                 EndingWords(game.GameOutcome().ending));
  return tree;
}

std::string SuggestedFileName(const record::PgnTags& tags) {
  std::string name;
  for (const char* tag : {"Red", "Black", "Date"}) {
    const std::string value = record::CommonTag(tags, tag);
    if (value.empty() || value == "?" || value.find('?') != std::string::npos) continue;
    name.append(name.empty() ? "" : tag == std::string_view("Date") ? " " : " — ").append(value);
  }
  // Nothing a file name cannot hold or a shell trips over; no hidden file.
  for (char& c : name)
    if (c == '/' || c == '\\' || (static_cast<unsigned char>(c) < 0x20)) c = '_';
  if (name.empty() || name.front() == '.') name = "棋谱" + name;
  return name + ".pgn";
}

void SavePgn(WindowGame& window) {
  runtime::FileDialogRequest request;
  request.save = true;
  request.title = "保存棋谱";
  // The file the game came from or was last saved to, else a new name in the last folder used.
  const record::GameTree tree = GameRecord(window, RecordNotation());
  const std::string& kept = window.FilePath();
  request.initialFolder =
      kept.empty() ? DialogFolder() : std::filesystem::path(kept).parent_path().string();
  request.fileName = kept.empty() ? SuggestedFileName(tree.tags) : FileNameOf(kept);
  request.filters = kSaveFilters;
  request.defaultExtension = "pgn";
  request.confirmOverwrite = true;
  std::optional<std::string> path = runtime::ShowFileDialog(request);
  if (!path) return;
  const bool xqf = Extension(*path) == "xqf";
  const std::string bytes = xqf ? record::WriteXqf(tree) : record::WritePgn(tree, RecordNotation());
  if (!WriteBytes(*path, bytes)) {
    Report("棋谱没有保存。", runtime::LastFileFailure(), "保存棋谱");
    return;
  }
  RememberFolderOf(*path);
  window.SetFilePath(*path);
  window.Notify("已保存：" + FileNameOf(*path));
}

void OpenPgn(WindowGame& window) {
  runtime::FileDialogRequest request;
  request.title = "打开棋谱";
  request.initialFolder = DialogFolder();
  request.filters = kOpenFilters;
  request.fileMustExist = true;
  std::optional<std::string> path = runtime::ShowFileDialog(request);
  if (path) OpenPgnFile(window, *path);
}

bool OpenPgnFile(WindowGame& window, const std::string& path, std::string* whyNot) {
  std::string why;
  std::optional<std::string> bytes = record::ReadGameFile(path, &why);
  if (!bytes) {
    if (whyNot != nullptr) *whyNot = why;
    Report("棋谱没有打开。", why, "打开棋谱");
    return false;
  }
  if (!OpenBytes(window, std::move(*bytes), whyNot, "打开棋谱", false)) return false;
  RememberFolderOf(path);
  window.SetFilePath(path);
  return true;
}

bool OpenGameText(WindowGame& window, const std::string& text, const std::string& caption) {
  return OpenBytes(window, text, nullptr, caption, true);
}

}  // namespace game
