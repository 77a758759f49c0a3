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

// What the status label says; the window words it.
enum class Status : uint8_t {
  kBlank,          // a new game: nothing yet
  kYourTurn,       // 到你了...
  kThinking,       // 电脑思考中...
  kCheckYourTurn,  // standard rules: the Human is in check and to move
  kYouWon,
  kYouLost,
  kDraw,  // standard rules and agreed draws only
};
// The three labels as values: the status, the Human's moves counted (nothing: the label's word
// alone, as a new game shows it) and the Computer's last thinking time in milliseconds (likewise).
struct Labels {
  Status status = Status::kBlank;
  std::optional<int32_t> steps;
  std::optional<int32_t> thinkingMs;
  bool operator==(const Labels&) const = default;
};

// Everything the game shows on the board and its labels, called in the order the game changes.
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
  // The same on `board`, a position shown while replaying (Board holds the game's).
  virtual void HighlightShown(const twoply::BoardArray& /*board*/, twoply::Square /*square*/,
                              bool /*earlierHighlighted*/) {}
  // `label` changed; `labels` is all three as they stand now.
  virtual void ShowLabel(Label label, const Labels& labels) = 0;
  // The hint's target marked, and the mark taken off again (the cell drawn as Board has it).
  virtual void MarkHint(twoply::Square target) = 0;
  virtual void EraseHintMark(twoply::Square target) = 0;
  // The colours the pieces are drawn in, told before a new game is drawn.
  virtual void UseColours(twoply::Colour /*human*/) {}
  // A move of the Human's that the rules refused (the piece stays where it was).
  virtual void MoveRefused(const twoply::Move& /*move*/) {}
  // A click on the board while an earlier position is shown where the Human cannot move (the
  // other side is to move there, or the Computer is thinking).
  virtual void ClickedWhileViewing() {}
  // The line of moves is about to be replaced (a new game, a position pasted or opened, a game
  // loaded): the last moment to keep it. Only for a line with moves.
  virtual void LineEnding() {}
};

// What changed in a game, told to the Session's subscribers once an action has changed it.
struct GameChange {
  bool line = false;      // moves were added or dropped, or a new line began
  size_t keptPlies = 0;   // with `line`: the plies of the line told before that still stand
  bool newStart = false;  // with `line`: the line begins from another position (keptPlies 0)
  bool view = false;      // the position shown while replaying changed
  uint64_t revision = 0;  // counts the changes of the line
  // The record changed besides the line's moves: a new record, comments, tags, variations.
  bool record = false;
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
  // The score the provider gave its last answer, in centipawns for the side that asked.
  virtual std::optional<int> LastScore() const { return std::nullopt; }
};

// The player's lasting choices: numbers under short keys.
class ChoiceStore {
 public:
  virtual ~ChoiceStore() = default;
  virtual std::optional<int32_t> Read(std::string_view key) = 0;
  virtual void Write(std::string_view key, int32_t value) = 0;
};

}  // namespace game
