#include "game/window_session.h"

#include <memory>
#include <optional>

#include "game/board_drawing.h"
#include "game/units.h"
#include "runtime/error.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/windows/context_menu.h"
#include "runtime/windows/properties.h"

namespace game {

using namespace twoply;

namespace {

class WindowScreen final : public Screen {
 public:
  void DrawNewBoard() override { game::DrawNewBoard(); }
  void RedrawBoard(const BoardArray& board) override { game::RedrawBoard(board); }
  void DrawMove(const Move& move) override { game::DrawMove(move.from, move.to); }
  void HighlightSelection(Square square, bool earlierHighlighted) override {
    game::HighlightSelection(square, earlierHighlighted);
  }
  void SetCaption(Label label, const std::string& gbText) override {
    runtime::SetTextProperty(LabelUnit(label), prop::kCaption, runtime::Text(gbText));
  }
  void MarkHint(Square target) override { DrawHintMark(target); }
  void EraseHintMark(Square target) override { game::EraseHintMark(target); }
  void UseColours(Colour human) override { DrawnHumanColour = human; }
  void LineChanged() override {
    if (listener) listener();
  }
  std::function<void()> listener;

 private:
  static const UnitRef& LabelUnit(Label label) {
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
};

class BackgroundScheduler final : public Scheduler {
 public:
  Job Start(std::function<void()> work, std::function<void()> done) override {
    return runtime::StartBackgroundJob(
        runtime::BackgroundJob{std::move(work), {}, std::move(done)});
  }
  void Cancel(Job job) override { runtime::CancelBackgroundJob(job); }
};

class SettingsStore final : public ChoiceStore {
 public:
  std::optional<int32_t> Read(std::string_view key) override { return runtime::ReadSetting(key); }
  void Write(std::string_view key, int32_t value) override { runtime::WriteSetting(key, value); }
};

WindowScreen screen;
BackgroundScheduler scheduler;
SettingsStore settings;
std::unique_ptr<Session> session;
std::optional<int32_t> levelForThisRun;
std::optional<Colour> colourForThisRun;

}  // namespace

void OpenWindowGame() {
  session = std::make_unique<Session>(screen, scheduler, settings);
  if (levelForThisRun) session->OverrideLevelForThisRun(*levelForThisRun);
  if (colourForThisRun) session->OverrideColourForThisRun(*colourForThisRun);
  session->LoadChoices();
  // The search ends with the window, however the window goes; a level chosen in the window ends
  // the command line's for the rest of the run.
  runtime::CallWhenWindowGoes(MainWindow, [] {
    if (!session->LevelGivenForThisRun()) levelForThisRun.reset();
    if (!session->ColourGivenForThisRun()) colourForThisRun.reset();
    screen.listener = nullptr;
    session.reset();
  });
}

Session& TheGame() {
  if (!session) runtime::RaiseCommandError("the main window has no game");
  return *session;
}

void SetLineListener(std::function<void()> listener) {
  screen.listener = std::move(listener);
}

void OverrideColourForThisRun(Colour colour) {
  colourForThisRun = colour;
  if (session) session->OverrideColourForThisRun(colour);
}

void OverrideLevelForThisRun(int32_t level) {
  levelForThisRun = level;
  if (session) session->OverrideLevelForThisRun(level);
}

}  // namespace game
