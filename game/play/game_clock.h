// A chess clock for the two sides: each has its base time and gets the increment after each of
// its moves, and only the side to move loses time. The time source can be replaced (tests).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "game/twoply/board.h"

namespace game {

struct ClockSetting {
  int64_t base_ms = 0;
  int64_t increment_ms = 0;
  bool operator==(const ClockSetting&) const = default;
};

class GameClock {
 public:
  using TimeSource = std::function<int64_t()>;  // milliseconds, never going back
  explicit GameClock(ClockSetting setting, TimeSource now = {});

  // `side` is to move: a side that was running is charged its time and, as it moved, gets its
  // increment. Running the side already running does nothing.
  void Run(twoply::Colour side);
  // The clock stops (the game is over, or the turn was taken back): the running side is charged
  // its time and gets no increment.
  void Stop();
  // What is left, the running side's time counted to now; below zero when its time ran out.
  int64_t Remaining(twoply::Colour side) const;
  std::optional<twoply::Colour> Running() const { return running_; }
  ClockSetting Setting() const { return setting_; }

 private:
  void Charge();

  ClockSetting setting_;
  TimeSource now_;
  int64_t left_[2];
  std::optional<twoply::Colour> running_;
  int64_t since_ = 0;
};

// "4:59" and "1:02:03"; a time run out reads "0:00".
std::string ClockText(int64_t ms);

}  // namespace game
