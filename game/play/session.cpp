#include "game/play/session.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "engine/evaluation.h"
#include "engine/levels.h"
#include "engine/search.h"
#include "engine/text_fields.h"
#include "game/play/engine_bridge.h"
#include "game/twoply/move_generation.h"
#include "game/twoply/position_text.h"
#include "game/twoply/rules.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"
#include "runtime/commands.h"

namespace game {

using namespace twoply;

namespace {

constexpr std::string_view kLevelKey = "level";
constexpr std::string_view kRulesKey = "standardRules";
constexpr std::string_view kColourKey = "playBlack";

bool ValidLevel(int32_t n) {
  return n >= engine::kMinLevel && n <= engine::kMaxLevel;
}

// Empty tables and lists, or with `release` no elements at all.
void ResetRulesGlobals(bool release) {
  auto sized = [release](auto& array, std::initializer_list<int32_t> sizes) {
    using A = std::remove_reference_t<decltype(array)>;
    array = release ? A{} : A(sizes);
  };
  sized(Board, {kRows, kCols});
  sized(SearchBoard, {kRows, kCols});
  sized(MoveLists, {kMoveListDepths, kMoveListCapacity});
  sized(PieceValue, {kLastPieceCode});
  sized(MobilityWeight, {kLastPieceCode});
  sized(HumanSoldierBonus, {kRows, kCols});
  sized(ComputerSoldierBonus, {kRows, kCols});
  sized(RelatedSquares, {kRelatedCapacity});
  MoveCount = 0;
  RelatedCount = 0;
  SearchDepth = 0;
  BestMove = Move{};
  BestMoveSet = false;
}

void ToggleTurn(int32_t& humanToMove) {
  humanToMove = (humanToMove & 1) ^ 1;
}

// The Human's General (8) and the Computer's (1), looked for in the two palaces only.
struct GeneralsFound {
  bool computer = false, human = false;
};
GeneralsFound FindGenerals(const BoardArray& board) {
  GeneralsFound found;
  for (int32_t firstRow : {8, 1})
    for (int32_t row = firstRow; row <= firstRow + 2; ++row)
      for (int32_t col = 4; col <= 6; ++col) {
        found.computer = found.computer || board(row, col) == kComputerGeneral;
        found.human = found.human || board(row, col) == kHumanGeneral;
      }
  return found;
}

}  // namespace

void CreateGlobals() {
  ResetRulesGlobals(false);
}

void ReleaseGlobals() {
  ResetRulesGlobals(true);
}

Winner GeneralsVerdict(const BoardArray& board) {
  const GeneralsFound found = FindGenerals(board);
  if (found.computer && !found.human) return Winner::kComputer;
  if (found.human && !found.computer) return Winner::kHuman;
  return Winner::kNobody;
}

// What the game was before a move: what a take-back or a return to an earlier position restores.
struct Session::Snapshot {
  BoardArray board;
  int32_t gameOver = 0;
  Outcome outcome;
  int32_t stepCount = 0;
  Labels labels;
};

// One move of the line, who made it, the game before it, and its node in the record (kNoNode
// when the record does not hold it); `created` when the move added the node.
struct Session::Ply {
  Move move;
  Side mover;
  Snapshot before;
  record::NodeId node = record::kNoNode;
  bool created = false;
};

// The one search that may run. Its stop flag belongs to this search alone: set before the search
// has begun, it still ends it.
struct Session::Pending {
  SearchKind kind;
  uint64_t serial = 0;
  Scheduler::Job job = 0;
  std::shared_ptr<std::atomic<bool>> stop;
  bool provided = false;  // asked of the reply provider, not searched here
};

Session::Session(Screen& screen, Scheduler& scheduler, ChoiceStore& choices)
    : screen_(screen), scheduler_(scheduler), choices_(choices) {}

Session::~Session() {
  Stop();
}

// ---------------------------------------------------------------------------------------------
// Labels

void Session::SetStatus(Status status) {
  labels_.status = status;
  screen_.ShowLabel(Label::kStatus, labels_);
}

void Session::SetSteps(std::optional<int32_t> steps) {
  labels_.steps = steps;
  screen_.ShowLabel(Label::kStep, labels_);
}

void Session::SetThinkingTime(std::optional<int32_t> ms) {
  labels_.thinkingMs = ms;
  screen_.ShowLabel(Label::kTime, labels_);
}

void Session::SetLabels(const Labels& labels) {
  SetStatus(labels.status);
  SetSteps(labels.steps);
  SetThinkingTime(labels.thinkingMs);
}

void Session::ShowTurnText() {
  SetStatus(turn_.HumanToMove == 1 ? Status::kYourTurn : Status::kThinking);
}

// ---------------------------------------------------------------------------------------------
// What the subscribers hear

uint64_t Session::Subscribe(Listener listener) {
  listeners_.emplace_back(++nextSubscription_, std::move(listener));
  return nextSubscription_;
}

void Session::Unsubscribe(uint64_t subscription) {
  for (auto& [id, listener] : listeners_)
    if (id == subscription) listener = nullptr;
}

// The line lost its plies from `keptPlies` on (a take-back, a return to an earlier position).
void Session::LineCut(size_t keptPlies) {
  unpublished_.line = true;
  toldPlies_ = std::min(toldPlies_, keptPlies);
}

// The line begins anew from another position.
void Session::LineRestarted() {
  unpublished_.line = true;
  unpublished_.newStart = true;
  toldPlies_ = 0;
}

void Session::ViewChanged() {
  unpublished_.view = true;
}

// Tells every subscriber what changed since they last heard; a move added since then shows as a
// change of the line, the plies told before kept.
void Session::Publish() {
  if (plies_.size() != toldPlies_) unpublished_.line = true;
  GameChange change = std::exchange(unpublished_, GameChange{});
  if (change.line || change.record) ++recordRevision_;
  if (change.line) {
    change.keptPlies = std::min(toldPlies_, plies_.size());
    change.revision = ++lineRevision_;
  } else {
    change.revision = lineRevision_;
  }
  toldPlies_ = plies_.size();
  // A listener may subscribe or unsubscribe: the ones present now hear it, the gone are dropped.
  const size_t count = listeners_.size();
  for (size_t i = 0; i < count; ++i)
    if (listeners_[i].second) {
      Listener listener = listeners_[i].second;
      listener(change);
    }
  std::erase_if(listeners_, [](const auto& entry) { return !entry.second; });
}

// ---------------------------------------------------------------------------------------------
// A new game and a new line

// Everything that belongs to the line being replaced goes: the search, the hint, the take-backs
// and what the engine learnt.
void Session::ResetForNewLine() {
  StopSearch(SearchKind::kReply);
  ForgetHint();
  if (!plies_.empty()) screen_.LineEnding();
  EndView();
  plies_.clear();
  LineRestarted();
  recordOpened_ = false;
  outcome_ = Outcome{};
  computerWithoutMove_ = false;
  lastReplyScore_.reset();
  if (searcher_) searcher_->NewGame();
  clock_.reset();
  if (clockSetting_) clock_.emplace(*clockSetting_, clockTime_);
}

Session::Snapshot Session::Now() const {
  return Snapshot{Board, turn_.GameOver, outcome_, turn_.StepCount, labels_};
}

void Session::Restore(const Snapshot& snapshot) {
  Board = snapshot.board;
  turn_.GameOver = snapshot.gameOver;
  outcome_ = snapshot.outcome;
  computerWithoutMove_ = false;
  turn_.PieceSelected = 0;
  turn_.SelectedSquare = turn_.TargetSquare = Square{0, 0};
  turn_.StepCount = snapshot.stepCount;
  SetLabels(snapshot.labels);
}

// Called as a move is made, before Board changes. The record follows the move: the recorded one
// when it is there, else a new node (a variation where the record went on otherwise).
void Session::AddPly(const Move& move, Side mover) {
  Ply ply{move, mover, Now()};
  if (recordFollows_) {
    const engine::Move played = ToEngineMove(move, humanColour_);
    if (std::optional<record::GameTree::Added> added =
            tree_.AddMove(gameNode_, played, gamePosition_)) {
      ply.node = added->node;
      ply.created = added->created;
      gameNode_ = added->node;
      gamePosition_.MakeMove(played);
      if (added->created) RecordChanged();
    } else {
      recordFollows_ = false;
    }
  }
  plies_.push_back(std::move(ply));
}

// A new record from Board, `first` to move, and the game at its start.
void Session::StartRecord(Side first) {
  std::optional<engine::Position> start = EnginePosition(Board, first, humanColour_);
  startRecorded_ = start.has_value();
  tree_ = record::GameTree(start ? std::move(*start) : engine::Position());
  undo_.clear();
  SyncRecord();
  unpublished_.record = true;
}

// The game's node: the last move of the line the record holds.
void Session::SyncRecord() {
  gameNode_ = record::kRootNode;
  recordFollows_ = startRecorded_;
  for (const Ply& ply : plies_) {
    if (ply.node == record::kNoNode) {
      recordFollows_ = false;
      break;
    }
    gameNode_ = ply.node;
  }
  gamePosition_ = tree_.PositionAt(gameNode_);
}

// A move added to or taken from the record: the edits before it can no longer be undone.
void Session::RecordChanged() {
  undo_.clear();
  unpublished_.record = true;
}

// The line keeps its first `kept` plies. With `takeOut` (a take-back) the moves this game added
// to the record go with them; the moves the record had before stay in it.
void Session::DropPlies(size_t kept, bool takeOut) {
  for (size_t i = kept; takeOut && i < plies_.size(); ++i)
    if (plies_[i].created && tree_.Attached(plies_[i].node)) {
      tree_.Remove(plies_[i].node);
      RecordChanged();
      break;  // the later plies stand in the line it took out
    }
  plies_.resize(kept);
  LineCut(kept);
  SyncRecord();
}

void Session::NewGame() {
  ResetForNewLine();
  turn_.GameOver = 0;
  SetInitialPosition();
  turn_.HumanToMove = 1;
  turn_.StepCount = 0;
  turn_.SelectedSquare = Square{0, 0};
  turn_.PieceSelected = 0;
  SetLabels(Labels{});
  StartRecord(RedSide(humanColour_));
  screen_.UseColours(humanColour_);
  screen_.DrawNewBoard();
  Publish();
  // Red moves first: a Human playing black waits for the Computer's opening move.
  if (humanColour_ == Colour::kBlack) ComputerTurn();
}

// A line from `board` instead of the initial position (a paste, a game opened), the Human to
// move and the labels fresh, as a new game leaves them.
void Session::BeginLine(const BoardArray& board) {
  ResetForNewLine();
  Board = board;
  turn_.GameOver = 0;
  turn_.HumanToMove = 1;
  turn_.PieceSelected = 0;
  turn_.SelectedSquare = turn_.TargetSquare = Square{0, 0};
  turn_.StepCount = 0;
  SetLabels(Labels{});
}

void Session::PlayAs(Colour colour) {
  humanColour_ = colour;
  choices_.Write(kColourKey, colour == Colour::kBlack ? 1 : 0);
  NewGame();
}

std::optional<PositionRefusal> Session::Paste(std::string_view text) {
  text = engine::Trim(text);
  // The full rules' test that the position can occur, and the game's reading of the text.
  std::string error;
  std::optional<std::vector<engine::PositionProblem>> problems =
      engine::Position::CheckFen(text, &error);
  if (!problems) return PositionRefusal{error, {}};
  if (!problems->empty()) return PositionRefusal{{}, std::move(*problems)};
  std::optional<FenPosition> parsed = ParseFen(text, error);
  if (!parsed) return PositionRefusal{error, {}};

  BeginLine(RedBelow(parsed->board, humanColour_));
  // The FEN's "w" is red: the Computer's turn when red is to move and the Computer has red.
  const bool redToMove = parsed->side != Computer;
  StartRecord(redToMove ? RedSide(humanColour_) : OtherSide(RedSide(humanColour_)));
  screen_.RedrawBoard(Board);
  Publish();
  if (redToMove != (humanColour_ == Colour::kRed))
    ComputerTurn();
  else
    JudgeStandardRules();
  return std::nullopt;
}

void Session::OpenBoard(const BoardArray& board) {
  const bool wasThinking = StopSearch(SearchKind::kReply);
  ForgetHint();
  if (!plies_.empty()) screen_.LineEnding();
  EndView();
  plies_.clear();
  LineRestarted();
  recordOpened_ = false;
  if (wasThinking) {
    turn_.HumanToMove = 1;
    ShowTurnText();
  }
  Board = board;
  StartRecord(Human);
  screen_.RedrawBoard(Board);
  Publish();
}

void Session::LoadGame(const BoardArray& start, Side first, const std::vector<Move>& moves,
                       std::optional<Outcome> decided) {
  BeginLine(start);
  StartRecord(first);
  FinishLoading(PlayLoadedMoves(first, moves), decided);
}

void Session::LoadRecord(record::GameTree tree, std::optional<Outcome> decided) {
  std::string error;
  std::optional<FenPosition> start = ParseFen(tree.Start().Fen(), error);
  if (!start) return;  // a record's start is always a position
  const Side first =
      start->side != Computer ? RedSide(humanColour_) : OtherSide(RedSide(humanColour_));
  BeginLine(RedBelow(start->board, humanColour_));
  std::vector<Move> moves;
  for (record::NodeId node : tree.MainLine())
    moves.push_back(FromEngineMove(tree.At(node).move, humanColour_));
  tree_ = std::move(tree);
  startRecorded_ = true;
  undo_.clear();
  SyncRecord();
  recordOpened_ = true;
  unpublished_.record = true;
  FinishLoading(PlayLoadedMoves(first, moves), decided);
}

// The moves made on Board one after another as the line's plies, `mover` first; the next mover.
Side Session::PlayLoadedMoves(Side mover, const std::vector<Move>& moves) {
  for (const Move& move : moves) {
    AddPly(move, mover);
    Board(move.to.row, move.to.col) = At(Board, move.from);
    Board(move.from.row, move.from.col) = Empty;
    if (mover == Human) {
      turn_.StepCount = turn_.StepCount + 1;
      SetSteps(turn_.StepCount);
    }
    mover = mover == Human ? Computer : Human;
  }
  return mover;
}

void Session::FinishLoading(Side mover, std::optional<Outcome> decided) {
  turn_.HumanToMove = 1;
  screen_.RedrawBoard(Board);
  if (decided && decided->winner != Winner::kNobody) {
    EndGame(decided->winner, decided->ending);
  } else if (mover == Computer) {
    ComputerTurn();
  } else {
    ShowTurnText();
    CheckGameEnd();
    JudgeStandardRules();
  }
  Publish();
}

void Session::Stop() {
  StopSearch(SearchKind::kReply);
  ForgetHint();
}

void Session::Resign() {
  if (turn_.GameOver != 0) return;
  if (StopSearch(SearchKind::kReply)) turn_.HumanToMove = 1;
  ForgetHint();
  EndGame(Winner::kComputer, Ending::kResigned);
}

// The Computer's view of the position, in centipawns: its engine's score for its last reply when
// there is one, else the engine's static evaluation of the board now.
int Session::ComputerScore() const {
  if (lastReplyScore_) return *lastReplyScore_;
  std::optional<engine::Position> position = EnginePosition(Board, Computer, humanColour_);
  return position ? engine::Evaluate(*position) : 0;
}

DrawAnswer Session::OfferDraw() {
  if (turn_.GameOver != 0 || turn_.HumanToMove != 1 || Thinking() || viewed_)
    return DrawAnswer::kNotNow;
  // Neither side has a chariot, horse, cannon or soldier: nobody can win.
  bool attackers = false;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      const uint8_t code = Board(row, col);
      const uint8_t kind = code > kHumanCodeOffset ? code - kHumanCodeOffset : code;
      attackers =
          attackers || kind == Chariot || kind == Horse || kind == Cannon || kind == Soldier;
    }
  if (attackers) {
    if (plies_.size() < 2 * kDrawOfferRounds) return DrawAnswer::kTooEarly;
    if (std::abs(ComputerScore()) > kDrawOfferMarginCp) return DrawAnswer::kNotEven;
  }
  StopSearch(SearchKind::kHint);
  EraseHintMark();
  EndGame(Winner::kDraw, Ending::kAgreed);
  return DrawAnswer::kAccepted;
}

