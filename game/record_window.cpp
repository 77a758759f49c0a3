#include "game/record_window.h"

#include <pwd.h>
#include <unistd.h>

#include <array>
#include <ctime>
#include <optional>
#include <span>
#include <vector>

#include "game/record/notation.h"
#include "game/record/pgn.h"
#include "game/score_graph.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/lifecycle.h"
#include "runtime/services.h"
#include "runtime/system/file_dialog.h"
#include "runtime/system/message_box.h"
#include "runtime/system/questions.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/windows/context_menu.h"
#include "runtime/windows/side_window.h"
#include "runtime/windows/window_manager.h"

namespace game {

using namespace twoply;

namespace {

constexpr std::string_view kOpenKey = "recordWindow";
constexpr std::string_view kNotationKey = "notation";
constexpr record::Notation kNotations[] = {record::Notation::kChinese, record::Notation::kWxf,
                                           record::Notation::kIccs};

enum MenuId : int32_t {
  kChineseItem = 1,  // 1..3 in the order of kNotations
  kContinueItem = 10,
  kSaveItem,
  kOpenItem,
  kAddedItemBase = 1000,  // the added menu's ids, shifted clear of the window's own
};

RecordWindowMenu addedMenu;

record::Notation ChosenNotation() {
  const int32_t n = runtime::ReadSetting(kNotationKey).value_or(0);
  return n >= 0 && n < int32_t(std::size(kNotations)) ? kNotations[n] : kNotations[0];
}

// The moves of the line as written, kept between refreshes so that a new move is written alone.
struct WrittenLine {
  std::string startFen;
  record::Notation notation = record::Notation::kChinese;
  std::vector<engine::Move> moves;
  std::vector<std::string> texts;
  engine::Position end;
};
WrittenLine written;

const WrittenLine& WriteLine(const engine::Position& start,
                             const std::vector<engine::Move>& moves) {
  const record::Notation notation = ChosenNotation();
  const bool extends = written.startFen == start.Fen() && written.notation == notation &&
                       written.moves.size() <= moves.size() &&
                       std::equal(written.moves.begin(), written.moves.end(), moves.begin());
  if (!extends) written = WrittenLine{start.Fen(), notation, {}, {}, start};
  for (size_t i = written.moves.size(); i < moves.size(); ++i) {
    written.texts.push_back(record::WriteMove(written.end, moves[i], notation));
    written.end.MakeMove(moves[i]);
    written.moves.push_back(moves[i]);
  }
  return written;
}

// A move's place in the list: black's first move in the red column's row when black began.
struct Cell {
  int32_t row, column;
};
int32_t FirstSlot(const engine::Position& start) {
  return start.SideToMove() == engine::kBlack ? 1 : 0;
}
Cell CellOf(size_t ply, int32_t firstSlot) {
  const int32_t slot = int32_t(ply) + firstSlot;
  return Cell{slot / 2, slot % 2 + 1};
}

// How a game ended, in the words of the record: 将死, 困毙, 认输, or empty.
std::string EndingWords(Ending ending) {
  switch (ending) {
    case Ending::kMate:
      return "将死";
    case Ending::kStalemate:
      return "困毙";
    case Ending::kGeneralTaken:
      return "吃将";
    case Ending::kResigned:
      return "认输";
    case Ending::kTime:
      return "超时";
    case Ending::kRecorded:
    case Ending::kNone:
      break;
  }
  return {};
}

// The result from red's side and how the game ended: "红胜（将死）".
std::string ResultText(const Outcome& outcome, Colour human) {
  if (outcome.winner == Winner::kNobody) return {};
  const bool redWon = (outcome.winner == Winner::kHuman) == (human == Colour::kRed);
  const std::string words = EndingWords(outcome.ending);
  return std::string(redWon ? "红胜" : "黑胜") + (words.empty() ? "" : "（" + words + "）");
}

std::string PgnResult(const Outcome& outcome, Colour human) {
  if (outcome.winner == Winner::kNobody) return "*";
  return (outcome.winner == Winner::kHuman) == (human == Colour::kRed) ? "1-0" : "0-1";
}

// The analysis's lines, kept so that a refresh of the record shows them again.
std::vector<std::string> analysisNotes;

void ShowNotes() {
  Session& game = TheGame();
  std::vector<std::string> notes;
  if (game.Viewed())
    notes.push_back("回看：第 " + std::to_string(*game.Viewed()) + " 步（棋盘不接受走子）");
  if (std::string result = ResultText(game.GameOutcome(), game.HumanColour()); !result.empty())
    notes.push_back(result);
  if (const GameClock* clock = game.Clock()) {
    notes.push_back("棋钟  红 " + ClockText(clock->Remaining(Colour::kRed)) + "  黑 " +
                    ClockText(clock->Remaining(Colour::kBlack)));
  }
  notes.insert(notes.end(), analysisNotes.begin(), analysisNotes.end());
  runtime::SetSideNotes(notes);
}

void ShowLine() {
  if (!runtime::SideWindowOpen()) return;
  Session& game = TheGame();
  const engine::Position start = game.LineStartPosition();
  const std::vector<engine::Move> moves = game.LineEngineMoves();
  const WrittenLine& line = WriteLine(start, moves);
  const int32_t first = FirstSlot(start);
  std::vector<std::array<std::string, 3>> rows;
  for (size_t ply = 0; ply < line.texts.size(); ++ply) {
    const Cell cell = CellOf(ply, first);
    if (size_t(cell.row) >= rows.size()) rows.push_back({std::to_string(cell.row + 1), "", ""});
    rows[size_t(cell.row)][size_t(cell.column)] = line.texts[ply] + MoveMark(ply);
  }
  runtime::SetSideRows(rows);
  const size_t shown = game.Viewed().value_or(moves.size());
  if (shown == 0) {
    runtime::SetSideCurrent(-1, -1);
  } else {
    const Cell cell = CellOf(shown - 1, first);
    runtime::SetSideCurrent(cell.row, cell.column);
  }
  ShowNotes();
  // The curve from the start position on, once there is a move; the position shown marked.
  if (moves.empty())
    runtime::SetSideGraph({}, -1);
  else
    runtime::SetSideGraph(LineScores(), int32_t(shown));
}

void Step(runtime::SideKey key) {
  Session& game = TheGame();
  const size_t length = game.LineEngineMoves().size();
  const size_t shown = game.Viewed().value_or(length);
  size_t target = shown;
  switch (key) {
    case runtime::SideKey::kHome:
      target = 0;
      break;
    case runtime::SideKey::kEnd:
      target = length;
      break;
    case runtime::SideKey::kLeft:
      target = shown > 0 ? shown - 1 : 0;
      break;
    case runtime::SideKey::kRight:
      target = shown + 1;
      break;
    case runtime::SideKey::kUp:
      target = shown > 2 ? shown - 2 : 0;
      break;
    case runtime::SideKey::kDown:
      target = shown + 2;
      break;
    case runtime::SideKey::kPageUp:
      target = shown > 20 ? shown - 20 : 0;
      break;
    case runtime::SideKey::kPageDown:
      target = shown + 20;
      break;
  }
  game.View(std::min(target, length));
}

void ContinueFromShown() {
  Session& game = TheGame();
  if (!game.Viewed()) return;
  const size_t dropped = game.LineEngineMoves().size() - *game.Viewed();
  if (!runtime::AskYesNo(
          "从这里继续，后面的 " + std::to_string(dropped) + " 步棋将被删去。继续吗？",
          "从此处继续"))
    return;
  game.ContinueFromView();
}

std::vector<runtime::MenuEntry> MenuEntries() {
  using Kind = runtime::MenuEntry::Kind;
  std::vector<runtime::MenuEntry> entries{
      {Kind::kSubmenu, 0, "棋局", ""},
      {Kind::kAction, kContinueItem, "从此处继续", ""},
      {Kind::kSeparator, 0, "", ""},
      {Kind::kAction, kSaveItem, "保存棋谱…", "Ctrl+S"},
      {Kind::kAction, kOpenItem, "打开棋谱…", "Ctrl+O"},
      {Kind::kEndSubmenu, 0, "", ""},
      {Kind::kSubmenu, 0, "记谱", ""},
      {Kind::kRadio, kChineseItem, "中文", ""},
      {Kind::kRadio, kChineseItem + 1, "WXF", ""},
      {Kind::kRadio, kChineseItem + 2, "ICCS", ""},
      {Kind::kEndSubmenu, 0, "", ""},
  };
  for (runtime::MenuEntry entry : addedMenu.entries) {
    entry.id += kAddedItemBase;
    entries.push_back(std::move(entry));
  }
  return entries;
}

runtime::MenuItemState MenuState(int32_t id) {
  if (id >= kAddedItemBase) return addedMenu.state(id - kAddedItemBase);
  if (id == kContinueItem) return {TheGame().Viewed().has_value(), false};
  if (id >= kChineseItem && id < kChineseItem + int32_t(std::size(kNotations)))
    return {true, kNotations[id - kChineseItem] == ChosenNotation()};
  return {true, false};
}

void MenuAction(int32_t id) {
  if (id >= kAddedItemBase) return addedMenu.action(id - kAddedItemBase);
  switch (id) {
    case kContinueItem:
      ContinueFromShown();
      return;
    case kSaveItem:
      SavePgn();
      return;
    case kOpenItem:
      OpenPgn();
      return;
    default:
      runtime::WriteSetting(kNotationKey, id - kChineseItem);
      ShowLine();
      return;
  }
}

void CellClicked(int32_t row, int32_t column) {
  Session& game = TheGame();
  const int32_t ply = row * 2 + column - 1 - FirstSlot(game.LineStartPosition());
  if (ply >= 0) game.View(size_t(ply) + 1);  // the position after the move clicked
}

void OpenBeside() {
  runtime::SideWindowCallbacks callbacks;
  callbacks.cellClicked = CellClicked;
  callbacks.keyPressed = Step;
  // Point i of the curve is the position after i moves.
  callbacks.graphClicked = [](int32_t index) {
    if (index >= 0) TheGame().View(size_t(index));
  };
  // Closed by the player, not along with the main window (the program's end closes every window
  // left): only then is it remembered closed.
  callbacks.closedByUser = [] {
    if (runtime::LiveWindow(kMainWindowId) != nullptr) runtime::WriteSetting(kOpenKey, 0);
  };
  if (!runtime::OpenSideWindow(kMainWindowId, "棋谱", std::move(callbacks))) return;
  runtime::SetSideMenu(MenuEntries(), MenuState, MenuAction);
  written = WrittenLine{};
  ShowLine();
  ScoreGraphFollowLine();  // the graph is scored while it is shown
}

// The player's name as the system knows it: the account's full name, else its login name.
std::string PlayerName() {
  if (const passwd* account = getpwuid(getuid())) {
    std::string full = account->pw_gecos != nullptr ? account->pw_gecos : "";
    full = full.substr(0, full.find(','));
    if (!full.empty()) return full;
    if (account->pw_name != nullptr && *account->pw_name != '\0') return account->pw_name;
  }
  return "玩家";
}

std::string Today() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[16];
  std::strftime(date, sizeof date, "%Y.%m.%d", &local);
  return date;
}

record::PgnGame GameRecord() {
  Session& game = TheGame();
  record::PgnGame pgn;
  pgn.tags.Set("Game", "Chinese Chess");
  pgn.tags.Set("Event", "人机对局");
  pgn.tags.Set("Date", Today());
  const std::string computer = "电脑（难度 " + std::to_string(game.Level()) + "）";
  const bool humanRed = game.HumanColour() == Colour::kRed;
  pgn.tags.Set("Red", humanRed ? PlayerName() : computer);
  pgn.tags.Set("Black", humanRed ? computer : PlayerName());
  pgn.start = game.LineStartPosition();
  pgn.moves = game.LineEngineMoves();
  pgn.comments.assign(pgn.moves.size() + 1, std::string());
  pgn.result = PgnResult(game.GameOutcome(), game.HumanColour());
  pgn.ending = EndingWords(game.GameOutcome().ending);
  return pgn;
}

void Report(const std::string& what, const std::string& reason, const std::string& caption) {
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning, reason.empty() ? what : what + "\n" + reason,
                          caption);
}

