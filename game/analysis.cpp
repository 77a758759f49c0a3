#include "game/analysis.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <optional>

#include "engine/search.h"
#include "game/analysis/analysis_text.h"
#include "game/analysis/builtin_analysis.h"
#include "game/board_drawing.h"
#include "game/engine_choice.h"
#include "game/play/engine_bridge.h"
#include "game/record/notation.h"
#include "game/record_window.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/system/message_box.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/windows/context_menu.h"
#include "runtime/windows/panel_marks.h"

namespace game {

using namespace twoply;

namespace {

constexpr std::string_view kLinesKey = "analysisLines";
// The screen follows the engine at this pace: well within a tenth of a second of a new line,
// and never more work for the window than formatting three lines.
constexpr int32_t kRefreshMs = 100;
constexpr auto kQuietShowing = std::chrono::milliseconds(400);
// The longest line shown, in moves.
constexpr size_t kShownMoves = 12;
constexpr int32_t kArrowColour = 0x00B4641E;  // a blue, apart from the pieces' red and black

// What the engine's thread hands over: the newest lines, taken by the window's refresh.
struct Handover {
  std::mutex mutex;
  std::vector<analysis::AnalysisLine> lines;
  bool fresh = false;
};

// The position shown, and the line's start and moves that lead to it (an outside engine is told
// those, so it sees the repetitions too).
struct Shown {
  engine::Position start;
  std::vector<engine::Move> moves;
  engine::Position position;
};

struct Analysis {
  bool on = false;
  std::string key;  // the position analysed: the line's start and the moves to it
  std::optional<Shown> shown;
  std::string trouble;  // why nothing is analysed
  std::vector<analysis::AnalysisLine> lines;
  runtime::JobId job = 0;
  std::shared_ptr<std::atomic<bool>> stop;
  std::shared_ptr<Handover> handover;
  runtime::RepeatingCallId refresh = 0;
  std::chrono::steady_clock::time_point started, shownAt;
  bool outsideFresh = false;  // the outside engine's lines changed since they were shown
  int32_t lineCount = 1;      // 多线 as it was when this position's analysis began
};

Analysis analysis;
std::unique_ptr<engine::Searcher> searcher;
// The outside analyst, kept from one position to the next; gone when analysis is off or it failed.
std::unique_ptr<outside::EngineClient> analyst;
uint64_t analystSearch = 0;
bool analystFailed = false;  // for this run: the built-in engine analyses instead
bool installed = false;

// The position the board shows in the engine's terms, with the moves before it for repetitions;
// nothing when the line cannot be followed by the full rules.
std::optional<Shown> ShownPosition(std::string* key) {
  Session& game = TheGame();
  const engine::Position start = game.LineStartPosition();
  std::vector<engine::Move> moves = game.LineEngineMoves();
  moves.resize(std::min(game.Viewed().value_or(moves.size()), moves.size()));
  engine::Position position = start;
  *key = position.Fen();
  for (engine::Move move : moves) {
    if (!position.IsLegal(move)) return std::nullopt;
    position.MakeMove(move);
    key->append(" ").append(engine::ToIccs(move));
  }
  // The live board must be the line's end (a board opened from an old record may not be one the
  // full rules accept at all).
  if (!game.Viewed()) {
    const std::string fen = position.Fen(), board = game.Fen();
    if (fen.substr(0, fen.find(' ')) != board.substr(0, board.find(' '))) return std::nullopt;
  }
  return Shown{start, std::move(moves), position};
}

std::optional<OutsideEngine> ChosenAnalyst() {
  const int32_t chosen = AnalystEngine();
  if (chosen == 0 || analystFailed) return std::nullopt;
  return SavedEngines()[size_t(chosen - 1)];
}

void Show();
void Restart();

// What the outside analyst said: its lines kept for the next refresh; a failure told once, and
// the built-in engine analyses from then on.
void PollAnalyst() {
  if (!analyst) return;
  for (outside::EngineEvent& event : analyst->Poll()) {
    if (event.kind == outside::EngineEvent::Kind::kFailed) {
      analyst.reset();
      analystFailed = true;
      if (analysis.on) Restart();
      runtime::ShowMessageBox(runtime::BoxIcon::kWarning, event.message + "\n改由内置引擎分析。",
                              "引擎出错");
      return;
    }
    if (event.kind != outside::EngineEvent::Kind::kInfo || event.search != analystSearch ||
        event.line.pv.empty())
      continue;
    const size_t slot = size_t(std::clamp(event.line.multipv, 1, 3) - 1);
    if (slot >= size_t(analysis.lineCount)) continue;
    if (analysis.lines.size() <= slot) analysis.lines.resize(slot + 1);
    analysis.lines[slot] = std::move(event.line);
    analysis.outsideFresh = true;
  }
}

void StartAnalyst(const OutsideEngine& chosen, const Shown& shown) {
  if (!analyst) {
    analyst = std::make_unique<outside::EngineClient>(ConfigFor(chosen));
    analyst->SetWakeup([] { runtime::PostToUiThread(PollAnalyst); });
    analyst->Start();
  }
  outside::GoLimits limits;
  limits.infinite = true;
  limits.multipv = analysis.lineCount;
  analystSearch = analyst->Go(shown.start, shown.moves, limits);
  // A client that failed at its start says why at the next poll.
  runtime::PostToUiThread(PollAnalyst);
}

void StopEngine() {
  if (analysis.job == 0) return;
  analysis.stop->store(true, std::memory_order_release);
  runtime::CancelBackgroundJob(analysis.job);
  analysis.job = 0;
}

void StartEngine(const engine::Position& position) {
  if (!searcher) searcher = std::make_unique<engine::Searcher>(32);
  analysis.stop = std::make_shared<std::atomic<bool>>(false);
  analysis.handover = std::make_shared<Handover>();
  runtime::BackgroundJob job;
  job.work = [position, lines = analysis.lineCount, stop = analysis.stop,
              handover = analysis.handover, engine = searcher.get()] {
    analysis::AnalyseWithOwnEngine(*engine, position, lines, *stop,
                                   [&](const std::vector<analysis::AnalysisLine>& found) {
                                     std::lock_guard<std::mutex> lock(handover->mutex);
                                     handover->lines = found;
                                     handover->fresh = true;
                                   });
  };
  job.interrupt = [stop = analysis.stop] { stop->store(true, std::memory_order_release); };
  job.done = [] { analysis.job = 0; };  // the deepest depth reached, or no move to analyse
  analysis.job = runtime::StartBackgroundJob(std::move(job));
}

std::string LineText(const analysis::AnalysisLine& line, record::Notation notation) {
  std::string text = std::to_string(line.multipv);
  text.append("  深度 ").append(std::to_string(line.depth));
  text.append("  ").append(analysis::FormatScore(line));
  text.append("  速度 ").append(std::to_string(line.nps));
  text.append("  ").append(
      analysis::FormatLineMoves(analysis.shown->position, line.pv, notation, kShownMoves));
  return text;
}

std::string AnalystName() {
  if (analyst) return analyst->DisplayName();
  return "内置引擎";
}

std::vector<std::string> NotesNow() {
  std::vector<std::string> notes{"分析（" + AnalystName() + "）"};
  // The time spent on this position, so the screen moves on between the engine's reports.
  if (analysis.trouble.empty()) {
    const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - analysis.started)
                            .count() /
                        100;
    notes[0] += "  用时 " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " 秒";
  }
  if (!analysis.trouble.empty()) {
    notes.push_back(analysis.trouble);
  } else if (analysis.lines.empty()) {
    notes.push_back("思考中…");
  } else {
    // An outside engine's second line may come before its first.
    const record::Notation notation = RecordNotation();
    for (const analysis::AnalysisLine& line : analysis.lines)
      if (!line.pv.empty()) notes.push_back(LineText(line, notation));
  }
  return notes;
}

// The first move of the best line as an arrow from the middle of one cell to the other's.
std::vector<runtime::PanelArrow> ArrowsNow() {
  if (analysis.lines.empty() || analysis.lines.front().pv.empty()) return {};
  const Move move = FromEngineMove(analysis.lines.front().pv.front(), TheGame().HumanColour());
  auto middle = [](uint8_t index) { return (int32_t(index) - 1) * kCell + kSprite / 2; };
  runtime::PanelArrow arrow;
  arrow.x1 = middle(move.from.col);
  arrow.y1 = middle(move.from.row);
  arrow.x2 = middle(move.to.col);
  arrow.y2 = middle(move.to.row);
  arrow.colour = kArrowColour;
  return {arrow};
}

void Show() {
  analysis.shownAt = std::chrono::steady_clock::now();
  ShowAnalysisNotes(NotesNow());
  runtime::SetPanelArrows(BoardPanel, ArrowsNow());
}

void Refresh() {
  if (!analysis.on) return;
  // The outside engine's deadlines are found when it is polled.
  if (analyst) PollAnalyst();
  if (std::exchange(analysis.outsideFresh, false)) {
    Show();
    return;
  }
  bool fresh = false;
  if (analysis.handover) {
    std::lock_guard<std::mutex> lock(analysis.handover->mutex);
    fresh = std::exchange(analysis.handover->fresh, false);
    if (fresh) analysis.lines = analysis.handover->lines;
  }
  // Twice a second at least, even while a deep iteration of the engine goes on.
  if (fresh || std::chrono::steady_clock::now() - analysis.shownAt >= kQuietShowing) Show();
}

void Restart() {
  StopEngine();
  if (analyst) analyst->Stop();
  analystSearch = 0;
  analysis.lines.clear();
  analysis.trouble.clear();
  analysis.started = std::chrono::steady_clock::now();
  analysis.lineCount = AnalysisLineCount();
  analysis.shown = ShownPosition(&analysis.key);
  const std::optional<OutsideEngine> outside = ChosenAnalyst();
  if (!outside) analyst.reset();
  if (!analysis.shown)
    analysis.trouble = "这个局面无法分析（不合标准规则）";
  else if (analysis.shown->position.NoLegalMoves())
    analysis.trouble = "没有可走的棋";
  else if (outside)
    StartAnalyst(*outside, *analysis.shown);
  else
    StartEngine(analysis.shown->position);
  Show();
}

void TurnOff() {
  analysis.on = false;
  StopEngine();
  analyst.reset();  // its process ends now
  runtime::StopRepeatingCall(std::exchange(analysis.refresh, 0));
  analysis.lines.clear();
  analysis.key.clear();
}

}  // namespace

