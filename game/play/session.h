// One game and its one owner: the position and whose turn it is, the selection, the line of moves
// played (what a take-back restores), the record of the game as a tree (variations, comments,
// tags) with the node the game stands on, the Computer's level and rules, the one search that may
// be running (the Computer's reply or a hint), the hint shown and the outcome. What a player does
// arrives here as calls; what the screen shows leaves through the Screen port in the order the
// game changes. No window and no Qt: xiangqi-cli plays through the same class.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/line_judge.h"
#include "engine/position.h"
#include "game/play/engine_bridge.h"
#include "game/play/game_clock.h"
#include "game/play/ports.h"
#include "game/record/game_tree.h"
#include "game/twoply/board.h"

namespace engine {
class Searcher;
}

namespace game {

// Every global of the game to its start value (empty boards, zero flags, lists and tables), and
// every global released at the end. CreateGlobals runs before the start window is loaded.
void CreateGlobals();
void ReleaseGlobals();

// The controller's state, by the names the game has always given it. HumanToMove is 0 only
// during the Computer's turn; the flags are toggled and tested as the numbers they are.
struct TurnState {
  int32_t GameOver = 0;
  int32_t HumanToMove = 0;
  int32_t PieceSelected = 0;
  twoply::Square SelectedSquare{0, 0};
  twoply::Square TargetSquare{0, 0};
  int32_t StepCount = 0;
};

// Levels 1 and 2 are the game's own two-ply search, inside the move; 3 to 8 are the full-rules
// engine, thinking through the scheduler (engine/levels.h).
inline constexpr int32_t kDefaultLevel = 2;
// A hint is searched at the chosen level, at least this one.
inline constexpr int32_t kLowestHintLevel = 4;

// Ends the game when one General is missing from both palaces (the other found).
enum class Winner { kNobody, kHuman, kComputer, kDraw };
Winner GeneralsVerdict(const twoply::BoardArray& board);

// How a finished game ended.
enum class Ending {
  kNone,
  kGeneralTaken,  // a General no longer in its palace
  kMate,          // standard rules: no legal move while in check
  kStalemate,     // standard rules: no legal move, not in check
  kResigned,      // a side gave up (the Human in the window, or as a record says)
  kRecorded,      // a record's result, for a reason not told
  kTime,          // the loser's clock ran out
  // Standard rules, judged after every move:
  kPerpetualCheck,  // the loser checked with every move of three repetitions
  kPerpetualChase,  // the loser chased with every move of three repetitions
  kRepetition,      // a draw: the position stood a third time, neither side to blame
  kMoveLimit,       // a draw: 60 rounds without a capture
  kAgreed,          // a draw the Computer accepted
};
struct Outcome {
  Winner winner = Winner::kNobody;
  Ending ending = Ending::kNone;
};

// Choices given for one run (the command line), which win over the remembered ones until the
// player chooses anew.
struct RunChoices {
  std::optional<int32_t> level;
  std::optional<twoply::Colour> colour;
};

// The moves played since the start of the game or the last position opened or pasted, and the
// board they start from; the two sides move in turn from `first`.
struct GameLine {
  twoply::BoardArray start;
  twoply::Side first = twoply::Human;
  std::vector<twoply::Move> moves;
};

// Why a position cannot start a game: the text is not a FEN (`notFen`, the reader's reason), or
// its board cannot stand in a game (`problems`, every one of them).
struct PositionRefusal {
  std::string notFen;
  std::vector<engine::PositionProblem> problems;
};

enum class DrawAnswer {
  kAccepted,
  kNotNow,    // the game is over, or it is not the Human's turn
  kTooEarly,  // fewer than 20 rounds played and attacking pieces left
  kNotEven,   // the Computer thinks it stands better than a third of a pawn
};
// A draw is agreed only after this many rounds, when the score is within this many centipawns,
// unless neither side has a piece left that can attack.
inline constexpr size_t kDrawOfferRounds = 20;
inline constexpr int kDrawOfferMarginCp = 30;

enum class HintAnswer {
  kNotNow,      // the game is over, the Computer is to move, or a search is running
  kNoMove,      // the Human has no legal move
  kSearching,   // the hint is shown when its search ends
  kShown,       // shown at once
  kImpossible,  // the engine cannot take this position and no General can be taken
};

class Session {
 public:
  Session(Screen& screen, Scheduler& scheduler, ChoiceStore& choices);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  // Every subscriber hears of each change once the action that made it is done (in the order
  // they subscribed). Unsubscribe may be called from inside a listener.
  using Listener = std::function<void(const GameChange&)>;
  uint64_t Subscribe(Listener listener);
  void Unsubscribe(uint64_t subscription);

