#include "game/outside_opponent.h"

#include <algorithm>
#include <climits>
#include <memory>
#include <optional>
#include <utility>

#include "game/engine_choice.h"
#include "game/outside/engine_client.h"
#include "game/record_window.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/system/message_box.h"
#include "runtime/system/worker.h"
#include "runtime/windows/context_menu.h"

namespace game {

using namespace twoply;

namespace {

// Timeouts are found only when the client is polled: this often while it is busy.
constexpr int32_t kPollMs = 50;
// A game on a clock: the Human's flag is looked at and the clocks shown this often.
constexpr int32_t kClockTickMs = 200;

Colour ComputerColour() {
  return TheGame().HumanColour() == Colour::kRed ? Colour::kBlack : Colour::kRed;
}

// The engine's own clock ran out while it thought.
bool OutOfTime() {
  const GameClock* clock = TheGame().Clock();
  return clock && clock->Running() == ComputerColour() && clock->Remaining(ComputerColour()) <= 0;
}

class OutsideOpponent final : public ReplyProvider {
 public:
  explicit OutsideOpponent(OutsideEngine engine) : engine_(std::move(engine)) {}
  ~OutsideOpponent() override { StopPolling(); }

  bool Ask(const engine::Position& start, const std::vector<engine::Move>& moves,
           Answer answer) override;
  void Withdraw() override {
    answer_ = nullptr;
    search_ = 0;
    if (client_) client_->Stop();
  }
  // Hands over what the engine said: the move to the game; a failure's message is returned.
  std::optional<std::string> Poll();
  std::string Name() const { return client_ ? client_->DisplayName() : engine_.name; }

 private:
  void StartPolling();
  void StopPolling() { runtime::StopRepeatingCall(std::exchange(polling_, 0)); }

  OutsideEngine engine_;
  std::unique_ptr<outside::EngineClient> client_;
  uint64_t search_ = 0;
  Answer answer_;
  runtime::RepeatingCallId polling_ = 0;
};

std::unique_ptr<OutsideOpponent> opponent;
std::optional<std::string> commandForThisRun;
runtime::RepeatingCallId clockTick = 0;

void TickClock() {
  TheGame().CheckClock();
  RefreshRecordNotes();
}

// The clock chosen in 引擎… goes with an outside opponent; the built-in engine plays by its level.
void FollowClockChoice() {
  std::optional<ClockSetting> setting = opponent ? EngineClock() : std::nullopt;
  TheGame().UseClock(setting);
  runtime::StopRepeatingCall(std::exchange(clockTick, 0));
  if (setting) clockTick = runtime::StartRepeatingCall(kClockTickMs, TickClock);
}

void PollOpponent();

bool OutsideOpponent::Ask(const engine::Position& start, const std::vector<engine::Move>& moves,
                          Answer answer) {
  if (!client_) {
    client_ = std::make_unique<outside::EngineClient>(ConfigFor(engine_));
    // Posted calls find the opponent through the global, which outlives a destroyed client.
    client_->SetWakeup([] { runtime::PostToUiThread(PollOpponent); });
    client_->Start();
  }
  outside::GoLimits limits;
  if (const GameClock* clock = TheGame().Clock()) {
    // A clock already run out is told as 1 ms: the engine answers at once and loses on time.
    const auto left = [clock](Colour side) {
      return int(std::clamp<int64_t>(clock->Remaining(side), 1, INT32_MAX));
    };
    limits.red_ms = left(Colour::kRed);
    limits.black_ms = left(Colour::kBlack);
    limits.red_increment_ms = limits.black_increment_ms = int(clock->Setting().increment_ms);
  } else {
    limits.movetime_ms = EngineMoveMs();
  }
  search_ = client_->Go(start, moves, limits);
  if (search_ == 0 && client_->state() != outside::EngineClient::State::kFailed) return false;
  // A client that failed at its start tells why at the next poll.
  answer_ = std::move(answer);
  StartPolling();
  return true;
}

void OutsideOpponent::StartPolling() {
  if (polling_ == 0) polling_ = runtime::StartRepeatingCall(kPollMs, PollOpponent);
}

std::optional<std::string> OutsideOpponent::Poll() {
  if (!client_) return std::nullopt;
  if (answer_ && OutOfTime()) return "引擎 " + Name() + " 用完了它的时间。";
  for (outside::EngineEvent& event : client_->Poll()) {
    if (event.kind == outside::EngineEvent::Kind::kFailed) return event.message;
    if (event.kind == outside::EngineEvent::Kind::kBestMove && event.search == search_ && answer_) {
      search_ = 0;
      std::exchange(answer_, nullptr)(event.best);
    }
  }
  if (client_->state() == outside::EngineClient::State::kFailed) return client_->FailureMessage();
  if (!client_->Busy()) StopPolling();
  return std::nullopt;
}

// The engine goes and the built-in engine answers the question it left, at the chosen level.
void PollOpponent() {
  if (!opponent) return;
  std::optional<std::string> failure = opponent->Poll();
  if (!failure || !opponent) return;
  const std::unique_ptr<OutsideOpponent> gone = std::move(opponent);
  commandForThisRun.reset();
  FollowClockChoice();
  TheGame().UseReplyProvider(nullptr);
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning, *failure + "\n内置引擎接着下这盘棋。",
                          "引擎出错");
}

std::optional<OutsideEngine> ChosenOpponent() {
  if (commandForThisRun) return OutsideEngine{"", *commandForThisRun, std::nullopt, ""};
  const int32_t chosen = OpponentEngine();
  if (chosen == 0) return std::nullopt;
  return SavedEngines()[size_t(chosen - 1)];
}

}  // namespace

void InstallOutsideOpponent() {
  runtime::CallWhenWindowGoes(MainWindow, [] {
    opponent.reset();
    runtime::StopRepeatingCall(std::exchange(clockTick, 0));
  });
  OpponentChoiceChanged();
}

void UseOpponentEngineForThisRun(std::string command) {
  commandForThisRun = std::move(command);
}

void OpponentChoiceChanged() {
  std::optional<OutsideEngine> chosen = ChosenOpponent();
  std::unique_ptr<OutsideOpponent> old = std::move(opponent);
  if (chosen) opponent = std::make_unique<OutsideOpponent>(*chosen);
  FollowClockChoice();
  // The game lets go of the old engine before it ends.
  TheGame().UseReplyProvider(opponent.get());
}

void ForgetOpponentForThisRun() {
  commandForThisRun.reset();
}

std::string OpponentName() {
  return opponent ? opponent->Name() : std::string();
}

}  // namespace game
