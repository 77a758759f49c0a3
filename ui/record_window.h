// The game's record beside the main window (棋谱): a line of the record in the notation chosen —
// the line through the move shown, the one the player chose at each branch — with the move shown
// marked, the moves that have variations and comments marked, the variations of the move shown to
// choose from, its comment, replay by clicks and keys, the result and how the game ended, the
// clocks, the analysis's lines and the graph of the scores. Its 编辑 menu edits the record. It
// follows the window's game by itself: the Session, the graph, the analysis and the clock tell it
// what changed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/lifeline.h"
#include "game/record/game_tree.h"
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
  void FollowShownNode();
  const std::string& MoveText(record::NodeId node, const engine::Position& before);
  void ShowLine();
  void ShowChoices();
  void ShowNotes();
  void ShowClocks();
  size_t ShownIndex() const;
  size_t Length() const { return line_.size() + tail_.size(); }
  void ShowPosition(size_t index);
  void ShowStatus();
  std::string Title() const;
  std::vector<std::string> GraphTips();
  std::vector<std::string> GameLineTexts();
  void Step(SideKey key);
  void CellClicked(int32_t row, int32_t column);
  void ChoiceClicked(int32_t index);

  game::WindowGame& window_;
  SideWindow side_;
  uint64_t subscription_ = 0;
  // The line shown: its nodes after the start, then the moves of the game's line the record does
  // not hold (only when the line ends at the game's node).
  std::vector<record::NodeId> line_;
  std::vector<std::string> tail_;
  // How many positions from the start the line shares with the game's line.
  size_t shared_ = 0;
  // Each node's move as written in the notation chosen, kept while the record stays.
  record::Notation written_ = record::Notation::kChinese;
  std::vector<std::string> texts_;
  std::vector<record::NodeId> choices_;  // the variations listed
  game::Lifeline lifeline_;
};

}  // namespace ui