  // --- What the player does ---
  // The initial position, the Human to move, fresh labels; a search stops, the line is forgotten.
  void NewGame();
  // A left press on the board: the square under it, or nothing when it fell outside the grid.
  void Click(std::optional<twoply::Square> square);
  // A whole move of the Human's (xiangqi-cli): false, with nothing changed, when the game's rules
  // (and the standard rules when chosen) refuse it or it is not the Human's turn.
  bool PlayHumanMove(const twoply::Move& move);
  // The Human's last move and the Computer's reply taken back; nothing selected afterwards.
  void TakeBack();
  HintAnswer RequestHint();
  // A FEN becomes a new game from it (the Computer moves at once when the FEN says it is to
  // move); anything else is refused with its reasons and nothing changes. A take-back never goes
  // back past it.
  std::optional<PositionRefusal> Paste(std::string_view fen);
  // A board opened from a record replaces Board and nothing else; a Computer stopped while
  // thinking hands the turn to the Human.
  void OpenBoard(const twoply::BoardArray& board);
  // A whole game becomes the game: `moves` played from `start` (`first` to move there, each move
  // legal under the full rules), the board at its last position. A game a record calls decided
  // ends there; otherwise, when it is the Computer's turn, the Computer plays on.
  void LoadGame(const twoply::BoardArray& start, twoply::Side first,
                const std::vector<twoply::Move>& moves,
                std::optional<Outcome> decided = std::nullopt);
  // A game read from a file becomes the game as LoadGame plays it: its tree is the record (its
  // tags, comments and variations kept) and the game stands at the end of the main line.
  void LoadRecord(record::GameTree tree, std::optional<Outcome> decided = std::nullopt);
  // A new game with the Human's pieces in `colour`: with black the Computer has red and moves
  // first. The colour holds for the next new games too, and is remembered.
  void PlayAs(twoply::Colour colour);

  // Replay: the position after `ply` moves of the line shown on the board while the game stays as
  // it is; the line's length goes back to the game. A move the Human makes on the position shown
  // follows the recorded one when it is that move, and otherwise becomes a variation there that
  // the game goes on in (the Computer replies).
  void View(size_t ply);
  // Replay of any node of the record, a variation's too; the game's own node goes back to it.
  void ViewNode(record::NodeId node);
  // The ply shown (moves from the start), or nothing while the board shows the game.
  std::optional<size_t> Viewed() const;
  // The record's node the board shows (the game's node while it shows the game); kNoNode for a
  // position of the line the record does not hold.
  record::NodeId ShownNode() const;
  // The moves from the start to the position shown.
  std::vector<engine::Move> ShownMoves() const;
  // The position shown becomes the game: its line is the way to it (the later moves stay in the
  // record, as its continuation), and the Computer plays on when it is its turn there.
  void ContinueFromView();
  // The moves of the line after the position shown that ContinueFromView would drop: those the
  // record cannot hold.
  size_t PliesDroppedByContinuing() const;
  // Stops the search and drops the hint (the window is going).
  void Stop();
  // 认输: the Human gives the game up (a Computer still thinking stops).
  void Resign();
  // 提和: the Computer accepts only an even game after 20 rounds, or one neither side can win.
  DrawAnswer OfferDraw();

  void ChooseLevel(int32_t level);  // remembered; ignored outside 1..8
  void ChooseStandardRules(bool on);
  // The remembered choices; a level or colour given for this run wins over the remembered one.
  void LoadChoices(const RunChoices& forThisRun = {});
  // The Computer's replies at levels 3 to 8, or with `atEveryLevel` at every level, come from
  // `provider` (nothing: the built-in engine again). A provider that fails hands the move to the
  // built-in engine at the same level. The provider must outlive its use; a reply it is thinking
  // of is withdrawn when it is replaced.
  void UseReplyProvider(ReplyProvider* provider, bool atEveryLevel = false);
  ReplyProvider* Provider() const { return provider_; }
  // Whether the provider answers at the level chosen now.
  bool ProviderPlays() const;
  // Both sides play on a clock, the Computer's engine (built-in at levels 3-8, or outside) with
  // its own time management; nothing: no clock, as by default. A game without moves yet takes it
  // at once, a game under way from the next line on; no clock takes effect at once. `now`
  // replaces the steady clock (tests).
  void UseClock(std::optional<ClockSetting> setting, GameClock::TimeSource now = {});
  const GameClock* Clock() const { return clock_ ? &*clock_ : nullptr; }
  // The flags: the side to move whose time ran out loses on time (a Computer still thinking has
  // its search stopped), and true. The window calls it now and then; a click calls it too.
  bool CheckClock();

