// What a game needs from the program around it, as three small interfaces: a screen that shows
// the game, a scheduler that runs a search off the user-interface thread, and a store for the
// player's lasting choices. The window implements them on the runtime; tests and xiangqi-cli
// implement them in a few lines.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/position.h"
#include "game/twoply/board.h"

namespace game {

// The three labels under the board.
enum class Label { kStatus, kStep, kTime };

// Everything the game shows, called in the order the game changes. Texts are GB18030.
class Screen {
 public:
  virtual ~Screen() = default;
  // The whole board at a new game: lines, the clean copy, the pieces.
  virtual void DrawNewBoard() = 0;
  // The whole board drawn anew: Board after it was replaced (an opened record, a paste, a
  // take-back), or an earlier position of the line while it is replayed.
  virtual void RedrawBoard(const twoply::BoardArray& board) = 0;
  // A move shown while Board still holds the position before it.
  virtual void DrawMove(const twoply::Move& move) = 0;
  // `square` lit as the selection; `earlierHighlighted` says whether a piece was lit before.
  virtual void HighlightSelection(twoply::Square square, bool earlierHighlighted) = 0;
  virtual void SetCaption(Label label, const std::string& gbText) = 0;
  // The hint's target marked, and the mark taken off again (the cell drawn as Board has it).
  virtual void MarkHint(twoply::Square target) = 0;
  virtual void EraseHintMark(twoply::Square target) = 0;
  // The colours the pieces are drawn in, told before a new game is drawn.
  virtual void UseColours(twoply::Colour /*human*/) {}
  // The line of moves, the replayed position or the outcome changed (the record's view follows).
  virtual void LineChanged() {}
};

// Runs one search's work away from the user-interface thread and its `done` back on it. A
// synchronous scheduler may run both inside Start.
class Scheduler {
 public:
  using Job = uint64_t;
  virtual ~Scheduler() = default;
  virtual Job Start(std::function<void()> work, std::function<void()> done) = 0;
  // Waits until the job's work has returned and drops its `done`. The caller has already told
  // the work to stop.
  virtual void Cancel(Job job) = 0;
};

// Where the Computer's moves at levels 3 to 8 come from when not from the built-in engine: an
// outside engine the window drives. The game asks for one move at a time and hears the answer
// later, on the user-interface thread.
class ReplyProvider {
 public:
  using Answer = std::function<void(std::optional<engine::Move>)>;
  virtual ~ReplyProvider() = default;
  // Asks for the move of the position `moves` lead to from `start` (the Computer to move there).
  // `answer` gets the move, or nothing when the provider failed (it has told the player why); it
  // is called at most once and never inside Ask. False, with `answer` never called, when the
  // provider cannot take the question at all.
  virtual bool Ask(const engine::Position& start, const std::vector<engine::Move>& moves,
                   Answer answer) = 0;
  // The question is withdrawn: its answer must not come. Nothing when none is open.
  virtual void Withdraw() = 0;
};

// The player's lasting choices: numbers under short keys.
class ChoiceStore {
 public:
  virtual ~ChoiceStore() = default;
  virtual std::optional<int32_t> Read(std::string_view key) = 0;
  virtual void Write(std::string_view key, int32_t value) = 0;
};

}  // namespace game
