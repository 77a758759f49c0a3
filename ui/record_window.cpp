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
  if (change.line) texts_.resize(change.newStart ? 0 : std::min(texts_.size(), change.keptPlies));
  ShowLine();
}

// The moves of the line not written yet, in the notation chosen (all of them anew when another
// was chosen).
void RecordWindow::WriteMoves() {
  const game::Session& game = window_.Game();
  const std::vector<engine::Move> moves = game.LineEngineMoves();
  const record::Notation notation = game::RecordNotation();
  if (notation != written_) texts_.clear();
  written_ = notation;
  texts_.resize(std::min(texts_.size(), moves.size()));
  if (texts_.size() == moves.size()) return;
  end_ = game.LineStartPosition();
  for (size_t i = 0; i < texts_.size(); ++i) end_.MakeMove(moves[i]);
  for (size_t i = texts_.size(); i < moves.size(); ++i) {
    texts_.push_back(record::WriteMove(end_, moves[i], notation));
    end_.MakeMove(moves[i]);
  }
}

void RecordWindow::ShowNotes() {
  if (!side_.IsOpen()) return;
  const game::Session& game = window_.Game();
  std::vector<std::string> notes;
  if (const std::optional<size_t> viewed = game.Viewed()) {
    const bool blackBegan = game.LineStartPosition().SideToMove() == engine::kBlack;
    notes.push_back(*viewed == 0 ? "回看：开始的局面（棋盘不接受走子）"
                                 : "回看：" + game::RoundText(*viewed - 1, blackBegan) +
                                       "走后（棋盘不接受走子）");
  }
  ShowStatus();
  ShowClocks();
  const std::vector<std::string> analysis = window_.Analysis().Notes();
  notes.insert(notes.end(), analysis.begin(), analysis.end());
  side_.SetNotes(notes);
  side_.SetAnalysis(window_.Analysis().Table());
}

void RecordWindow::ShowStatus() {
  const game::StatusFacts facts = window_.Status();
  side_.SetStatus(game::StatusLine(facts), window_.Notice(),
                  facts.outcome.winner != game::Winner::kNobody);
}

// Point i: the position after i moves, its score and the move that led there, with what the
// marks mean.
std::vector<std::string> RecordWindow::GraphTips() const {
  const game::Session& game = window_.Game();
  const std::vector<std::optional<double>> scores = window_.Graph().LineScores();
  const bool blackBegan = game.LineStartPosition().SideToMove() == engine::kBlack;
  std::vector<std::string> tips;
  for (size_t i = 0; i < scores.size(); ++i) {
    std::string tip = i == 0 || i > texts_.size()
                          ? std::string("开始的局面")
                          : game::RoundText(i - 1, blackBegan) + " " + texts_[i - 1];
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

void RecordWindow::ShowLine() {
  if (!side_.IsOpen()) return;
  const game::Session& game = window_.Game();
  WriteMoves();
  const int32_t first = FirstSlot(game.LineStartPosition());
  const game::ScoreGraph& graph = window_.Graph();
  std::vector<std::array<std::string, 3>> rows;
  for (size_t ply = 0; ply < texts_.size(); ++ply) {
    const Cell cell = CellOf(ply, first);
    if (size_t(cell.row) >= rows.size()) rows.push_back({std::to_string(cell.row + 1), "", ""});
    rows[size_t(cell.row)][size_t(cell.column)] = texts_[ply] + graph.MoveMark(ply);
  }
  side_.SetRows(rows);
  const size_t shown = game.Viewed().value_or(texts_.size());
  if (shown == 0) {
    side_.SetCurrent(-1, -1);
  } else {
    const Cell cell = CellOf(shown - 1, first);
    side_.SetCurrent(cell.row, cell.column);
  }
  ShowNotes();
  // The curve from the start position on, once there is a move; the position shown marked.
  if (texts_.empty())
    side_.SetGraph({}, -1);
  else
    side_.SetGraph(graph.LineScores(), int32_t(shown), GraphTips());
}

void RecordWindow::Step(SideKey key) {
  game::Session& game = window_.Game();
  const size_t length = game.LineEngineMoves().size();
  const size_t shown = game.Viewed().value_or(length);
  size_t target = shown;
  switch (key) {
    case SideKey::kHome:
      target = 0;
      break;
    case SideKey::kEnd:
      target = length;
      break;
    case SideKey::kLeft:
      target = shown > 0 ? shown - 1 : 0;
      break;
    case SideKey::kRight:
      target = shown + 1;
      break;
    case SideKey::kUp:
      target = shown > 2 ? shown - 2 : 0;
      break;
    case SideKey::kDown:
      target = shown + 2;
      break;
    case SideKey::kPageUp:
      target = shown > 20 ? shown - 20 : 0;
      break;
    case SideKey::kPageDown:
      target = shown + 20;
      break;
  }
  game.View(std::min(target, length));
}

void RecordWindow::CellClicked(int32_t row, int32_t column) {
  game::Session& game = window_.Game();
  const int32_t ply = row * 2 + column - 1 - FirstSlot(game.LineStartPosition());
  if (ply >= 0) game.View(size_t(ply) + 1);  // the position after the move clicked
}

void RecordWindow::OpenBeside() {
  SideWindowCallbacks callbacks;
  callbacks.cellClicked = [this](int32_t row, int32_t column) { CellClicked(row, column); };
  callbacks.keyPressed = [this](SideKey key) { Step(key); };
  // Point i of the curve is the position after i moves.
  callbacks.graphClicked = [this](int32_t index) {
    if (index >= 0) window_.Game().View(size_t(index));
  };
  // Closed by the player, not along with the main window (the program's end closes every window
  // left): only then is it remembered closed.
  callbacks.closedByUser = [] {
    if (runtime::LiveWindow(game::kMainWindowId) != nullptr) runtime::WriteSetting(kOpenKey, 0);
  };
  if (!side_.Open(game::kMainWindowId, "棋谱", std::move(callbacks))) return;
  side_.SetMenu(
      game::RecordWindowMenuEntries(),
      [this](int32_t id) { return game::MenuItemStateOf(window_, id); },
      [this](int32_t id) {
        game::ActOnMenuItem(window_, id);
        // The moves are written anew in the notation chosen.
        if (id >= game::kNotationItemBase) ShowLine();
      });
  texts_.clear();
  ShowLine();
  window_.Graph().FollowLine();  // the graph is scored while it is shown
}

}  // namespace ui
