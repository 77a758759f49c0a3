#include "game/hint.h"

#include <algorithm>
#include <utility>

#include "game/board_drawing.h"
#include "game/computer_player.h"
#include "game/controller.h"
#include "game/rules.h"
#include "game/units.h"
#include "runtime/commands.h"
#include "runtime/system/message_box.h"
#include "runtime/system/worker.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"

namespace game {

namespace {

uint64_t hintJob = 0;
std::optional<Square> markedTarget;

constexpr int32_t kMarkInset = 3;    // from the cell's corner
constexpr int32_t kMarkLength = 11;  // each arm of a corner
constexpr int32_t kMarkPen = 3;

// Four red corners inside the sprite's 44 x 44 pixels, drawn with the board panel's pen, whose
// width and colour are put back afterwards.
void DrawMark(Square target) {
  const int32_t x = (target.col - 1) * kCell, y = (target.row - 1) * kCell;
  const int32_t oldWidth = runtime::GetIntegerProperty(BoardPanel, prop::kPenWidth);
  const int32_t oldColour = runtime::GetIntegerProperty(BoardPanel, prop::kPenColour);
  runtime::SetIntegerProperty(BoardPanel, prop::kPenWidth, kMarkPen);
  runtime::SetIntegerProperty(BoardPanel, prop::kPenColour, runtime::Rgb(220, 20, 20));
  const int32_t lo = kMarkInset, hi = kSprite - 1 - kMarkInset;
  for (int32_t cx : {lo, hi})
    for (int32_t cy : {lo, hi}) {
      const int32_t dx = cx == lo ? kMarkLength : -kMarkLength;
      const int32_t dy = cy == lo ? kMarkLength : -kMarkLength;
      runtime::DrawLine(BoardPanel, x + cx, y + cy, x + cx + dx, y + cy);
      runtime::DrawLine(BoardPanel, x + cx, y + cy, x + cx, y + cy + dy);
    }
  runtime::SetIntegerProperty(BoardPanel, prop::kPenWidth, oldWidth);
  runtime::SetIntegerProperty(BoardPanel, prop::kPenColour, oldColour);
  markedTarget = target;
}

// The marked cell as the board shows it without the mark: the clean cell and its piece.
void EraseMark() {
  if (!markedTarget) return;
  const Square target = *std::exchange(markedTarget, std::nullopt);
  const int32_t x = (target.col - 1) * kCell, y = (target.row - 1) * kCell;
  runtime::CopyTo(CleanBoardPanel, x, y, kCell, kCell, BoardPanel, x, y);
  if (int32_t sprite = NormalSprite(At(Board, target)); sprite != 0)
    DrawSquare(target, sprite, kCell);
}

void ShowHint(const Move& move) {
  EraseMark();
  if (GameOver != 0 || HumanToMove != 1) return;
  SelectedSquare = move.from;
  HighlightSelection(SelectedSquare, PieceSelected == 1);
  PieceSelected = 1;
  DrawMark(move.to);
}

// Under the game's rules the Human may be able to take the Computer's General, which the engine
// cannot be asked about: that capture is the hint.
std::optional<Move> GeneralCapture() {
  std::optional<Square> general;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col)
      if (Board(row, col) == kComputerGeneral) general = Square{uint8_t(col), uint8_t(row)};
  if (!general) return std::nullopt;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      Square from{uint8_t(col), uint8_t(row)};
      if (SideOf(At(Board, from)) == Human && At(Board, from) != Empty &&
          IsLegalMove(from, *general, Board))
        return Move{from, *general};
    }
  return std::nullopt;
}

}  // namespace

bool CanHint() {
  return GameOver == 0 && HumanToMove == 1 && !HintPending() && !ComputerThinking();
}

void RequestHint() {
  if (!CanHint()) return;
  std::optional<engine::Position> position = LinePosition(Human);
  if (!position) {
    if (auto capture = GeneralCapture()) {
      ShowHint(*capture);
      return;
    }
    runtime::ShowMessageBox(runtime::BoxIcon::kInformation, "这个局面无法给出提示。", "提示");
    return;
  }
  if (position->NoLegalMoves()) return;
  hintJob = StartEngineSearch(*position, std::max(Level(), kLowestHintLevel),
                              [](engine::Move best) {
                                hintJob = 0;
                                if (best != engine::kNoMove) ShowHint(FromEngineMove(best));
                              });
}

bool HintPending() {
  return hintJob != 0 && runtime::BackgroundJobPending(hintJob);
}

std::optional<Square> HintTarget() {
  return markedTarget;
}

bool ReadyForBoardClick() {
  if (ComputerThinking()) return false;
  StopEngineSearch(std::exchange(hintJob, 0));
  EraseMark();
  return true;
}

void ForgetHint() {
  StopEngineSearch(std::exchange(hintJob, 0));
  markedTarget.reset();
}

}  // namespace game
