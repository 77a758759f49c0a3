// The game's record beside the main window (棋谱): the moves in the notation chosen, the move
// shown marked, replay by clicks and keys, the result and how the game ended, the clocks, the
// analysis's lines and the graph of the scores. It follows the window's game by itself: the
// Session, the graph, the analysis and the clock tell it what changed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/lifeline.h"
#include "game/record/notation.h"
#include "ui/side_window.h"

namespace game {
class WindowGame;
struct GameChange;
}  // namespace game

namespace ui {

class RecordWindow {
 public:
  // Opens at once when it was left open at the end of the last run (once the main window stands
  // on the screen).
  explicit RecordWindow(game::WindowGame& window);
  ~RecordWindow();
  RecordWindow(const RecordWindow&) = delete;
  RecordWindow& operator=(const RecordWindow&) = delete;

  // 棋谱 (Ctrl+L): opens or closes it; remembered for the next run.
  void Toggle();
  bool Shown() const { return side_.IsOpen(); }
  // The widget while open (tests).
  QWidget* Widget() const { return side_.Widget(); }

 private:
  void OpenBeside();
  void Follow(const game::GameChange& change);
  void WriteMoves();
  void ShowLine();
  void ShowNotes();
  void ShowClocks();
  void ShowStatus();
  std::vector<std::string> GraphTips() const;
  void Step(SideKey key);
  void CellClicked(int32_t row, int32_t column);

  game::WindowGame& window_;
  SideWindow side_;
  uint64_t subscription_ = 0;
  // The moves of the line as written, each in the notation chosen: a new move is written alone.
  record::Notation written_ = record::Notation::kChinese;
  std::vector<std::string> texts_;
  engine::Position end_;  // where the written moves lead
  game::Lifeline lifeline_;
};

}  // namespace ui
