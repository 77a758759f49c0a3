#include "game/play/game_clock.h"

#include <chrono>
#include <utility>

namespace game {

using namespace twoply;

namespace {

int64_t SteadyMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

size_t Index(Colour side) {
  return side == Colour::kRed ? 0 : 1;
}

}  // namespace

GameClock::GameClock(ClockSetting setting, TimeSource now)
    : setting_(setting),
      now_(now ? std::move(now) : TimeSource(SteadyMs)),
      left_{setting.base_ms, setting.base_ms} {}

void GameClock::Charge() {
  const int64_t now = now_();
  if (running_) left_[Index(*running_)] -= now - since_;
  since_ = now;
}

void GameClock::Run(Colour side) {
  if (running_ == side) return;
  const std::optional<Colour> moved = running_;
  Charge();
  if (moved) left_[Index(*moved)] += setting_.increment_ms;
  running_ = side;
}

void GameClock::Stop() {
  Charge();
  running_.reset();
}

int64_t GameClock::Remaining(Colour side) const {
  int64_t left = left_[Index(side)];
  if (running_ == side) left -= now_() - since_;
  return left;
}

std::string ClockText(int64_t ms) {
  const int64_t seconds = ms <= 0 ? 0 : (ms + 999) / 1000;  // 0.4 s left still shows 0:01
  const int64_t hours = seconds / 3600, minutes = seconds / 60 % 60, rest = seconds % 60;
  auto two = [](int64_t n) { return std::string(1, char('0' + n / 10)) + char('0' + n % 10); };
  return hours > 0 ? std::to_string(hours) + ":" + two(minutes) + ":" + two(rest)
                   : std::to_string(minutes) + ":" + two(rest);
}

}  // namespace game