std::string Session::Fen() const {
  const Side toMove = turn_.HumanToMove == 1 ? Human : Computer;
  // FormatFen writes "w" for the side below: red, once the board is seen red below.
  return FormatFen(RedBelow(Board, humanColour_),
                   toMove == RedSide(humanColour_) ? Human : Computer) +
         " - - 0 1";
}

BoardArray Session::RecordBoard() const {
  if (Thinking())
    for (auto ply = plies_.rbegin(); ply != plies_.rend(); ++ply)
      if (ply->mover == Human) return ply->before.board;
  return Board;
}

const BoardArray& Session::ShownBoard() const {
  return viewed_ ? shownBoard_ : Board;
}

GameLine Session::Line() const {
  GameLine line;
  line.start = plies_.empty() ? Board : plies_.front().before.board;
  line.first = plies_.empty() ? (turn_.HumanToMove == 1 ? Human : Computer) : plies_.front().mover;
  for (const Ply& ply : plies_) line.moves.push_back(ply.move);
  return line;
}

engine::Position Session::LineStartPosition() const {
  if (startRecorded_) return tree_.Start();
  const GameLine line = Line();
  if (auto position = EnginePosition(line.start, line.first, humanColour_)) return *position;
  return engine::Position();
}

std::vector<engine::Move> Session::LineEngineMoves() const {
  std::vector<engine::Move> moves;
  for (const Ply& ply : plies_) moves.push_back(ToEngineMove(ply.move, humanColour_));
  return moves;
}

