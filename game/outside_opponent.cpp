#include "game/outside_opponent.h"

#include <algorithm>
#include <climits>
#include <utility>
#include <vector>

#include "game/engine_choice.h"
#include "game/outside/engine_client.h"
#include "game/play/session.h"
#include "runtime/system/message_box.h"

namespace game {

namespace {

// Timeouts are found only when the client is polled: this often while it is busy.
constexpr int32_t kPollMs = 50;

}  // namespace

// The game's questions put to one engine's process.
class OutsideOpponent::Provider final : public ReplyProvider {
 public:
  Provider(Session& game, OutsideEngine engine, std::function<void()> wakeup)
      : game_(game), engine_(std::move(engine)), client_(ConfigFor(engine_)) {
    // The wakeup may come after the provider is gone: the owner guards it.
    client_.SetWakeup(std::move(wakeup));
    // Started at once, so an engine that cannot run is reported now, not at the first reply.
    client_.Start();
  }
  bool Ask(const engine::Position& start, const std::vector<engine::Move>& moves,
           Answer answer) override;
  void Withdraw() override {
    answer_ = nullptr;
    search_ = 0;
    client_.Stop();
  }
  // Hands over what the engine said: the move to the game, notices to `notices`; a failure's
  // message is returned.
  std::optional<std::string> Poll(std::vector<std::string>& notices);
  bool Busy() const { return client_.Busy(); }
  std::string Name() const { return client_.DisplayName(); }
  // A new game begins: the engine is told before its first search of it.
  void NewGame() { client_.NewGame(); }
  std::optional<int> LastScore() const override { return lastScore_; }

 private:
  Session& game_;
  OutsideEngine engine_;
  outside::EngineClient client_;
  uint64_t search_ = 0;
  Answer answer_;
  std::optional<int> lastScore_;  // the engine's last score, for the side it moves
};

bool OutsideOpponent::Provider::Ask(const engine::Position& start,
                                    const std::vector<engine::Move>& moves, Answer answer) {
  outside::GoLimits limits;
  if (const GameClock* clock = game_.Clock()) {
    // A clock already run out is told as 1 ms: the engine answers at once, and the game has
    // already judged the flag.
    const auto left = [clock](twoply::Colour side) {
      return int(std::clamp<int64_t>(clock->Remaining(side), 1, INT32_MAX));
    };
    limits.red_ms = left(twoply::Colour::kRed);
    limits.black_ms = left(twoply::Colour::kBlack);
    limits.red_increment_ms = limits.black_increment_ms = int(clock->Setting().increment_ms);
  } else {
    limits.movetime_ms = EngineMoveMs();
  }
  search_ = client_.Go(start, moves, limits);
  if (search_ == 0 && client_.state() != outside::EngineClient::State::kFailed) return false;
  // A client that failed at its start tells why at the next poll.
  answer_ = std::move(answer);
  return true;
}

std::optional<std::string> OutsideOpponent::Provider::Poll(std::vector<std::string>& notices) {
  using Kind = outside::EngineEvent::Kind;
  for (outside::EngineEvent& event : client_.Poll()) {
    switch (event.kind) {
      case Kind::kFailed:
        return event.message;
      case Kind::kNotice:
        notices.push_back(event.message);
        break;
      case Kind::kReady:
        RememberFound(engine_.command, client_);
        break;
      case Kind::kInfo:
        // The lines' scores are red's: turned to the side the engine moves for.
        if (event.search == search_ && event.line.score_cp && event.line.multipv == 1) {
          const bool red = game_.HumanColour() == twoply::Colour::kBlack;
          lastScore_ = red ? *event.line.score_cp : -*event.line.score_cp;
        }
        break;
      case Kind::kBestMove:
        RememberFound(engine_.command, client_);
        if (event.search == search_ && answer_) {
          search_ = 0;
          std::exchange(answer_, nullptr)(event.best);
        }
        break;
    }
  }
  if (client_.state() == outside::EngineClient::State::kFailed) return client_.FailureMessage();
  return std::nullopt;
}

OutsideOpponent::OutsideOpponent(Session& game, std::optional<std::string>& commandForThisRun)
    : game_(game), commandForThisRun_(commandForThisRun) {
  subscription_ = game_.Subscribe([this](const GameChange& change) {
    if (change.newStart && provider_) provider_->NewGame();
  });
}

OutsideOpponent::~OutsideOpponent() {
  game_.Unsubscribe(subscription_);
  runtime::StopRepeatingCall(std::exchange(polling_, 0));
  // The game lets go of the engine before it ends.
  game_.UseReplyProvider(nullptr);
}

void OutsideOpponent::StartPolling() {
  if (polling_ == 0) polling_ = runtime::StartRepeatingCall(kPollMs, [this] { Poll(); });
}

void OutsideOpponent::Poll() {
  if (!provider_) return;
  std::vector<std::string> notices;
  if (std::optional<std::string> failure = provider_->Poll(notices)) return FailedWith(*failure);
  if (!provider_->Busy()) runtime::StopRepeatingCall(std::exchange(polling_, 0));
  // What the engine's options came to (a value left out, settings that did not read).
  std::string told;
  for (const std::string& notice : notices) {
    if (!told.empty()) told += '\n';
    told += notice;
  }
  if (!told.empty()) runtime::ShowMessageBox(runtime::BoxIcon::kInformation, told, "引擎");
}

// The engine goes and the built-in engine answers the question it left, at the chosen level.
void OutsideOpponent::FailedWith(const std::string& message) {
  commandForThisRun_.reset();
  runtime::StopRepeatingCall(std::exchange(polling_, 0));
  game_.UseReplyProvider(nullptr);
  provider_.reset();
  runtime::ShowMessageBox(runtime::BoxIcon::kWarning, message + "\n内置引擎接着下这盘棋。",
                          "引擎出错");
}

void OutsideOpponent::FollowChoice() {
  std::optional<OutsideEngine> chosen =
      commandForThisRun_ ? OutsideEngine{"", *commandForThisRun_, std::nullopt, "", {}}
                         : ChosenEngine(OpponentEngine());
  // The game lets go of the old engine before it ends.
  game_.UseReplyProvider(nullptr);
  provider_.reset();
  runtime::StopRepeatingCall(std::exchange(polling_, 0));
  if (!chosen) return;
  provider_ = std::make_unique<Provider>(game_, *chosen, [this, alive = lifeline_.Handle()] {
    runtime::PostToUiThread(Lifeline::Guarded(alive, [this] {
      Poll();
      if (provider_ && provider_->Busy()) StartPolling();
    }));
  });
  // The engine given for this run plays at every level, the one chosen at levels 3 to 8.
  game_.UseReplyProvider(provider_.get(), commandForThisRun_.has_value());
  StartPolling();
}

void OutsideOpponent::ForgetEngineForThisRun() {
  commandForThisRun_.reset();
}

std::string OutsideOpponent::Name() const {
  return provider_ ? provider_->Name() : std::string();
}

}  // namespace game
