#include "ui/record_window.h"

#include <algorithm>
#include <cstdio>
#include <optional>

#include "game/game_menu.h"
#include "game/labels.h"
#include "game/live_analysis.h"
#include "game/menu_items.h"
#include "game/notation_choice.h"
#include "game/play/session.h"
#include "game/score_graph.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/windows/window_manager.h"

namespace ui {

namespace {

constexpr std::string_view kOpenKey = "recordWindow";
constexpr int64_t kLowClockMs = 10000;

// A move's place in the list: black's first move in the red column's row when black began.
struct Cell {
  int32_t row, column;
};
int32_t FirstSlot(const engine::Position& start) {
  return start.SideToMove() == engine::kBlack ? 1 : 0;
}
Cell CellOf(size_t ply, int32_t firstSlot) {
  const int32_t slot = int32_t(ply) + firstSlot;
  return Cell{slot / 2, slot % 2 + 1};
}

}  // namespace

RecordWindow::RecordWindow(game::WindowGame& window) : window_(window) {
  subscription_ =
      window_.Game().Subscribe([this](const game::GameChange& change) { Follow(change); });
  window_.Graph().SetScoredListener([this] { ShowLine(); });
  window_.Analysis().SetNotesListener([this] { ShowNotes(); });
  window_.SetClockListener([this] { ShowClocks(); });
  window_.SetStatusListener([this] { ShowStatus(); });
  // Beside the main window once it stands on the screen: while it is being made there is
  // nothing yet to stand beside.
  if (runtime::ReadSetting(kOpenKey).value_or(0) == 1)
    runtime::PostToUiThread(lifeline_.Guard([this] {
      if (runtime::LiveWindow(game::kMainWindowId) != nullptr) OpenBeside();
    }));
}

RecordWindow::~RecordWindow() {
  window_.Game().Unsubscribe(subscription_);
  window_.Graph().SetScoredListener(nullptr);
  window_.Analysis().SetNotesListener(nullptr);
  window_.SetClockListener(nullptr);
  window_.SetStatusListener(nullptr);
}

void RecordWindow::Toggle() {
  if (side_.IsOpen()) {
    side_.Close();
    runtime::WriteSetting(kOpenKey, 0);
    return;
  }
  runtime::WriteSetting(kOpenKey, 1);
  OpenBeside();
}

void RecordWindow::Follow(const game::GameChange& change) {
  // A new record: its node ids mean other moves.
  if (change.newStart) {
    line_.clear();
    texts_.clear();
  }
  ShowLine();
}

// The line through the node shown (else the game's node): the line shown before while it still
// goes through it, else the way to it; on from its end by the main continuations.
void RecordWindow::FollowShownNode() {
  const game::Session& game = window_.Game();
  const record::GameTree& tree = game.Record();
  size_t valid = 0;
  for (record::NodeId expected = record::kRootNode; valid < line_.size(); ++valid) {
    const record::NodeId id = line_[valid];
    if (id >= tree.NodeCount() || tree.At(id).detached || tree.Parent(id) != expected) break;
    expected = id;
  }
  line_.resize(valid);
  record::NodeId anchor = game.ShownNode();
  if (anchor == record::kNoNode) anchor = game.GameNode();
  const size_t ply = size_t(tree.At(anchor).ply);
  if (ply > line_.size() || (ply > 0 && line_[ply - 1] != anchor)) {
    line_.clear();
    for (record::NodeId id = anchor; id != record::kRootNode; id = tree.Parent(id))
      line_.push_back(id);
    std::reverse(line_.begin(), line_.end());
  }
  for (record::NodeId last = line_.empty() ? record::kRootNode : line_.back();
       !tree.Children(last).empty();) {
    last = tree.Children(last).front();
    line_.push_back(last);
  }
  // What it shares with the game's line: the way to the game's node as far as the two agree.
  shared_ = 0;
  for (record::NodeId id = game.GameNode(); id != record::kRootNode; id = tree.Parent(id)) {
    const size_t at = size_t(tree.At(id).ply);
    if (at <= line_.size() && line_[at - 1] == id) {
      shared_ = at;
      break;
    }
  }
}

// The moves of the game's line as written: the record's nodes on the way to the game's node,
// then the moves the record cannot hold.
std::vector<std::string> RecordWindow::GameLineTexts() {
  const game::Session& game = window_.Game();
  const record::GameTree& tree = game.Record();
  std::vector<record::NodeId> path;
  for (record::NodeId id = game.GameNode(); id != record::kRootNode; id = tree.Parent(id))
    path.push_back(id);
  std::vector<std::string> texts;
  engine::Position position = tree.Start();
  for (auto id = path.rbegin(); id != path.rend(); ++id) {
    texts.push_back(MoveText(*id, position));
    position.MakeMove(tree.At(*id).move);
  }
  for (engine::Move move : game.UnrecordedMoves()) {
    texts.push_back(record::WriteMove(position, move, written_));
    position.MakeMove(move);
  }
  return texts;
}

// A node's move as written in the notation chosen (`before`: the position it was made in).
const std::string& RecordWindow::MoveText(record::NodeId node, const engine::Position& before) {
  const record::GameTree& tree = window_.Game().Record();
  if (texts_.size() < tree.NodeCount()) texts_.resize(tree.NodeCount());
  std::string& text = texts_[node];
  if (text.empty()) text = record::WriteMove(before, tree.At(node).move, written_);
  return text;
}

void RecordWindow::ShowNotes() {
  if (!side_.IsOpen()) return;
  const game::Session& game = window_.Game();
  std::vector<std::string> notes;
  if (const std::optional<size_t> viewed = game.Viewed()) {
    const bool blackBegan = game.Record().Start().SideToMove() == engine::kBlack;
    const std::string where =
        *viewed == 0 ? "开始的局面" : game::RoundText(*viewed - 1, blackBegan) + "走后";
    notes.push_back("回看" + std::string(ShownIndex() > shared_ ? "变着" : "") + "：" + where +
                    "（另走一步成变着）");
  }
  ShowStatus();
  ShowClocks();
  const std::vector<std::string> analysis = window_.Analysis().Notes();
  notes.insert(notes.end(), analysis.begin(), analysis.end());
  side_.SetNotes(notes);
  side_.SetAnalysis(window_.Analysis().Table());
}

// "棋谱 — 名局.pgn" for a game that came from a file or was saved to one.
std::string RecordWindow::Title() const {
  const std::string& path = window_.FilePath();
  if (path.empty()) return "棋谱";
  return "棋谱 — " + path.substr(path.rfind('/') + 1);
}

void RecordWindow::ShowStatus() {
  side_.SetTitle(Title());
  const game::StatusFacts facts = window_.Status();
  side_.SetStatus(game::StatusLine(facts), window_.Notice(),
                  facts.outcome.winner != game::Winner::kNobody);
}

// Point i: the position after i moves, its score and the move that led there, with what the
// marks mean.
std::vector<std::string> RecordWindow::GraphTips() {
  const game::Session& game = window_.Game();
  const std::vector<std::optional<double>> scores = window_.Graph().LineScores();
  const bool blackBegan = game.LineStartPosition().SideToMove() == engine::kBlack;
  const std::vector<std::string> played = GameLineTexts();
  std::vector<std::string> tips;
  for (size_t i = 0; i < scores.size(); ++i) {
    std::string tip = i == 0 || i > played.size()
                          ? std::string("开始的局面")
                          : game::RoundText(i - 1, blackBegan) + " " + played[i - 1];
    char score[32];
    if (scores[i]) std::snprintf(score, sizeof score, "  %+.2f 兵", *scores[i]);
    tip += scores[i] ? score : "  （分数还没算出）";
    if (i > 0) {
      const std::string mark = window_.Graph().MoveMark(i - 1);
      const double drop = mark == "??" ? game::kBlunderDrop : game::kMistakeDrop;
      char lost[96];
      std::snprintf(lost, sizeof lost, "\n%s %s：这步让走棋的一方少了 %g 兵以上", mark.c_str(),
                    mark == "??" ? "大错" : "失误", drop);
      if (!mark.empty()) tip += lost;
    }
    tips.push_back(tip + "\n曲线：每步之后的分数，以兵计，红方占优在上；点一下就回看那里。");
  }
  return tips;
}

// Red when under its last ten seconds.
void RecordWindow::ShowClocks() {
  const game::GameClock* clock = window_.Game().Clock();
  if (!clock) return side_.SetClocks(std::nullopt);
  using twoply::Colour;
  const int64_t red = clock->Remaining(Colour::kRed), black = clock->Remaining(Colour::kBlack);
  side_.SetClocks(ClockFace{game::ClockText(red), game::ClockText(black),
                            clock->Running() == Colour::kRed, clock->Running() == Colour::kBlack,
                            red < kLowClockMs, black < kLowClockMs});
}

// The position shown, counted in moves along the line shown.
size_t RecordWindow::ShownIndex() const {
  const game::Session& game = window_.Game();
  const record::GameTree& tree = game.Record();
  const record::NodeId shown = game.ShownNode();
  if (shown != record::kNoNode) return size_t(tree.At(shown).ply);
  // A position of the game's line beyond the record.
  return game.Viewed().value_or(size_t(tree.At(game.GameNode()).ply) + tail_.size());
}

void RecordWindow::ShowLine() {
  if (!side_.IsOpen()) return;
  const game::Session& game = window_.Game();
  const record::GameTree& tree = game.Record();
  if (game::RecordNotation() != written_) texts_.clear();
  written_ = game::RecordNotation();
  FollowShownNode();
  // The game's moves the record cannot hold, written after its node as they were played.
  tail_.clear();
  if ((line_.empty() ? record::kRootNode : line_.back()) == game.GameNode()) {
    const std::vector<engine::Move> unrecorded = game.UnrecordedMoves();
    if (!unrecorded.empty()) {
      const std::vector<engine::Move> moves = game.LineEngineMoves();
      engine::Position position = game.LineStartPosition();
      for (size_t i = 0; i + unrecorded.size() < moves.size(); ++i) position.MakeMove(moves[i]);
      for (engine::Move move : unrecorded) {
        tail_.push_back(record::WriteMove(position, move, written_));
        position.MakeMove(move);
      }
      shared_ = line_.size() + tail_.size();
    }
  }
  const int32_t first = FirstSlot(tree.Start());
  const game::ScoreGraph& graph = window_.Graph();
  std::vector<std::array<std::string, 3>> rows;
  auto put = [&](size_t ply, std::string text) {
    const Cell cell = CellOf(ply, first);
    if (size_t(cell.row) >= rows.size()) rows.push_back({std::to_string(cell.row + 1), "", ""});
    if (ply < shared_) text += graph.MoveMark(ply);
    rows[size_t(cell.row)][size_t(cell.column)] = std::move(text);
  };
  engine::Position position = tree.Start();
  for (size_t ply = 0; ply < line_.size(); ++ply) {
    const record::GameNode& node = tree.At(line_[ply]);
    std::string text = MoveText(line_[ply], position);
    if (!node.nags.empty()) text += record::NagMark(node.nags.front());
    // ◇: the move has variations beside it; ※: a comment.
    std::string marks;
    if (tree.Children(node.parent).size() > 1) marks += "◇";
    if (!node.comment.empty() || !node.before.empty()) marks += "※";
    if (!marks.empty()) text += " " + marks;
    put(ply, std::move(text));
    position.MakeMove(node.move);
  }
  for (size_t i = 0; i < tail_.size(); ++i) put(line_.size() + i, tail_[i]);
  side_.SetRows(rows);
  const size_t shown = ShownIndex();
  if (shown == 0) {
    side_.SetCurrent(-1, -1);
  } else {
    const Cell cell = CellOf(shown - 1, first);
    side_.SetCurrent(cell.row, cell.column);
  }
  ShowChoices();
  ShowNotes();
  // The curve of the game's line from the start position on, once there is a move; the position
  // shown marked when it is one of that line.
  if (game.LineEngineMoves().empty())
    side_.SetGraph({}, -1);
  else
    side_.SetGraph(graph.LineScores(), shown <= shared_ ? int32_t(shown) : -1, GraphTips());
}

// The variations of the move shown (else those of the next move, when it has some), and the
// move's comment.
void RecordWindow::ShowChoices() {
  const game::Session& game = window_.Game();
  const record::GameTree& tree = game.Record();
  const record::NodeId shown = game.ShownNode();
  choices_.clear();
  if (shown == record::kNoNode) {
    side_.SetChoices("", {}, -1);
    side_.SetComment("");
    return;
  }
  std::string title;
  record::NodeId current = record::kNoNode;
  const bool blackBegan = tree.Start().SideToMove() == engine::kBlack;
  const size_t ply = size_t(tree.At(shown).ply);
  if (shown != record::kRootNode && tree.Children(tree.Parent(shown)).size() > 1) {
    choices_ = tree.Children(tree.Parent(shown));
    current = shown;
    title = game::RoundText(ply - 1, blackBegan) + "的变着：";
  } else if (tree.Children(shown).size() > 1) {
    choices_ = tree.Children(shown);
    if (ply < line_.size()) current = line_[ply];
    title = "下一步（" + game::RoundText(ply, blackBegan) + "）的变着：";
  }
  std::vector<std::string> items;
  int32_t marked = -1;
  if (!choices_.empty()) {
    const engine::Position before = tree.PositionAt(tree.Parent(choices_.front()));
    for (size_t i = 0; i < choices_.size(); ++i) {
      items.push_back(std::to_string(i + 1) + ". " + MoveText(choices_[i], before) +
                      (i == 0 ? "（主线）" : ""));
      if (choices_[i] == current) marked = int32_t(i);
    }
  }
  side_.SetChoices(title, items, marked);
  side_.SetComment(record::JoinedComment(tree.At(shown)));
}

// The position `index` moves along the line shown.
void RecordWindow::ShowPosition(size_t index) {
  game::Session& game = window_.Game();
  index = std::min(index, Length());
  if (index <= line_.size())
    return game.ViewNode(index == 0 ? record::kRootNode : line_[index - 1]);
  game.View(size_t(game.Record().At(game.GameNode()).ply) + index - line_.size());
}

void RecordWindow::Step(SideKey key) {
  const size_t shown = ShownIndex();
  auto back = [shown](size_t n) { return shown > n ? shown - n : 0; };
  switch (key) {
    case SideKey::kHome:
      return ShowPosition(0);
    case SideKey::kEnd:
      return ShowPosition(Length());
    case SideKey::kLeft:
      return ShowPosition(back(1));
    case SideKey::kRight:
      return ShowPosition(shown + 1);
    case SideKey::kUp:
      return ShowPosition(back(2));
    case SideKey::kDown:
      return ShowPosition(shown + 2);
    case SideKey::kPageUp:
      return ShowPosition(back(20));
    case SideKey::kPageDown:
      return ShowPosition(shown + 20);
  }
}

void RecordWindow::CellClicked(int32_t row, int32_t column) {
  const int32_t ply = row * 2 + column - 1 - FirstSlot(window_.Game().Record().Start());
  if (ply >= 0) ShowPosition(size_t(ply) + 1);  // the position after the move clicked
}

void RecordWindow::ChoiceClicked(int32_t index) {
  if (index >= 0 && size_t(index) < choices_.size())
    window_.Game().ViewNode(choices_[size_t(index)]);
}

void RecordWindow::OpenBeside() {
  SideWindowCallbacks callbacks;
  callbacks.cellClicked = [this](int32_t row, int32_t column) { CellClicked(row, column); };
  callbacks.keyPressed = [this](SideKey key) { Step(key); };
  callbacks.choiceClicked = [this](int32_t index) { ChoiceClicked(index); };
  // Point i of the curve is the position after i moves.
  callbacks.graphClicked = [this](int32_t index) {
    if (index >= 0) window_.Game().View(size_t(index));
  };
  // Closed by the player, not along with the main window (the program's end closes every window
  // left): only then is it remembered closed.
  callbacks.closedByUser = [] {
    if (runtime::LiveWindow(game::kMainWindowId) != nullptr) runtime::WriteSetting(kOpenKey, 0);
  };
  if (!side_.Open(game::kMainWindowId, Title(), std::move(callbacks))) return;
  side_.SetMenu(
      game::RecordWindowMenuEntries(),
      [this](int32_t id) { return game::MenuItemStateOf(window_, id); },
      [this](int32_t id) {
        game::ActOnMenuItem(window_, id);
        // The moves are written anew in the notation chosen.
        if (id >= game::kNotationItemBase) ShowLine();
      });
  ShowLine();
  window_.Graph().FollowLine();  // the graph is scored while it is shown
}

}  // namespace ui