bool Session::CanTakeBack() const {
  for (const Ply& ply : plies_)
    if (ply.mover == Human) return true;
  return false;
}

std::vector<engine::Move> Session::UnrecordedMoves() const {
  std::vector<engine::Move> moves;
  for (const Ply& ply : plies_)
    if (ply.node == record::kNoNode || !moves.empty())
      moves.push_back(ToEngineMove(ply.move, humanColour_));
  return moves;
}

// ---------------------------------------------------------------------------------------------
// Replay

// The node of the line's position after `ply` moves; kNoNode beyond the record.
record::NodeId Session::NodeAt(size_t ply) const {
  if (ply == 0) return startRecorded_ ? record::kRootNode : record::kNoNode;
  return ply <= plies_.size() ? plies_[ply - 1].node : record::kNoNode;
}

// The ply of the line's position at `node`, when the line goes through it.
std::optional<size_t> Session::LinePly(record::NodeId node) const {
  if (!tree_.Attached(node)) return std::nullopt;
  const size_t ply = size_t(tree_.At(node).ply);
  if (ply > plies_.size() || NodeAt(ply) != node) return std::nullopt;
  return ply;
}

bool Session::OnLine(const Shown& at) const {
  return at.ply <= plies_.size() && (at.node == record::kNoNode || NodeAt(at.ply) == at.node);
}