void InstallAnalysis() {
  installed = true;
  analysis = Analysis{};
  runtime::CallWhenWindowGoes(MainWindow, [] {
    TurnOff();
    installed = false;
    searcher.reset();
  });
}

void ToggleAnalysis() {
  if (!installed) return;
  if (analysis.on) {
    TurnOff();
    ShowAnalysisNotes({});
    runtime::SetPanelArrows(BoardPanel, {});
    return;
  }
  analysis.on = true;
  if (!RecordWindowShown()) ToggleRecordWindow();
  analysis.refresh = runtime::StartRepeatingCall(kRefreshMs, Refresh);
  Restart();
}

bool AnalysisOn() {
  return analysis.on;
}

void AnalysisFollowShownPosition() {
  if (!analysis.on) return;
  std::string key;
  ShownPosition(&key);
  if (key != analysis.key) Restart();
}

void AnalystChoiceChanged() {
  analystFailed = false;
  analyst.reset();
  if (analysis.on) Restart();
}

int32_t AnalysisLineCount() {
  return std::clamp(runtime::ReadSetting(kLinesKey).value_or(1), 1, 3);
}

void ChooseAnalysisLineCount(int32_t lines) {
  if (lines < 1 || lines > 3) return;
  runtime::WriteSetting(kLinesKey, lines);
  if (analysis.on) Restart();
}

std::vector<analysis::AnalysisLine> AnalysisLines() {
  return analysis.lines;
}

std::vector<std::string> AnalysisNotes() {
  return analysis.on ? NotesNow() : std::vector<std::string>{};
}

}  // namespace game
