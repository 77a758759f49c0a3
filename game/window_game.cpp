#include "game/window_game.h"

#include "game/board_drawing.h"
#include "game/board_hints.h"
#include "game/engine_choice.h"
#include "game/game_files.h"
#include "game/game_menu.h"
#include "game/labels.h"
#include "game/live_analysis.h"
#include "game/outside_opponent.h"
#include "game/score_graph.h"
#include "game/units.h"
#include "runtime/system/folders.h"
#include "runtime/system/message_box.h"
#include "runtime/system/questions.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"

namespace game {

using namespace twoply;

namespace {

// A game on a clock: the flags are looked at and the clocks shown this often.
constexpr int32_t kClockTickMs = 200;
constexpr std::string_view kScaleKey = "boardScale";
constexpr std::string_view kResultBoxKey = "resultBox";
// A game being played is kept again after this many more moves.
constexpr size_t kKeepEveryPlies = 4;

const UnitRef& LabelUnit(Label label) {
  switch (label) {
    case Label::kStatus:
      return StatusLabel;
    case Label::kStep:
      return StepLabel;
    case Label::kTime:
      break;
  }
  return TimeLabel;
}

}  // namespace

// The Session's three ports on the main window: the board panels and labels, the runtime's
// background jobs and the settings file.
class WindowGame::Ports final : public Screen, public Scheduler, public ChoiceStore {
 public:
  // Screen
  void DrawNewBoard() override { game::DrawNewBoard(below_); }
  void RedrawBoard(const BoardArray& board) override { game::RedrawBoard(board, below_); }
  void DrawMove(const Move& move) override { game::DrawMove(move.from, move.to, below_); }
  void HighlightSelection(Square square, bool earlierHighlighted) override {
    game::HighlightSelection(lit_, square, earlierHighlighted, below_);
    if (owner_ != nullptr && owner_->hints_) owner_->hints_->SelectionChanged(square);
  }
  void MoveRefused(const Move& move) override {
    if (owner_ != nullptr && owner_->hints_) owner_->hints_->MoveRefused(move);
  }
  void HighlightShown(const BoardArray& board, Square square, bool earlierHighlighted) override {
    game::HighlightSelection(lit_, square, earlierHighlighted, below_, board);
  }
  void ShowLabel(Label label, const Labels& labels) override {
    runtime::SetTextProperty(LabelUnit(label), prop::kCaption,
                             runtime::Text(LabelCaption(label, labels)));
  }
  void MarkHint(Square target) override { DrawHintMark(target); }
  void EraseHintMark(Square target) override { game::EraseHintMark(target, below_); }
  void UseColours(Colour human) override { below_ = human; }
  void LineEnding() override {
    if (owner_ != nullptr) owner_->KeepGame(true);
  }
  void ClickedWhileViewing() override {
    if (owner_ != nullptr)
      owner_->Notify(
          "回看中 — 轮到你走的局面上走一步就成了变着；选「从此处继续」在这里接着下，或按 End "
          "回到对局");
  }
  void SetOwner(WindowGame* owner) { owner_ = owner; }

  // Scheduler
  Job Start(std::function<void()> work, std::function<void()> done) override {
    return runtime::StartBackgroundJob(
        runtime::BackgroundJob{std::move(work), {}, std::move(done)});
  }
  void Cancel(Job job) override { runtime::CancelBackgroundJob(job); }

  // ChoiceStore
  std::optional<int32_t> Read(std::string_view key) override { return runtime::ReadSetting(key); }
  void Write(std::string_view key, int32_t value) override { runtime::WriteSetting(key, value); }