Side Session::SideToMoveAt(const Shown& at) const {
  if (OnLine(at) && at.ply < plies_.size()) return plies_[at.ply].mover;
  if (OnLine(at) && !plies_.empty()) return OtherSide(plies_.back().mover);
  const bool redToMove = (tree_.Start().SideToMove() == engine::kRed) == (at.ply % 2 == 0);
  return redToMove ? RedSide(humanColour_) : OtherSide(RedSide(humanColour_));
}

BoardArray Session::BoardAt(record::NodeId node) const {
  std::string error;
  std::optional<FenPosition> position = ParseFen(tree_.PositionAt(node).Fen(), error);
  return position ? RedBelow(position->board, humanColour_) : Board;
}

std::optional<size_t> Session::Viewed() const {
  if (!viewed_) return std::nullopt;
  return viewed_->ply;
}

record::NodeId Session::ShownNode() const {
  if (viewed_) return viewed_->node;
  return recordFollows_ ? gameNode_ : record::kNoNode;
}

std::vector<engine::Move> Session::ShownMoves() const {
  if (viewed_ && !OnLine(*viewed_)) return tree_.MovesTo(viewed_->node);
  std::vector<engine::Move> moves = LineEngineMoves();
  moves.resize(std::min(Viewed().value_or(moves.size()), moves.size()));
  return moves;
}

// `board` shown for the position `at` while the game stays as it is.
void Session::Show(const Shown& at, const BoardArray& board) {
  ViewChanged();
  if (!viewed_) {
    // The game's selection and hint do not survive a look back.
    StopSearch(SearchKind::kHint);
    hintTarget_.reset();
  }
  turn_.PieceSelected = 0;
  viewed_ = at;
  shownBoard_ = board;
  screen_.RedrawBoard(shownBoard_);
  Publish();
}

// Back to the game's position (not drawn); false when it was shown already.
bool Session::EndView() {
  if (!viewed_) return false;
  viewed_.reset();
  turn_.PieceSelected = 0;
  ViewChanged();
  return true;
}

void Session::View(size_t ply) {
  if (ply >= plies_.size()) {
    ViewChanged();
    if (!EndView()) return;
    screen_.RedrawBoard(Board);
    Publish();
    return;
  }
  Show(Shown{ply, NodeAt(ply)}, plies_[ply].before.board);
}

void Session::ViewNode(record::NodeId node) {
  if (!startRecorded_) return View(0);  // the record holds nothing of the line
  if (node >= tree_.NodeCount() || !tree_.Attached(node)) return;
  if (std::optional<size_t> ply = LinePly(node)) return View(*ply);
  Show(Shown{size_t(tree_.At(node).ply), node}, BoardAt(node));
}

size_t Session::PliesDroppedByContinuing() const {
  if (!viewed_ || !OnLine(*viewed_)) return 0;
  size_t dropped = 0;
  for (size_t i = viewed_->ply; i < plies_.size(); ++i)
    dropped += plies_[i].node == record::kNoNode;
  return dropped;
}

void Session::ContinueFromView() {
  if (viewed_) ContinueFrom(*viewed_);
}

// The position `at` becomes the game: the line is cut back to where the way to it leaves the line
// and follows the record from there; the moves after it stay in the record.
void Session::ContinueFrom(const Shown& at) {
  EndView();
  StopSearch(SearchKind::kReply);
  ForgetHint();
  const Side mover = SideToMoveAt(at);
  if (OnLine(at)) {
    if (at.ply < plies_.size()) {
      Restore(plies_[at.ply].before);
      DropPlies(at.ply, false);
    }
  } else {
    // The way to it from the start, and where it leaves the line.
    std::vector<record::NodeId> path;
    for (record::NodeId id = at.node; id != record::kRootNode; id = tree_.Parent(id))
      path.insert(path.begin(), id);
    size_t common = 0;
    while (common < plies_.size() && common < path.size() && plies_[common].node == path[common])
      ++common;
    if (common < plies_.size()) {
      Restore(plies_[common].before);
      DropPlies(common, false);
    } else {
      // On from the game's end: whatever ended it lies behind.
      turn_.GameOver = 0;
      outcome_ = Outcome{};
    }
    std::vector<Move> moves;
    for (size_t i = common; i < path.size(); ++i)
      moves.push_back(FromEngineMove(tree_.At(path[i]).move, humanColour_));
    PlayLoadedMoves(SideToMoveAt(Shown{common, NodeAt(common)}), moves);
  }
  turn_.HumanToMove = 1;
  screen_.RedrawBoard(Board);
  if (mover == Computer && turn_.GameOver == 0) {
    ComputerTurn();
  } else if (turn_.GameOver == 0) {
    ShowTurnText();
    JudgeStandardRules();
  }
  Publish();
}

// ---------------------------------------------------------------------------------------------
// The record's edits

bool Session::Edited(record::Change change) {
  if (change.kind == record::Change::Kind::kNothing) return false;
  undo_.push_back(std::move(change));
  unpublished_.record = true;
  Publish();
  return true;
}

bool Session::PromoteToMainLine(record::NodeId node) {
  return Edited(tree_.PromoteToMainLine(node));
}

bool Session::RemoveVariation(record::NodeId node) {
  if (!tree_.Attached(node)) return false;
  const record::NodeId start = tree_.VariationStart(node);
  if (start == record::kRootNode) return false;
  auto inside = [&](record::NodeId id) {
    for (; id != record::kRootNode && id != record::kNoNode; id = tree_.Parent(id))
      if (id == start) return true;
    return false;
  };
  // The game goes back out of it, to a position with the Human to move.
  if (std::optional<size_t> ply = LinePly(start)) {
    size_t back = *ply - 1;
    while (back > 0 && plies_[back].mover != Human) --back;
    ContinueFrom(Shown{back, NodeAt(back)});
  }
  if (viewed_ && inside(viewed_->node)) ViewNode(tree_.Parent(start));
  return Edited(tree_.Remove(start));
}