Ending EndingOf(const std::string& words) {
  if (words == "将死") return Ending::kMate;
  if (words == "困毙") return Ending::kStalemate;
  if (words == "认输") return Ending::kResigned;
  return Ending::kRecorded;
}

// The game read from a file becomes the game on the board, in the Human's colour.
void Load(const record::PgnGame& pgn) {
  Session& game = TheGame();
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
  if (!runtime::SideWindowOpen()) ToggleRecordWindow();
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

bool OpenBytes(const std::vector<uint8_t>& bytes, std::string* whyNot) {
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
  Load(*game);
  return true;
}

const std::vector<runtime::FileFilter> kPgnFilters = {{"棋谱 (*.pgn)", "*.pgn"}, {"所有文件", "*"}};

}  // namespace

void InstallRecordWindow() {
  analysisNotes.clear();
  // The record goes with the main window, and stays remembered open for the next run.
  runtime::CallWhenWindowGoes(MainWindow, runtime::CloseSideWindow);
  // Beside the main window once it stands on the screen: while it is being made there is
  // nothing yet to stand beside.
  if (runtime::ReadSetting(kOpenKey).value_or(0) == 1)
    runtime::PostToUiThread([] {
      if (runtime::LiveWindow(kMainWindowId) != nullptr) OpenBeside();
    });
}

