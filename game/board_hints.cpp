#include "game/board_hints.h"

#include <optional>

#include "game/board_drawing.h"
#include "game/labels.h"
#include "game/move_refusal.h"
#include "game/play/engine_bridge.h"
#include "game/play/session.h"
#include "game/units.h"
#include "runtime/system/settings.h"
#include "runtime/windows/panel_marks.h"

namespace game {

using namespace twoply;

namespace {

constexpr std::string_view kHintsKey = "showHints";
// Above the analysis's arrow.
constexpr int32_t kHintsLayer = 1;
constexpr int32_t kLastMoveColour = 0x00DC641E;  // a blue
constexpr int32_t kCheckColour = 0x001414DC;     // a red
constexpr int32_t kTargetColour = 0x003CA014;    // a green

runtime::PanelShape Mark(runtime::PanelShape::Kind kind, Square square, int32_t size,
                         int32_t colour) {
  return runtime::PanelShape{kind,
                             (square.col - 1) * kCell + kSprite / 2,
                             (square.row - 1) * kCell + kSprite / 2,
                             size,
                             colour,
                             200};
}

std::optional<Square> GeneralOf(const BoardArray& board, Side side) {
  const uint8_t general = side == Human ? kHumanGeneral : kComputerGeneral;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col)
      if (board(row, col) == general) return Square{uint8_t(col), uint8_t(row)};
  return std::nullopt;
}

}  // namespace

BoardHints::BoardHints(Session& game)
    : game_(game), on_(runtime::ReadSetting(kHintsKey).value_or(0) == 1) {
  subscription_ = game_.Subscribe([this](const GameChange&) {
    refused_.clear();
    Refresh();
  });
  Refresh();
}

BoardHints::~BoardHints() {
  game_.Unsubscribe(subscription_);
}

void BoardHints::Toggle() {
  on_ = !on_;
  runtime::WriteSetting(kHintsKey, on_ ? 1 : 0);
  Refresh();
}

void BoardHints::SelectionChanged(Square square) {
  refused_.clear();
  Refresh(square);
}

void BoardHints::MoveRefused(const Move& move) {
  refused_ = RefusalWords(WhyRefused(Board, move.from, move.to, game_.StandardRules()));
  Refresh();
}

void BoardHints::Refresh(std::optional<Square> selecting) {
  if (!on_) {
    runtime::SetPanelMarks(BoardPanel, kHintsLayer, {});
    return;
  }
  using Kind = runtime::PanelShape::Kind;
  runtime::PanelMarks marks;
  // The position shown: the game's, or one stepped back to.
  const GameLine line = game_.Line();
  const size_t shown = game_.Viewed().value_or(line.moves.size());
  const BoardArray& board = game_.Viewed() ? game_.ShownBoard() : Board;
  if (shown > 0) {
    const Move& last = line.moves[shown - 1];
    marks.shapes.push_back(Mark(Kind::kCorners, last.from, kSprite, kLastMoveColour));
    marks.shapes.push_back(Mark(Kind::kCorners, last.to, kSprite, kLastMoveColour));
  }
  // Whose turn it is there, and whether that side is in check.
  const Side toMove = shown == line.moves.size()
                          ? (game_.Turn().HumanToMove == 1 ? Human : Computer)
                          : ((shown % 2 == 0) == (line.first == Human) ? Human : Computer);
  const std::optional<engine::Position> position =
      EnginePosition(board, toMove, game_.HumanColour());
  if (position && position->InCheck())
    if (std::optional<Square> general = GeneralOf(board, toMove)) {
      marks.shapes.push_back(Mark(Kind::kRing, *general, kSprite + 4, kCheckColour));
      marks.note = "将军";
    }
  // The points the selected piece (or the one being selected: the game marks it selected only
  // once it is drawn so) may go to.
  const TurnState& turn = game_.Turn();
  const std::optional<Square> selected = selecting ? selecting
                                         : turn.PieceSelected == 1
                                             ? std::optional(turn.SelectedSquare)
                                             : std::nullopt;
  if (!game_.Viewed() && selected && turn.HumanToMove == 1 && At(Board, *selected) != Empty &&
      SideOf(At(Board, *selected)) == Human)
    for (Square to : LegalTargets(Board, *selected, game_.StandardRules()))
      marks.shapes.push_back(Mark(Kind::kDot, to, 12, kTargetColour));
  if (!refused_.empty()) marks.note = refused_;
  if (std::string result = ResultText(game_.GameOutcome(), game_.HumanColour()); !result.empty())
    marks.note = result;
  runtime::SetPanelMarks(BoardPanel, kHintsLayer, std::move(marks));
}

}  // namespace game