bool Session::SetComment(record::NodeId node, std::string text) {
  if (!tree_.Attached(node) || tree_.At(node).comment == text) return false;
  return Edited(tree_.SetComment(node, std::move(text)));
}

bool Session::SetInfo(record::PgnTags tags, std::string result) {
  if (tags == tree_.tags && result == tree_.result) return false;
  return Edited(tree_.SetInfo(std::move(tags), std::move(result)));
}

void Session::UndoRecordEdit() {
  if (undo_.empty()) return;
  tree_.Apply(undo_.back());
  undo_.pop_back();
  unpublished_.record = true;
  Publish();
}

// ---------------------------------------------------------------------------------------------
// Choices

void Session::ChooseLevel(int32_t n) {
  if (!ValidLevel(n)) return;
  level_ = n;
  choices_.Write(kLevelKey, n);
  Publish();
}

void Session::ChooseStandardRules(bool on) {
  standardRules_ = on;
  choices_.Write(kRulesKey, on ? 1 : 0);
  Publish();
}

void Session::LoadChoices(const RunChoices& forThisRun) {
  const std::optional<int32_t> remembered = choices_.Read(kLevelKey);
  level_ = forThisRun.level && ValidLevel(*forThisRun.level) ? *forThisRun.level
           : remembered && ValidLevel(*remembered)           ? *remembered
                                                             : kDefaultLevel;
  standardRules_ = choices_.Read(kRulesKey).value_or(0) == 1;
  humanColour_ = forThisRun.colour                            ? *forThisRun.colour
                 : choices_.Read(kColourKey).value_or(0) == 1 ? Colour::kBlack
                                                              : Colour::kRed;
}

// ---------------------------------------------------------------------------------------------
// The Human's clicks, tried in a fixed order

void Session::Click(std::optional<Square> square) {
  if (viewed_) return ClickOnShown(square);  // an earlier position is on the board
  if (turn_.GameOver != 0 || CheckClock()) return;
  if (Thinking()) return;  // the Computer's reply is on its way
  StopSearch(SearchKind::kHint);
  EraseHintMark();
  if (!square) return;
  const Square clicked = *square;
  const uint8_t code = At(Board, clicked);
  if (TryQuietMove(clicked, code)) return;
  if (TrySelection(clicked, code)) return;
  if (TryCapture(clicked, code)) return;
  CheckGameEnd();
}

// A selected piece to an empty square.
bool Session::TryQuietMove(Square clicked, uint8_t code) {
  if (turn_.PieceSelected != 1 || code != Empty) return false;
  turn_.TargetSquare = clicked;
  if (!HumanMoveAllowed(turn_.SelectedSquare, turn_.TargetSquare)) {
    screen_.MoveRefused(Move{turn_.SelectedSquare, turn_.TargetSquare});
    return false;
  }
  MakeHumanMove();
  return true;
}

// An own piece, or an empty square (which counts as the Human's), becomes the selection. The
// highlight is told of the old turn_.PieceSelected, so the flag is written after it.
bool Session::TrySelection(Square clicked, uint8_t code) {
  if (turn_.HumanToMove != 1 || SideOf(code) != Human) return false;
  turn_.SelectedSquare = clicked;
  if (viewed_)
    screen_.HighlightShown(shownBoard_, turn_.SelectedSquare, turn_.PieceSelected == 1);
  else
    screen_.HighlightSelection(turn_.SelectedSquare, turn_.PieceSelected == 1);
  turn_.PieceSelected = 1;
  return true;
}

// The selected piece onto a piece of the other side.
bool Session::TryCapture(Square clicked, uint8_t code) {
  if (turn_.PieceSelected != 1 || SameSide(At(ClickedBoard(), turn_.SelectedSquare), code))
    return false;
  turn_.TargetSquare = clicked;
  if (!HumanMoveAllowed(turn_.SelectedSquare, turn_.TargetSquare)) {
    screen_.MoveRefused(Move{turn_.SelectedSquare, turn_.TargetSquare});
    return false;
  }
  MakeHumanMove();
  return true;
}

bool Session::PlayHumanMove(const Move& move) {
  if (viewed_ ? !HumanMovesOnShown() : turn_.GameOver != 0 || turn_.HumanToMove != 1 || Thinking())
    return false;
  const uint8_t mover = At(ClickedBoard(), move.from);
  if (mover == Empty || SideOf(mover) != Human) return false;
  if (!HumanMoveAllowed(move.from, move.to)) return false;
  StopSearch(SearchKind::kHint);
  EraseHintMark();
  turn_.SelectedSquare = move.from;
  turn_.TargetSquare = move.to;
  MakeHumanMove();
  return true;
}

// A click while an earlier position is shown: the Human's pieces there can be lit and moved
// (the game's end, won or lost, does not matter there), while the Computer is not thinking.
void Session::ClickOnShown(std::optional<Square> square) {
  if (!square) return;
  if (!HumanMovesOnShown()) return screen_.ClickedWhileViewing();
  const Square clicked = *square;
  const uint8_t code = At(shownBoard_, clicked);
  if (TryQuietMove(clicked, code)) return;
  if (TrySelection(clicked, code)) return;
  TryCapture(clicked, code);
}

bool Session::HumanMovesOnShown() const {
  return viewed_ && !Thinking() && turn_.HumanToMove == 1 &&
         GeneralsVerdict(shownBoard_) == Winner::kNobody && SideToMoveAt(*viewed_) == Human;
}

void Session::MakeHumanMove() {
  if (viewed_)
    PlayOnShown(Move{turn_.SelectedSquare, turn_.TargetSquare});
  else
    PerformHumanMove();
}

// The recorded move replays on; another move becomes a variation there, and the game goes on in
// it from that position.
void Session::PlayOnShown(const Move& move) {
  turn_.PieceSelected = 0;
  const Shown at = *viewed_;
  if (at.node != record::kNoNode) {
    const engine::Move played = ToEngineMove(move, humanColour_);
    for (record::NodeId child : tree_.Children(at.node))
      if (tree_.At(child).move == played) return ViewNode(child);
  } else if (at.ply < plies_.size() && plies_[at.ply].move == move) {
    return View(at.ply + 1);
  }
  ContinueFrom(at);
  if (turn_.GameOver != 0 || turn_.HumanToMove != 1 || viewed_) return;
  turn_.SelectedSquare = move.from;
  turn_.TargetSquare = move.to;
  PerformHumanMove();
}