  // --- What the screen and the menus read ---
  const TurnState& Turn() const { return turn_; }
  // Counts the changes of the line, as GameChange::revision tells them.
  uint64_t LineRevision() const { return lineRevision_; }
  const Labels& LabelValues() const { return labels_; }
  int32_t Level() const { return level_; }
  bool StandardRules() const { return standardRules_; }
  twoply::Colour HumanColour() const { return humanColour_; }
  bool CanTakeBack() const;
  bool CanHint() const;
  bool Thinking() const;     // the Computer's reply is being searched
  bool HintPending() const;  // a hint is being searched
  std::optional<twoply::Square> HintTarget() const { return hintTarget_; }
  Outcome GameOutcome() const { return outcome_; }
  GameLine Line() const;
  // The position as FEN, with the side to move, in the real colours.
  std::string Fen() const;
  // The line and the board it starts from in the engine's terms (the real colours), for the
  // record: the start position and the moves.
  engine::Position LineStartPosition() const;
  std::vector<engine::Move> LineEngineMoves() const;
  // The position a record should hold: always one with the Human to move. While the Computer
  // thinks that is the position before the Human's last move.
  twoply::BoardArray RecordBoard() const;
  // The board as the screen shows it: the game's, or the position stepped back to.
  const twoply::BoardArray& ShownBoard() const;

  // --- The record: the game as a tree ---
  // Every move of the line is in it while the full rules allow the moves (a move only the game's
  // own rules allow, and what follows it, stays out: UnrecordedMoves).
  const record::GameTree& Record() const { return tree_; }
  // The node the game stands on: the last move of its line that the record holds.
  record::NodeId GameNode() const { return gameNode_; }
  std::vector<engine::Move> UnrecordedMoves() const;
  // The record came from a file (LoadRecord) and keeps its own tags.
  bool RecordOpened() const { return recordOpened_; }
  // Counts the changes of the record: moves, variations, comments and tags.
  uint64_t RecordRevision() const { return recordRevision_; }
  // The edits: each can be undone (the latest first) until a move adds to or takes from the
  // record, or a new game begins. Nothing changes, and false, for an edit that changes nothing.
  // 升为主线: the variations on the way to `node` become their parents' main continuations.
  bool PromoteToMainLine(record::NodeId node);
  // 删除此变: the variation holding `node` (not the main line), with what follows it. A game
  // under way in it first goes back to the last position before it with the Human to move, and
  // the board shows the branch point instead of a removed position.
  bool RemoveVariation(record::NodeId node);
  bool SetComment(record::NodeId node, std::string text);
  bool SetInfo(record::PgnTags tags, std::string result);
  bool CanUndoRecordEdit() const { return !undo_.empty(); }
  void UndoRecordEdit();

 private:
  struct Snapshot;
  struct Ply;
  struct Pending;
  enum class SearchKind { kReply, kHint };
  // A position shown while replaying: its ply and its node (kNoNode beyond the record).
  struct Shown {
    size_t ply = 0;
    record::NodeId node = record::kRootNode;
  };