 private:
  Colour below_ = Colour::kRed;
  Highlight lit_;  // the selection's highlight
  WindowGame* owner_ = nullptr;
};

WindowGame::WindowGame(WindowSetup& setup)
    : setup_(setup),
      ports_(std::make_unique<Ports>()),
      session_(std::make_unique<Session>(*ports_, *ports_, *ports_)),
      recent_(runtime::UserDataFolder() + "/recent"),
      recentId_(record::NewRecentId()) {
  ports_->SetOwner(this);
  session_->LoadChoices(setup_.run);
  // While playing, every few moves; a new line is a new game of the list.
  keepSubscription_ = session_->Subscribe([this](const GameChange& change) {
    if (change.newStart) {
      recentId_ = record::NewRecentId();
      keptPlies_ = 0;
      SetFilePath({});  // an opened file is named again once it stands on the board
    }
    if (change.line || change.view) Notify({});
    const bool over = session_->Turn().GameOver != 0;
    // Ended by a move, a flag or a word: not a finished game opened.
    if (over && !over_ && !change.newStart && ResultBox()) {
      const std::string result = ResultText(session_->GameOutcome(), session_->HumanColour());
      // After the move that ended it is drawn.
      runtime::PostToUiThread([result] {
        runtime::ShowMessageBox(runtime::BoxIcon::kInformation, result, "对局结束");
      });
    }
    over_ = over;
    const size_t plies = session_->LineEngineMoves().size();
    if (plies >= keptPlies_ + kKeepEveryPlies || plies + kKeepEveryPlies <= keptPlies_)
      KeepGame(false);
  });
  // Before the first game: a Computer with red answers the new game's first question.
  opponent_ = std::make_unique<OutsideOpponent>(*session_, setup_.engine);
  opponent_->FollowChoice();
  ClockChosen();
}

WindowGame::~WindowGame() {
  runtime::StopRepeatingCall(std::exchange(clockTick_, 0));
  // The window goes however it goes: the game is kept first, and a write under way finishes.
  KeepGame(true);
  runtime::CancelBackgroundJob(std::exchange(keeping_, 0));
  ports_->SetOwner(nullptr);
  session_->Unsubscribe(keepSubscription_);
  // The windows let go of the parts first, the parts of the game, and the game stops its search.
  windows_.reset();
  hints_.reset();
  analysis_.reset();
  graph_.reset();
  opponent_.reset();
  session_->Stop();
}

void WindowGame::ShowParts() {
  InstallBoardMenu(*this);
  // The scores and the analysis follow the line before the record shows it: they subscribe first.
  graph_ = std::make_unique<ScoreGraph>(
      *session_, [this] { return windows_ != nullptr && windows_->RecordWindowShown(); });
  analysis_ = std::make_unique<LiveAnalysis>(*session_, [this] {
    if (windows_ && !windows_->RecordWindowShown()) windows_->ToggleRecordWindow();
  });
  hints_ = std::make_unique<BoardHints>(*session_);
  if (setup_.extraWindows) windows_ = setup_.extraWindows(*this);
}

void WindowGame::ChooseLevel(int32_t level) {
  session_->ChooseLevel(level);
  setup_.run.level.reset();
}

void WindowGame::PlayAs(Colour colour) {
  setup_.run.colour.reset();
  session_->PlayAs(colour);
}

void WindowGame::EnginesChosen() {
  opponent_->ForgetEngineForThisRun();
  opponent_->FollowChoice();
  ClockChosen();
  analysis_->AnalystChoiceChanged();
  if (statusListener_) statusListener_();
}

int32_t WindowGame::BoardScale() {
  const int32_t halves = runtime::ReadSetting(kScaleKey).value_or(2);
  return halves >= 2 && halves <= 4 ? halves : 2;
}

void WindowGame::ChooseBoardScale(int32_t halves) {
  if (halves < 2 || halves > 4 || halves == BoardScale()) return;
  runtime::WriteSetting(kScaleKey, halves);
  if (!runtime::AskYesNo("棋盘的大小在程序重新启动后改变。现在重新启动吗？\n"
                         "这盘棋会留在“最近的对局”里，重新启动后接着下。",
                         "放大棋盘"))
    return;
  KeepGame(true);
  setup_.restart = true;
  runtime::Destroy(MainWindow);
}

void WindowGame::ClockChosen() {
  session_->UseClock(EngineClock());
  FollowClock();
}

void WindowGame::KeepGame(bool now) {
  // Unchanged since it was kept, or nothing yet to keep.
  const size_t plies = session_->LineEngineMoves().size();
  if (plies == 0 || session_->RecordRevision() == keptRevision_) return;
  keptPlies_ = plies;
  keptRevision_ = session_->RecordRevision();
  // One write at a time for a game: a later one waits for the one under way.
  runtime::CancelBackgroundJob(std::exchange(keeping_, 0));
  const record::GameTree tree = GameRecord(*this, record::Notation::kChinese);
  // A record that cannot hold the moves (a board it does not start from) is no game to keep.
  if (tree.Children(record::kRootNode).empty()) return;
  std::string text = record::WritePgn(tree, record::Notation::kChinese);
  if (now) {
    recent_.Keep(recentId_, text);
    return;
  }
  keeping_ = runtime::StartBackgroundJob(runtime::BackgroundJob{
      [store = recent_, id = recentId_, text = std::move(text)] { store.Keep(id, text); },
      {},
      [this] { keeping_ = 0; }});
}

StatusFacts WindowGame::Status() const {
  const Session& game = *session_;
  StatusFacts facts;
  facts.human = game.HumanColour();
  facts.humanToMove = game.Turn().HumanToMove == 1;
  facts.thinking = game.Thinking();
  facts.outcome = game.GameOutcome();
  facts.level = game.Level();
  facts.standardRules = game.StandardRules();
  facts.thinkingMs = game.LabelValues().thinkingMs;
  if (game.ProviderPlays())
    facts.opponent = opponent_->Name();
  else if (game.Provider() != nullptr)
    facts.idleEngine = opponent_->Name();
  return facts;
}

void WindowGame::Notify(std::string text) {
  if (text == notice_) return;
  notice_ = std::move(text);
  if (statusListener_) statusListener_();
}

void WindowGame::SetFilePath(std::string path) {
  if (path == filePath_) return;
  filePath_ = std::move(path);
  if (statusListener_) statusListener_();
}

bool WindowGame::ResultBox() {
  return runtime::ReadSetting(kResultBoxKey).value_or(0) == 1;
}

void WindowGame::ChooseResultBox(bool on) {
  runtime::WriteSetting(kResultBoxKey, on ? 1 : 0);
}

void WindowGame::FollowClock() {
  const bool wanted = session_->Clock() != nullptr;
  if (wanted == (clockTick_ != 0)) return;
  if (!wanted) {
    runtime::StopRepeatingCall(std::exchange(clockTick_, 0));
    return;
  }
  clockTick_ = runtime::StartRepeatingCall(kClockTickMs, [this] {
    session_->CheckClock();
    if (clockListener_) clockListener_();
  });
}

}  // namespace game