bool Session::HumanMoveAllowed(Square from, Square to) const {
  const BoardArray& board = ClickedBoard();
  if (!IsLegalMove(from, to, board)) return false;
  if (!standardRules_) return true;
  auto position = EnginePosition(board, Human, humanColour_);
  // A position the full rules cannot judge (one opened or played under the game's rules) is
  // judged by the game's rules alone.
  return !position || position->IsLegal(ToEngineMove(Move{from, to}, humanColour_));
}

void Session::PerformHumanMove() {
  AddPly(Move{turn_.SelectedSquare, turn_.TargetSquare}, Human);
  screen_.DrawMove(Move{turn_.SelectedSquare, turn_.TargetSquare});
  Board(turn_.TargetSquare.row, turn_.TargetSquare.col) = At(Board, turn_.SelectedSquare);
  Board(turn_.SelectedSquare.row, turn_.SelectedSquare.col) = Empty;
  turn_.PieceSelected = 0;
  turn_.StepCount = turn_.StepCount + 1;
  // Under the standard rules the move may end the game by the repetition or move-count rules.
  if (!JudgeLineAfterMove()) ComputerTurn();
  SetSteps(turn_.StepCount);
  Publish();
}

void Session::TakeBack() {
  size_t last = plies_.size();
  while (last > 0 && plies_[last - 1].mover != Human) --last;
  if (last == 0) return;  // no move of the Human's to take back
  StopSearch(SearchKind::kReply);
  ForgetHint();
  EndView();
  // Nothing stays selected: the piece that moved is back on its square, unlit.
  Restore(plies_[last - 1].before);
  DropPlies(last - 1, true);
  turn_.HumanToMove = 1;
  // Time spent is spent: the clocks go on from where they are, the Human's running.
  if (clock_) clock_->Stop();
  RunClock(Human);
  screen_.RedrawBoard(Board);
  Publish();
}

// ---------------------------------------------------------------------------------------------
// The Computer's turn

void Session::ComputerTurn() {
  int32_t started = runtime::TickCount();
  RunClock(Computer);
  ToggleTurn(turn_.HumanToMove);
  ShowTurnText();
  if (!ComputerGeneralInPalace(Board)) turn_.GameOver = 1;
  // From level 3 on the engine thinks through the scheduler, and the turn ends when its move
  // arrives.
  if (turn_.GameOver == 0 && !PlayComputerReply(started)) return;
  EndComputerTurn(started);
}

// True when the turn is over now; false while the engine thinks.
bool Session::PlayComputerReply(int32_t started) {
  computerWithoutMove_ = false;
  if (standardRules_) {
    auto position = EnginePosition(Board, Computer, humanColour_);
    if (position && position->NoLegalMoves()) {
      computerWithoutMove_ = true;
      return true;
    }
  }
  const bool twoPly = engine::PlayedByTwoPlySearch(level_);
  if (twoPly && !ProviderPlays()) {
    PlayTwoPlyReply();
    return true;
  }
  auto position = CurrentLinePosition(Computer);
  // A position the engine cannot take (under the game's rules the Human may leave his General
  // attacked): the two-ply search answers, and takes it.
  if (!position) {
    PlayTwoPlyReply();
    return true;
  }
  // No legal move for the engine while the game's rules still give the Computer moves: the
  // two-ply search answers.
  auto arrived = [this, started](engine::Move best) {
    // The reply is made on the game's board, not on one shown while replaying.
    if (EndView()) screen_.RedrawBoard(Board);
    if (best == engine::kNoMove)
      PlayTwoPlyReply();
    else
      MakeComputerMove(FromEngineMove(best, humanColour_));
    EndComputerTurn(started);
  };
  if (ProviderPlays() && AskProvider(*position, arrived)) return false;
  if (!twoPly && StartSearch(SearchKind::kReply, *position, level_, std::move(arrived)))
    return false;
  PlayTwoPlyReply();
  return true;
}

// Levels 1 and 2, inside the move.
void Session::PlayTwoPlyReply() {
  SearchDepth = static_cast<int16_t>(engine::TwoPlyDepth(level_));
  if (standardRules_) {
    if (auto position = EnginePosition(Board, Computer, humanColour_)) {
      PlayLegalTwoPlyReply(*position);
      return;
    }
  }
  ComputerChoice choice = ChooseComputerMove();
  if (!choice.moved) return;
  // The search made its move on SearchBoard; Board still holds the position before it.
  AddPly(choice.move, Computer);
  screen_.DrawMove(choice.move);
  CommitComputerMove();
}

// The two-ply search with its root limited to the moves the full rules allow: the same search,
// scores and ties as the game's own, only without the moves that would leave the General attacked.
void Session::PlayLegalTwoPlyReply(const engine::Position& position) {
  SearchBoard = Board;
  BestMoveSet = false;
  const int16_t depth = SearchDepth;
  int32_t alpha = -kWindow;
  const int32_t beta = kWindow;
  int16_t n = GenerateMoves(depth, Computer, SearchBoard);
  std::optional<Move> firstLegal;
  for (int16_t i = 1; i <= n; ++i) {
    Move m = std::as_const(MoveLists)(depth, i);
    if (!position.IsLegal(ToEngineMove(m, humanColour_))) continue;
    if (!firstLegal) firstLegal = m;
    int16_t captured = MakeMove(m);
    int32_t score = -AlphaBeta(-beta, -alpha, static_cast<int16_t>(depth - 1));
    UnmakeMove(m, captured);
    if (score > alpha) {
      alpha = score;
      BestMove = m;
      BestMoveSet = true;
    }
    if (alpha >= beta) break;
  }
  // Every legal move lost at once: the first of them, as the search's order would have it.
  if (!BestMoveSet && firstLegal) BestMove = *firstLegal, BestMoveSet = true;
  if (BestMoveSet) MakeComputerMove(BestMove);
}

// The Computer's move shown while Board still holds the position before it, then made.
void Session::MakeComputerMove(const Move& move) {
  // A reply that arrives while an earlier position is shown brings the board back to the game.
  if (EndView()) screen_.RedrawBoard(Board);
  AddPly(move, Computer);
  screen_.DrawMove(move);
  Board(move.to.row, move.to.col) = At(Board, move.from);
  Board(move.from.row, move.from.col) = Empty;
}

