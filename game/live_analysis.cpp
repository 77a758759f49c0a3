#include "game/live_analysis.h"

#include <algorithm>
#include <cmath>
#include <mutex>

#include "engine/search.h"
#include "game/analysis/analysis_text.h"
#include "game/analysis/builtin_analysis.h"
#include "game/board_drawing.h"
#include "game/engine_choice.h"
#include "game/notation_choice.h"
#include "game/outside/engine_client.h"
#include "game/play/engine_bridge.h"
#include "game/play/session.h"
#include "game/units.h"
#include "runtime/system/message_box.h"
#include "runtime/system/settings.h"
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

}  // namespace

// What the engine's thread hands over: the newest lines, taken by the window's refresh.
struct LiveAnalysis::Handover {
  std::mutex mutex;
  std::vector<analysis::AnalysisLine> lines;
  bool fresh = false;
};

// The position shown, and the line's start and moves that lead to it (an outside engine is told
// those, so it sees the repetitions too).
struct LiveAnalysis::Shown {
  engine::Position start;
  std::vector<engine::Move> moves;
  engine::Position position;
};

LiveAnalysis::LiveAnalysis(Session& game, std::function<void()> showNotes)
    : game_(game), showNotes_(std::move(showNotes)) {
  subscription_ = game_.Subscribe([this](const GameChange& change) {
    if (change.newStart && analyst_) analyst_->NewGame();
    FollowShownPosition();
  });
}

LiveAnalysis::~LiveAnalysis() {
  game_.Unsubscribe(subscription_);
  TurnOff();
}

// The position the board shows in the engine's terms, with the moves before it for repetitions;
// nothing when the line cannot be followed by the full rules.
std::optional<LiveAnalysis::Shown> LiveAnalysis::ShownPosition(std::string* key) const {
  const engine::Position start = game_.LineStartPosition();
  std::vector<engine::Move> moves = game_.ShownMoves();
  engine::Position position = start;
  if (engine::MakeLegalMoves(position, moves) != moves.size()) return std::nullopt;
  *key = start.Fen();
  for (engine::Move move : moves) key->append(" ").append(engine::ToIccs(move));
  // The live board must be the line's end (a board opened from an old record may not be one the
  // full rules accept at all).
  if (!game_.Viewed()) {
    const std::string fen = position.Fen(), board = game_.Fen();
    if (fen.substr(0, fen.find(' ')) != board.substr(0, board.find(' '))) return std::nullopt;
  }
  return Shown{start, std::move(moves), position};
}

// What the outside analyst said: its lines kept for the next refresh; a failure told once, and
// the built-in engine analyses from then on.
void LiveAnalysis::PollAnalyst() {
  if (!analyst_) return;
  for (outside::EngineEvent& event : analyst_->Poll()) {
    if (event.kind == outside::EngineEvent::Kind::kFailed) {
      analyst_.reset();
      analystFailed_ = true;
      if (on_) Restart();
      runtime::ShowMessageBox(runtime::BoxIcon::kWarning, event.message + "\n改由内置引擎分析。",
                              "引擎出错");
      return;
    }
    if (event.kind == outside::EngineEvent::Kind::kReady) {
      if (std::optional<OutsideEngine> chosen = ChosenEngine(AnalystEngine()))
        RememberFound(chosen->command, *analyst_);
      continue;
    }
    // What the engine's options came to: shown with the lines until the next position.
    if (event.kind == outside::EngineEvent::Kind::kNotice) {
      notices_.push_back(event.message);
      outsideFresh_ = true;
      continue;
    }
    if (event.kind != outside::EngineEvent::Kind::kInfo || event.search != analystSearch_ ||
        event.line.pv.empty())
      continue;
    const size_t slot = size_t(std::clamp(event.line.multipv, 1, 3) - 1);
    if (slot >= size_t(lineCount_)) continue;
    if (lines_.size() <= slot) lines_.resize(slot + 1);
    lines_[slot] = std::move(event.line);
    outsideFresh_ = true;
  }
}

void LiveAnalysis::StartAnalyst(const OutsideEngine& chosen, const Shown& shown) {
  if (!analyst_) {
    analyst_ = std::make_unique<outside::EngineClient>(ConfigFor(chosen));
    analyst_->SetWakeup([this, alive = lifeline_.Handle()] {
      runtime::PostToUiThread(Lifeline::Guarded(alive, [this] { PollAnalyst(); }));
    });
    analyst_->Start();
  }
  outside::GoLimits limits;
  limits.infinite = true;
  limits.multipv = lineCount_;
  analystSearch_ = analyst_->Go(shown.start, shown.moves, limits);
  // A client that failed at its start says why at the next poll.
  runtime::PostToUiThread(lifeline_.Guard([this] { PollAnalyst(); }));
}

void LiveAnalysis::StopEngine() {
  if (job_ == 0) return;
  stop_->store(true, std::memory_order_release);
  runtime::CancelBackgroundJob(job_);
  job_ = 0;
}

void LiveAnalysis::StartEngine(const engine::Position& position) {
  if (!searcher_) searcher_ = std::make_unique<engine::Searcher>(32);
  stop_ = std::make_shared<std::atomic<bool>>(false);
  handover_ = std::make_shared<Handover>();
  runtime::BackgroundJob job;
  job.work = [position, lines = lineCount_, stop = stop_, handover = handover_,
              engine = searcher_.get()] {
    analysis::AnalyseWithOwnEngine(*engine, position, lines, *stop,
                                   [&](const std::vector<analysis::AnalysisLine>& found) {
                                     std::lock_guard<std::mutex> lock(handover->mutex);
                                     handover->lines = found;
                                     handover->fresh = true;
                                   });
  };
  job.interrupt = [stop = stop_] { stop->store(true, std::memory_order_release); };
  job.done = [this] { job_ = 0; };  // the deepest depth reached, or no move to analyse
  job_ = runtime::StartBackgroundJob(std::move(job));
}

