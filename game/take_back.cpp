#include "game/take_back.h"

#include "game/board_drawing.h"
#include "game/computer_player.h"
#include "game/controller.h"
#include "game/hint.h"
#include "game/units.h"
#include "runtime/windows/properties.h"

namespace game {

namespace {

struct TakeBackPoint {
  BoardArray board;
  int32_t gameOver = 0;
  int32_t pieceSelected = 0;
  Square selected{0, 0};
  Square target{0, 0};
  int32_t stepCount = 0;
  Square highlightSquare{0, 0};
  int16_t highlightCode = 0;
  runtime::Text status, step, time;
  Move humanMove{};
  std::optional<Move> computerMove;
};

std::vector<TakeBackPoint>& Points() {
  static std::vector<TakeBackPoint> points;
  return points;
}

}  // namespace

void RememberBeforeHumanMove() {
  TakeBackPoint point;
  point.board = Board;
  point.gameOver = GameOver;
  point.pieceSelected = PieceSelected;
  point.selected = SelectedSquare;
  point.target = TargetSquare;
  point.stepCount = StepCount;
  point.highlightSquare = HighlightSquare;
  point.highlightCode = HighlightCode;
  point.status = runtime::GetTextProperty(StatusLabel, prop::kCaption);
  point.step = runtime::GetTextProperty(StepLabel, prop::kCaption);
  point.time = runtime::GetTextProperty(TimeLabel, prop::kCaption);
  point.humanMove = Move{SelectedSquare, TargetSquare};
  Points().push_back(std::move(point));
}

void NoteComputerMove(const Move& move) {
  if (!Points().empty()) Points().back().computerMove = move;
}

void ForgetTakeBacks() {
  Points().clear();
}

bool CanTakeBack() {
  return !Points().empty();
}

void TakeBack() {
  if (Points().empty()) return;
  StopThinking();
  ForgetHint();
  TakeBackPoint point = std::move(Points().back());
  Points().pop_back();
  Board = point.board;
  GameOver = point.gameOver;
  HumanToMove = 1;
  PieceSelected = point.pieceSelected;
  SelectedSquare = point.selected;
  TargetSquare = point.target;
  StepCount = point.stepCount;
  HighlightSquare = point.highlightSquare;
  HighlightCode = point.highlightCode;
  runtime::SetTextProperty(StatusLabel, prop::kCaption, point.status);
  runtime::SetTextProperty(StepLabel, prop::kCaption, point.step);
  runtime::SetTextProperty(TimeLabel, prop::kCaption, point.time);
  RedrawBoard();
  // The piece that was about to move is lit again, drawn as selecting it drew it.
  if (PieceSelected == 1)
    if (int32_t sprite = HighlightSprite(HighlightCode); sprite != 0)
      DrawSquare(HighlightSquare, sprite, kSprite);
}

GameLine CurrentLine() {
  GameLine line;
  if (Points().empty()) {
    line.start = Board;
    return line;
  }
  line.start = Points().front().board;
  for (const TakeBackPoint& point : Points()) {
    line.moves.push_back(point.humanMove);
    if (point.computerMove) line.moves.push_back(*point.computerMove);
  }
  return line;
}

}  // namespace game