void Session::EndComputerTurn(int32_t started) {
  // Unsigned, so a tick count that wraps between the two readings still gives the time spent.
  int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(runtime::TickCount()) -
                                         static_cast<uint32_t>(started));
  SetThinkingTime(elapsed);
  ToggleTurn(turn_.HumanToMove);
  RunClock(Human);
  if (turn_.GameOver == 0) ShowTurnText();
  CheckGameEnd();
  JudgeStandardRules();
  Publish();
}

void Session::EndGame(Winner winner, Ending ending) {
  turn_.GameOver = 1;
  if (clock_) clock_->Stop();
  outcome_ = Outcome{winner, ending};
  SetStatus(winner == Winner::kHuman  ? Status::kYouWon
            : winner == Winner::kDraw ? Status::kDraw
                                      : Status::kYouLost);
  Publish();
}

// Under the standard rules, after a move: the repetition and move-count rules, judged by the
// engine on the line played. True when they ended the game.
bool Session::JudgeLineAfterMove() {
  if (!standardRules_ || turn_.GameOver != 0 || plies_.empty()) return false;
  const Side toMove = plies_.back().mover == Human ? Computer : Human;
  std::optional<engine::Position> position = CurrentLinePosition(toMove);
  if (!position) return false;
  const engine::LineVerdict verdict = engine::JudgeLine(*position);
  if (verdict.ending == engine::LineVerdict::Ending::kNone) return false;
  EndByVerdict(verdict);
  return true;
}

void Session::EndByVerdict(const engine::LineVerdict& verdict) {
  using Verdict = engine::LineVerdict::Ending;
  const bool humanLost = (verdict.loser == engine::kRed) == (humanColour_ == Colour::kRed);
  switch (verdict.ending) {
    case Verdict::kPerpetualCheck:
    case Verdict::kPerpetualChase:
      EndGame(humanLost ? Winner::kComputer : Winner::kHuman,
              verdict.ending == Verdict::kPerpetualCheck ? Ending::kPerpetualCheck
                                                         : Ending::kPerpetualChase);
      return;
    case Verdict::kRepetitionDraw:
      EndGame(Winner::kDraw, Ending::kRepetition);
      return;
    case Verdict::kMoveLimitDraw:
      EndGame(Winner::kDraw, Ending::kMoveLimit);
      return;
    case Verdict::kNone:
      return;
  }
}

void Session::CheckGameEnd() {
  const GeneralsFound found = FindGenerals(Board);
  if (found.computer && !found.human) EndGame(Winner::kComputer, Ending::kGeneralTaken);
  if (found.human && !found.computer) EndGame(Winner::kHuman, Ending::kGeneralTaken);
  if (found.computer && found.human) {
    turn_.GameOver = 0;
    outcome_ = Outcome{};
  }
}

// At the end of the Computer's turn, with the standard rules: a Computer without a legal move
// loses, a Human without one loses, a Human in check reads "将军!" before "到你了...".
void Session::JudgeStandardRules() {
  if (!standardRules_) return;
  if (!computerWithoutMove_ && JudgeLineAfterMove()) return;
  if (computerWithoutMove_) {
    computerWithoutMove_ = false;
    auto position = EnginePosition(Board, Computer, humanColour_);
    EndGame(Winner::kHuman, position && position->InCheck() ? Ending::kMate : Ending::kStalemate);
    return;
  }
  if (turn_.GameOver != 0 || turn_.HumanToMove != 1) return;
  auto position = EnginePosition(Board, Human, humanColour_);
  if (!position) return;
  if (position->NoLegalMoves()) {
    EndGame(Winner::kComputer, position->InCheck() ? Ending::kMate : Ending::kStalemate);
  } else if (position->InCheck()) {
    SetStatus(Status::kCheckYourTurn);
  }
}

std::optional<engine::Position> Session::CurrentLinePosition(Side toMove) const {
  GameLine line = Line();
  return LinePosition(line.start, line.first, line.moves, Board, toMove, humanColour_);
}

// ---------------------------------------------------------------------------------------------
// The hint

bool Session::CanHint() const {
  return turn_.GameOver == 0 && turn_.HumanToMove == 1 && !pending_ && !viewed_;
}

HintAnswer Session::RequestHint() {
  if (!CanHint()) return HintAnswer::kNotNow;
  std::optional<engine::Position> position = CurrentLinePosition(Human);
  if (!position) {
    // Under the game's rules the Human may be able to take the Computer's General, which the
    // engine cannot be asked about: that capture is the hint.
    if (auto capture = GeneralCapture()) {
      ShowHint(*capture);
      return HintAnswer::kShown;
    }
    return HintAnswer::kImpossible;
  }
  if (position->NoLegalMoves()) return HintAnswer::kNoMove;
  StartSearch(SearchKind::kHint, *position, std::max(level_, kLowestHintLevel),
              [this](engine::Move best) {
                if (best != engine::kNoMove) ShowHint(FromEngineMove(best, humanColour_));
              });
  return HintPending() ? HintAnswer::kSearching : HintAnswer::kShown;
}

std::optional<Move> Session::GeneralCapture() const {
  std::optional<Square> general;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col)
      if (Board(row, col) == kComputerGeneral) general = Square{uint8_t(col), uint8_t(row)};
  if (!general) return std::nullopt;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      Square from{uint8_t(col), uint8_t(row)};
      const uint8_t code = At(Board, from);
      if (code != Empty && SideOf(code) == Human && IsLegalMove(from, *general, Board))
        return Move{from, *general};
    }
  return std::nullopt;
}

void Session::ShowHint(const Move& move) {
  EraseHintMark();
  if (turn_.GameOver != 0 || turn_.HumanToMove != 1) return;
  turn_.SelectedSquare = move.from;
  screen_.HighlightSelection(turn_.SelectedSquare, turn_.PieceSelected == 1);
  turn_.PieceSelected = 1;
  hintTarget_ = move.to;
  screen_.MarkHint(move.to);
}

void Session::EraseHintMark() {
  if (!hintTarget_) return;
  screen_.EraseHintMark(*std::exchange(hintTarget_, std::nullopt));
}

// Without drawing: the whole board is drawn anew after this.
void Session::ForgetHint() {
  StopSearch(SearchKind::kHint);
  hintTarget_.reset();
}

// ---------------------------------------------------------------------------------------------
// The one search

bool Session::Thinking() const {
  return pending_ && pending_->kind == SearchKind::kReply;
}