std::string LiveAnalysis::AnalystName() const {
  if (analyst_) return analyst_->DisplayName();
  return "内置引擎";
}

std::vector<std::string> LiveAnalysis::Notes() const {
  if (!on_) return {};
  std::vector<std::string> notes{"分析（" + AnalystName() + "）"};
  // The time spent on this position, so the screen moves on between the engine's reports.
  if (trouble_.empty()) {
    const auto tenths = std::chrono::duration_cast<std::chrono::milliseconds>(
                            std::chrono::steady_clock::now() - started_)
                            .count() /
                        100;
    notes[0] += "  用时 " + std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " 秒";
  }
  notes.insert(notes.end(), notices_.begin(), notices_.end());
  if (!trouble_.empty())
    notes.push_back(trouble_);
  else if (lines_.empty())
    notes.push_back("思考中…");
  return notes;
}

std::vector<analysis::LineCells> LiveAnalysis::Table() const {
  std::vector<analysis::LineCells> table;
  if (!on_ || !trouble_.empty() || !shown_) return table;
  // An outside engine's second line may come before its first.
  const record::Notation notation = RecordNotation();
  for (const analysis::AnalysisLine& line : lines_)
    if (!line.pv.empty())
      table.push_back(analysis::CellsOf(shown_->position, line, notation, kShownMoves));
  return table;
}

void LiveAnalysis::Show() {
  shownAt_ = std::chrono::steady_clock::now();
  if (notesListener_) notesListener_();
  // The first move of the best line as an arrow from the middle of one cell to the other's.
  std::vector<runtime::PanelArrow> arrows;
  if (!lines_.empty() && !lines_.front().pv.empty()) {
    const Move move = FromEngineMove(lines_.front().pv.front(), game_.HumanColour());
    auto middle = [](uint8_t index) { return (int32_t(index) - 1) * kCell + kSprite / 2; };
    // From the piece's edge, so the piece that moves stays in sight.
    const double x1 = middle(move.from.col), y1 = middle(move.from.row);
    const double x2 = middle(move.to.col), y2 = middle(move.to.row);
    const double length = std::hypot(x2 - x1, y2 - y1);
    const double edge = length > kSprite ? kSprite / 2.0 / length : 0.0;
    runtime::PanelArrow arrow;
    arrow.x1 = int32_t(std::lround(x1 + (x2 - x1) * edge));
    arrow.y1 = int32_t(std::lround(y1 + (y2 - y1) * edge));
    arrow.x2 = int32_t(x2);
    arrow.y2 = int32_t(y2);
    arrow.colour = kArrowColour;
    arrows.push_back(arrow);
  }
  runtime::SetPanelArrows(BoardPanel, arrows);
}

void LiveAnalysis::Refresh() {
  if (!on_) return;
  // The outside engine's deadlines are found when it is polled.
  if (analyst_) PollAnalyst();
  if (std::exchange(outsideFresh_, false)) {
    Show();
    return;
  }
  bool fresh = false;
  if (handover_) {
    std::lock_guard<std::mutex> lock(handover_->mutex);
    fresh = std::exchange(handover_->fresh, false);
    if (fresh) lines_ = handover_->lines;
  }
  // Twice a second at least, even while a deep iteration of the engine goes on.
  if (fresh || std::chrono::steady_clock::now() - shownAt_ >= kQuietShowing) Show();
}

void LiveAnalysis::Restart() {
  StopEngine();
  if (analyst_) analyst_->Stop();
  analystSearch_ = 0;
  lines_.clear();
  trouble_.clear();
  notices_.clear();
  started_ = std::chrono::steady_clock::now();
  lineCount_ = LineCount();
  std::optional<Shown> shown = ShownPosition(&key_);
  shown_ = shown ? std::make_unique<Shown>(std::move(*shown)) : nullptr;
  const std::optional<OutsideEngine> outside =
      analystFailed_ ? std::nullopt : ChosenEngine(AnalystEngine());
  if (!outside) analyst_.reset();
  if (!shown_)
    trouble_ = "这个局面无法分析（不合标准规则）";
  else if (shown_->position.NoLegalMoves())
    trouble_ = "没有可走的棋";
  else if (outside)
    StartAnalyst(*outside, *shown_);
  else
    StartEngine(shown_->position);
  Show();
}

void LiveAnalysis::TurnOff() {
  on_ = false;
  StopEngine();
  analyst_.reset();  // its process ends now
  runtime::StopRepeatingCall(std::exchange(refresh_, 0));
  lines_.clear();
  key_.clear();
}

void LiveAnalysis::Toggle() {
  if (on_) {
    TurnOff();
    if (notesListener_) notesListener_();
    runtime::SetPanelArrows(BoardPanel, {});
    return;
  }
  on_ = true;
  if (showNotes_) showNotes_();
  refresh_ = runtime::StartRepeatingCall(kRefreshMs, [this] { Refresh(); });
  Restart();
}

void LiveAnalysis::FollowShownPosition() {
  if (!on_) return;
  std::string key;
  ShownPosition(&key);
  if (key != key_) Restart();
}

void LiveAnalysis::AnalystChoiceChanged() {
  analystFailed_ = false;
  analyst_.reset();
  if (on_) Restart();
}

int32_t LiveAnalysis::LineCount() {
  return std::clamp(runtime::ReadSetting(kLinesKey).value_or(1), 1, 3);
}

void LiveAnalysis::ChooseLineCount(int32_t lines) {
  if (lines < 1 || lines > 3) return;
  runtime::WriteSetting(kLinesKey, lines);
  if (on_) Restart();
}

}  // namespace game