  void SetStatus(Status status);
  void SetSteps(std::optional<int32_t> steps);
  void SetThinkingTime(std::optional<int32_t> ms);
  void SetLabels(const Labels& labels);
  void ShowTurnText();
  void Publish();
  void LineCut(size_t keptPlies);
  void LineRestarted();
  void ViewChanged();
  void ResetForNewLine();
  void BeginLine(const twoply::BoardArray& board);
  Snapshot Now() const;
  void Restore(const Snapshot& snapshot);
  void AddPly(const twoply::Move& move, twoply::Side mover);
  twoply::Side PlayLoadedMoves(twoply::Side mover, const std::vector<twoply::Move>& moves);
  void FinishLoading(twoply::Side mover, std::optional<Outcome> decided);
  void StartRecord(twoply::Side first);
  void SyncRecord();
  void DropPlies(size_t kept, bool takeOut);
  record::NodeId NodeAt(size_t ply) const;
  std::optional<size_t> LinePly(record::NodeId node) const;
  bool OnLine(const Shown& at) const;
  twoply::Side SideToMoveAt(const Shown& at) const;
  twoply::BoardArray BoardAt(record::NodeId node) const;
  // The board clicks go to: the one shown while replaying, else the game's.
  const twoply::BoardArray& ClickedBoard() const { return viewed_ ? shownBoard_ : twoply::Board; }
  void Show(const Shown& at, const twoply::BoardArray& board);
  bool EndView();
  void ContinueFrom(const Shown& at);
  void ClickOnShown(std::optional<twoply::Square> square);
  bool HumanMovesOnShown() const;
  void MakeHumanMove();
  void PlayOnShown(const twoply::Move& move);
  bool Edited(record::Change change);
  void RecordChanged();
  bool TryQuietMove(twoply::Square clicked, uint8_t code);
  bool TrySelection(twoply::Square clicked, uint8_t code);
  bool TryCapture(twoply::Square clicked, uint8_t code);
  bool HumanMoveAllowed(twoply::Square from, twoply::Square to) const;
  void PerformHumanMove();
  void ComputerTurn();
  void RunClock(twoply::Side side);
  bool PlayComputerReply(int32_t started);
  void PlayTwoPlyReply();
  void PlayLegalTwoPlyReply(const engine::Position& position);
  void MakeComputerMove(const twoply::Move& move);
  void EndComputerTurn(int32_t started);
  void CheckGameEnd();
  bool JudgeLineAfterMove();
  void EndByVerdict(const engine::LineVerdict& verdict);
  twoply::Colour ComputerColour() const;
  void JudgeStandardRules();
  void EndGame(Winner winner, Ending ending);
  std::optional<engine::Position> CurrentLinePosition(twoply::Side toMove) const;
  std::optional<twoply::Move> GeneralCapture() const;
  int ComputerScore() const;
  void ShowHint(const twoply::Move& move);
  void EraseHintMark();
  void ForgetHint();
  bool StartSearch(SearchKind kind, const engine::Position& position, int32_t level,
                   std::function<void(engine::Move)> arrived);
  bool AskProvider(const engine::Position& position, std::function<void(engine::Move)> arrived);
  bool StopSearch(SearchKind kind);
  engine::Searcher& Searcher();

  Screen& screen_;
  Scheduler& scheduler_;
  ChoiceStore& choices_;
  TurnState turn_;
  Labels labels_;
  int32_t level_ = kDefaultLevel;
  bool standardRules_ = false;
  // The subscribers, and what changed since they last heard.
  std::vector<std::pair<uint64_t, Listener>> listeners_;
  uint64_t nextSubscription_ = 0;
  GameChange unpublished_;
  size_t toldPlies_ = 0;  // the line's length when the subscribers last heard
  uint64_t lineRevision_ = 0;
  std::vector<Ply> plies_;
  std::optional<Shown> viewed_;
  twoply::BoardArray shownBoard_;  // the position shown while replaying
  // The record, the node the game stands on and the position there.
  record::GameTree tree_;
  record::NodeId gameNode_ = record::kRootNode;
  engine::Position gamePosition_;
  bool startRecorded_ = true;  // the record starts where the line starts
  bool recordFollows_ = true;  // every ply of the line is in the record
  bool recordOpened_ = false;
  std::vector<record::Change> undo_;  // the record's edits, the latest last
  uint64_t recordRevision_ = 0;
  twoply::Colour humanColour_ = twoply::Colour::kRed;
  Outcome outcome_;
  bool computerWithoutMove_ = false;
  std::optional<twoply::Square> hintTarget_;
  std::unique_ptr<Pending> pending_;
  uint64_t searchSerial_ = 0;
  // Made at the first engine search, so a game at levels 1 and 2 never allocates its table.
  std::unique_ptr<engine::Searcher> searcher_;
  std::optional<int> lastReplyScore_;  // the Computer's engine's score for its last reply
  ReplyProvider* provider_ = nullptr;
  bool providerAtEveryLevel_ = false;
  std::optional<ClockSetting> clockSetting_;
  GameClock::TimeSource clockTime_;
  std::optional<GameClock> clock_;  // runs from the first move of a line
};

}  // namespace game