bool Session::HintPending() const {
  return pending_ && pending_->kind == SearchKind::kHint;
}

engine::Searcher& Session::Searcher() {
  if (!searcher_) searcher_ = std::make_unique<engine::Searcher>();
  return *searcher_;
}

bool Session::StartSearch(SearchKind kind, const engine::Position& position, int32_t level,
                          std::function<void(engine::Move)> arrived) {
  if (pending_) return false;  // one search at a time
  auto result = std::make_shared<engine::SearchResult>();
  auto stop = std::make_shared<std::atomic<bool>>(false);
  engine::Limits limits = engine::LevelLimits(level);
  limits.stop = stop.get();
  // A hint is the best move the search finds, never one of the near-best a level may vary among.
  if (kind == SearchKind::kHint) limits.variety_cp = 0;
  // On a clock the Computer spends what its own time allows (a weaker level keeps its caps of
  // depth and nodes).
  if (kind == SearchKind::kReply && clock_) {
    const engine::TimeAllotment allotted =
        engine::AllotTime(std::max<int64_t>(clock_->Remaining(ComputerColour()), 1),
                          clock_->Setting().increment_ms, 0);
    limits.movetime_ms = allotted.hard_ms;
    limits.soft_ms = allotted.soft_ms;
    limits.movetime_exact = false;
  }
  engine::Searcher* searcher = &Searcher();
  const uint64_t serial = ++searchSerial_;
  pending_ = std::make_unique<Pending>(Pending{kind, serial, 0, stop});
  auto work = [result, position, limits, searcher, stop] {
    *result = searcher->Search(position, limits);
  };
  auto done = [this, kind, serial, result, arrived = std::move(arrived)] {
    if (!pending_ || pending_->serial != serial) return;  // stopped meanwhile
    pending_.reset();
    if (kind == SearchKind::kReply && result->best != engine::kNoMove)
      lastReplyScore_ = result->score;
    arrived(result->best);
  };
  const Scheduler::Job job = scheduler_.Start(std::move(work), std::move(done));
  if (pending_ && pending_->serial == serial) pending_->job = job;
  return true;
}

// The provider's question counts as the one search. A move it gives that is not legal, or its
// failure, leaves the reply to the built-in engine at the chosen level.
bool Session::AskProvider(const engine::Position& position,
                          std::function<void(engine::Move)> arrived) {
  if (pending_) return false;
  const uint64_t serial = ++searchSerial_;
  pending_ = std::make_unique<Pending>(
      Pending{SearchKind::kReply, serial, 0, std::make_shared<std::atomic<bool>>(false), true});
  engine::Position start = LineStartPosition();
  std::vector<engine::Move> moves = LineEngineMoves();
  // The history, when the line leads here under the full rules; else the position alone.
  engine::Position replayed = start;
  if (engine::MakeLegalMoves(replayed, moves) != moves.size() || replayed.Fen() != position.Fen()) {
    start = position;
    moves.clear();
  }
  auto answer = [this, serial, position, arrived](std::optional<engine::Move> move) {
    if (!pending_ || pending_->serial != serial) return;  // withdrawn meanwhile
    pending_.reset();
    if (move && position.IsLegal(*move)) {
      lastReplyScore_ = provider_ ? provider_->LastScore() : std::nullopt;
      arrived(*move);
    } else if (engine::PlayedByTwoPlySearch(level_) ||
               !StartSearch(SearchKind::kReply, position, level_, arrived)) {
      arrived(engine::kNoMove);  // the two-ply search answers
    }
  };
  if (!provider_->Ask(start, moves, std::move(answer))) {
    pending_.reset();
    return false;
  }
  return true;
}

void Session::UseClock(std::optional<ClockSetting> setting, GameClock::TimeSource now) {
  clockSetting_ = setting;
  clockTime_ = std::move(now);
  if (!setting) clock_.reset();
  if (setting && plies_.empty() && !Thinking()) clock_.emplace(*setting, clockTime_);
}

// The side to move's clock runs, from the first move of the line on.
void Session::RunClock(Side side) {
  if (!clock_ || turn_.GameOver != 0 || (plies_.empty() && !clock_->Running())) return;
  clock_->Run(side == Human ? humanColour_ : ComputerColour());
}

Colour Session::ComputerColour() const {
  return humanColour_ == Colour::kRed ? Colour::kBlack : Colour::kRed;
}

bool Session::CheckClock() {
  if (!clock_ || turn_.GameOver != 0) return false;
  if (turn_.HumanToMove == 1 && clock_->Remaining(humanColour_) <= 0) {
    EndGame(Winner::kComputer, Ending::kTime);
    return true;
  }
  if (Thinking() && clock_->Running() == ComputerColour() &&
      clock_->Remaining(ComputerColour()) <= 0) {
    // The reply is too late to count: the search or the engine's question goes, and the turn
    // comes back to the Human with the game lost by the Computer.
    StopSearch(SearchKind::kReply);
    turn_.HumanToMove = 1;
    EndGame(Winner::kHuman, Ending::kTime);
    return true;
  }
  return false;
}

bool Session::ProviderPlays() const {
  return provider_ != nullptr && (providerAtEveryLevel_ || !engine::PlayedByTwoPlySearch(level_));
}

void Session::UseReplyProvider(ReplyProvider* provider, bool atEveryLevel) {
  providerAtEveryLevel_ = provider != nullptr && atEveryLevel;
  if (provider == provider_) return;
  // A reply being thought of by the old provider is searched again by the new one.
  const bool wasThinking = pending_ && pending_->provided;
  if (wasThinking) StopSearch(SearchKind::kReply);
  provider_ = provider;
  if (wasThinking) {
    if (EndView()) screen_.RedrawBoard(Board);
    const int32_t started = runtime::TickCount();
    if (turn_.GameOver == 0 && !PlayComputerReply(started)) return;
    EndComputerTurn(started);
  }
}

// Stops the search of `kind`, waits for it and drops its result; true when it was running.
bool Session::StopSearch(SearchKind kind) {
  if (!pending_ || pending_->kind != kind) return false;
  std::unique_ptr<Pending> pending = std::move(pending_);
  pending->stop->store(true, std::memory_order_release);
  if (pending->provided) {
    if (provider_) provider_->Withdraw();
  } else {
    scheduler_.Cancel(pending->job);
  }
  return true;
}

}  // namespace game
