#include "game/controller.h"

#include "game/board_drawing.h"
#include "game/computer_player.h"
#include "game/evaluation.h"
#include "game/game_menu.h"
#include "game/hint.h"
#include "game/rules.h"
#include "game/search.h"
#include "game/take_back.h"
#include "game/units.h"
#include "runtime/commands.h"
#include "runtime/text_codec.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"

namespace game {

int32_t GameOver = 0;
int32_t HumanToMove = 0;
int32_t PieceSelected = 0;
Square SelectedSquare{0, 0};
Square TargetSquare{0, 0};
int32_t StepCount = 0;

namespace {

void SetCaption(const UnitRef& label, std::string_view gbText) {
  runtime::SetTextProperty(label, prop::kCaption, runtime::Text(gbText));
}

// A label text followed by a number, without a blank: "步数:3", "时间15毫秒".
std::string NumberText(std::string_view before, int32_t number, std::string_view after) {
  runtime::Text digits = runtime::ToText(number);
  std::string text(before);
  text += digits.View();
  text += after;
  return text;
}

// The Human's General (8) and the Computer's (1), looked for in the Human's palace first.
void FindGenerals(bool& computerGeneral, bool& humanGeneral) {
  computerGeneral = humanGeneral = false;
  for (int32_t firstRow : {8, 1})
    for (int32_t row = firstRow; row <= firstRow + 2; ++row)
      for (int32_t col = 4; col <= 6; ++col) {
        uint8_t code = Board(row, col);
        if (code == kComputerGeneral) computerGeneral = true;
        if (code == kHumanGeneral) humanGeneral = true;
      }
}

void ToggleTurn() {
  HumanToMove = (HumanToMove & 1) ^ 1;
}

Square ClickedSquare(int32_t x, int32_t y) {
  int32_t col = static_cast<int32_t>(runtime::IntDivide(x, 48.0)) + 1;
  int32_t row = static_cast<int32_t>(runtime::IntDivide(y, 48.0)) + 1;
  return Square{uint8_t(col), uint8_t(row)};
}

// Step 4 of a click: a selected piece to an empty square.
bool TryQuietMove(Square clicked, uint8_t code) {
  if (PieceSelected != 1 || code != Empty) return false;
  TargetSquare = clicked;
  if (!HumanMoveAllowed(SelectedSquare, TargetSquare)) return false;
  PerformHumanMove();
  return true;
}

// Step 5: an own piece, or an empty square (which counts as the Human's), becomes the selection.
// The highlight is told of the old PieceSelected, so the flag is written after it.
bool TrySelection(Square clicked, uint8_t code) {
  if (HumanToMove != 1 || SideOf(code) != Human) return false;
  SelectedSquare = clicked;
  HighlightSelection(SelectedSquare, PieceSelected == 1);
  PieceSelected = 1;
  return true;
}

// Step 6: the selected piece onto a piece of the other side.
bool TryCapture(Square clicked, uint8_t code) {
  if (PieceSelected != 1 || SameSide(At(Board, SelectedSquare), code)) return false;
  TargetSquare = clicked;
  if (!HumanMoveAllowed(SelectedSquare, TargetSquare)) return false;
  PerformHumanMove();
  return true;
}

void ClearGameState() {
  GameOver = 0;
  HumanToMove = 0;
  PieceSelected = 0;
  SelectedSquare = TargetSquare = Square{0, 0};
  StepCount = 0;
  HighlightSquare = Square{0, 0};
  HighlightCode = 0;
}

// Empty tables and lists, or with `release` no elements at all.
void ResetEngineGlobals(bool release) {
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

}  // namespace

void CreateGlobals() {
  ResetEngineGlobals(false);
  ClearGameState();
}

void ReleaseGlobals() {
  ForgetTakeBacks();
  ResetEngineGlobals(true);
  ClearGameState();
}

void OnMainWindowCreated() {
  runtime::SetInterfaceStyle(1);
  NewGame();
  LoadEvaluationTables();
  SearchDepth = 2;
  InstallGameMenu();
}

void NewGame() {
  DropGameLine();
  GameOver = 0;
  SetInitialPosition();
  HumanToMove = 1;
  StepCount = 0;
  SelectedSquare = Square{0, 0};
  PieceSelected = 0;
  SetCaption(StatusLabel, "");
  SetCaption(StepLabel, runtime::Gb("步数:"));
  SetCaption(TimeLabel, runtime::Gb("时间"));
  DrawNewBoard();
}

void OnBoardClick(int32_t x, int32_t y) {
  if (GameOver != 0) return;
  if (!ReadyForBoardClick()) return;  // the Computer is still thinking
  if (x < 0 || x >= kGridWidth || y < 0 || y >= kGridHeight) return;
  Square clicked = ClickedSquare(x, y);
  uint8_t code = At(Board, clicked);
  if (TryQuietMove(clicked, code)) return;
  if (TrySelection(clicked, code)) return;
  if (TryCapture(clicked, code)) return;
  CheckGameEnd();
}

void PerformHumanMove() {
  RememberBeforeHumanMove();
  DrawMove(SelectedSquare, TargetSquare);
  Board(TargetSquare.row, TargetSquare.col) = At(Board, SelectedSquare);
  Board(SelectedSquare.row, SelectedSquare.col) = Empty;
  PieceSelected = 0;
  StepCount = StepCount + 1;
  ComputerTurn();
  SetCaption(StepLabel, NumberText(runtime::Gb("步数:"), StepCount, ""));
}

void ComputerTurn() {
  int32_t started = runtime::TickCount();
  ToggleTurn();
  ShowTurnText();
  if (!ComputerGeneralInPalace(Board)) GameOver = 1;
  // From level 3 on the engine thinks on the worker, and the turn ends when its move arrives.
  if (GameOver == 0 && !PlayComputerReply(started)) return;
  EndComputerTurn(started);
}

void EndComputerTurn(int32_t started) {
  // Unsigned, so a tick count that wraps between the two readings still gives the time spent.
  int32_t elapsed = static_cast<int32_t>(static_cast<uint32_t>(runtime::TickCount()) -
                                         static_cast<uint32_t>(started));
  SetCaption(TimeLabel, NumberText(runtime::Gb("时间"), elapsed, runtime::Gb("毫秒")));
  ToggleTurn();
  if (GameOver == 0) ShowTurnText();
  CheckGameEnd();
  JudgeStandardRules();
}

void CheckGameEnd() {
  bool computerGeneral = false, humanGeneral = false;
  FindGenerals(computerGeneral, humanGeneral);
  if (computerGeneral && !humanGeneral) {
    GameOver = 1;
    SetCaption(StatusLabel, runtime::Gb("你输了"));
  }
  if (humanGeneral && !computerGeneral) {
    GameOver = 1;
    SetCaption(StatusLabel, runtime::Gb("你赢了"));
  }
  if (computerGeneral && humanGeneral) GameOver = 0;
}

void ShowTurnText() {
  SetCaption(StatusLabel, runtime::Gb(HumanToMove == 1 ? "到你了..." : "电脑思考中..."));
}

void OnExitClick() {
  runtime::Destroy(MainWindow);
}

}  // namespace game
