// 对局设置…: the game's settings in one dialog: the Computer's level, the colour the player has,
// the standard rules, and a clock for both sides (minutes for each and seconds added after each
// move; 0 minutes: no clock).
#pragma once

#include <cstdint>
#include <optional>

namespace ui {

struct GameSettings {
  int32_t level = 2;
  bool black = false;
  bool standardRules = false;
  int32_t clockMinutes = 0;
  int32_t incrementSeconds = 0;
  bool operator==(const GameSettings&) const = default;
};

// Shows the dialog (modal) starting from `now`; the settings confirmed, or nothing.
std::optional<GameSettings> ShowGameSettingsDialog(const GameSettings& now);

}  // namespace ui