void ToggleRecordWindow() {
  if (runtime::SideWindowOpen()) {
    runtime::CloseSideWindow();
    runtime::WriteSetting(kOpenKey, 0);
    return;
  }
  runtime::WriteSetting(kOpenKey, 1);
  OpenBeside();
}

record::Notation RecordNotation() {
  return ChosenNotation();
}

void ShowAnalysisNotes(std::vector<std::string> lines) {
  if (lines == analysisNotes) return;
  analysisNotes = std::move(lines);
  if (runtime::SideWindowOpen()) ShowNotes();
}

void SetRecordWindowMenu(RecordWindowMenu menu) {
  addedMenu = std::move(menu);
  if (runtime::SideWindowOpen()) runtime::SetSideMenu(MenuEntries(), MenuState, MenuAction);
}

bool RecordWindowShown() {
  return runtime::SideWindowOpen();
}

void RefreshRecordWindow() {
  ShowLine();
}

void RefreshRecordNotes() {
  if (runtime::SideWindowOpen()) ShowNotes();
}

void SavePgn() {
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
  const std::string text = record::WritePgn(GameRecord(), ChosenNotation());
  const std::span<const uint8_t> bytes(reinterpret_cast<const uint8_t*>(text.data()), text.size());
  const std::span<const uint8_t> parts[] = {bytes};
  if (!runtime::ReplaceFileBytes(*path, parts))
    Report("棋谱没有保存。", runtime::LastFileFailure(), "保存棋谱");
}

void OpenPgn() {
  runtime::FileDialogRequest request;
  request.title = "打开棋谱";
  request.initialFolder = runtime::StartingFolder();
  request.filters = kPgnFilters;
  request.fileMustExist = true;
  std::optional<std::string> path = runtime::ShowFileDialog(request);
  if (path) OpenPgnFile(*path);
}

bool OpenPgnFile(const std::string& path, std::string* whyNot) {
  std::vector<uint8_t> bytes;
  if (!runtime::ReadFileBytes(path, bytes)) {
    const std::string reason = runtime::LastFileFailure();
    if (whyNot != nullptr) *whyNot = reason;
    Report("棋谱没有打开。", reason, "打开棋谱");
    return false;
  }
  return OpenBytes(bytes, whyNot);
}

}  // namespace game
