// 显示提示: the board says what is happening, as marks laid over the board panel (never drawn
// into it): the last move's two squares, a General in check ringed with "将军" below, the points
// the selected piece may go to as dots, why a move was refused, and the result at the end. Off
// (as by default) it lays nothing: the board is the game's own, pixel for pixel. Remembered.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "game/twoply/board.h"

namespace game {

class Session;

class BoardHints {
 public:
  explicit BoardHints(Session& game);
  ~BoardHints();
  BoardHints(const BoardHints&) = delete;
  BoardHints& operator=(const BoardHints&) = delete;

  bool On() const { return on_; }
  void Toggle();
  // `square` is being selected, or a move was refused: the marks follow.
  void SelectionChanged(twoply::Square square);
  void MoveRefused(const twoply::Move& move);

 private:
  void Refresh(std::optional<twoply::Square> selecting = std::nullopt);

  Session& game_;
  uint64_t subscription_ = 0;
  bool on_ = false;
  std::string refused_;  // why the last move was refused, until the next action
};

}  // namespace game
