#include "game/move_refusal.h"

#include <cstdlib>

#include "game/play/engine_bridge.h"
#include "game/twoply/rules.h"

namespace game {

using namespace twoply;

namespace {

// The shape of the move is the piece's; what stands in its way, or where it may not go, is the
// reason. Only asked for a move the law refused.
Refusal WhyLawRefuses(const BoardArray& board, Square from, Square to) {
  const uint8_t mover = At(board, from), target = At(board, to);
  if (target != Empty && SameSide(mover, target)) return Refusal::kOwnPiece;
  const int32_t dx = int32_t{to.col} - from.col, dy = int32_t{to.row} - from.row;
  const int32_t adx = std::abs(dx), ady = std::abs(dy);
  const bool human = SideOf(mover) == Human;
  const uint8_t kind = human ? mover - kHumanCodeOffset : mover;
  const bool inPalace =
      human ? rules_internal::InHumanPalace(to) : rules_internal::InComputerPalace(to);
  switch (kind) {
    case General:
      if (adx + ady == 1) return inPalace ? Refusal::kNotItsMove : Refusal::kPalace;
      return Refusal::kNotItsMove;
    case Advisor:
      if (adx == 1 && ady == 1) return Refusal::kPalace;
      return Refusal::kNotItsMove;
    case Elephant:
      if (adx != 2 || ady != 2) return Refusal::kNotItsMove;
      if (human ? to.row < 6 : to.row > 5) return Refusal::kElephantRiver;
      return Refusal::kElephantEyeBlocked;
    case Horse:
      return (adx == 1 && ady == 2) || (adx == 2 && ady == 1) ? Refusal::kHorseLegBlocked
                                                              : Refusal::kNotItsMove;
    case Chariot:
      return rules_internal::SharesLine(from, to) ? Refusal::kPathBlocked : Refusal::kNotItsMove;
    case Cannon:
      if (!rules_internal::SharesLine(from, to)) return Refusal::kNotItsMove;
      return target == Empty ? Refusal::kPathBlocked : Refusal::kCannonNeedsScreen;
    case Soldier:
      return adx + ady == 1 ? Refusal::kSoldierBack : Refusal::kNotItsMove;
    default:
      return Refusal::kNotItsMove;
  }
}

// On `board` after the move, whether the two Generals face each other on an open file.
bool GeneralsFace(const BoardArray& board) {
  std::optional<Square> top, bottom;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      const uint8_t code = board(row, col);
      if (code == kComputerGeneral) top = Square{uint8_t(col), uint8_t(row)};
      if (code == kHumanGeneral) bottom = Square{uint8_t(col), uint8_t(row)};
    }
  return top && bottom && top->col == bottom->col &&
         rules_internal::LineIsClear(*top, *bottom, board);
}

}  // namespace

Refusal WhyRefused(const BoardArray& board, Square from, Square to, bool standardRules) {
  if (!IsLegalMove(from, to, board)) return WhyLawRefuses(board, from, to);
  if (!standardRules) return Refusal::kNone;
  // Under the standard rules the move must leave the mover's General neither attacked nor facing.
  const Side mover = SideOf(At(board, from));
  std::optional<engine::Position> position = EnginePosition(board, mover);
  if (!position || position->IsLegal(ToEngineMove(Move{from, to}))) return Refusal::kNone;
  BoardArray after = board;
  after(to.row, to.col) = At(board, from);
  after(from.row, from.col) = Empty;
  return GeneralsFace(after) ? Refusal::kGeneralsFace : Refusal::kIntoCheck;
}

std::vector<Square> LegalTargets(const BoardArray& board, Square from, bool standardRules) {
  std::vector<Square> targets;
  const std::optional<engine::Position> position =
      standardRules ? EnginePosition(board, SideOf(At(board, from))) : std::nullopt;
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col) {
      const Square to{uint8_t(col), uint8_t(row)};
      if (!IsLegalMove(from, to, board)) continue;
      if (position && !position->IsLegal(ToEngineMove(Move{from, to}))) continue;
      targets.push_back(to);
    }
  return targets;
}

std::string RefusalWords(Refusal refusal) {
  switch (refusal) {
    case Refusal::kNotItsMove:
      return "这个棋子不能这样走";
    case Refusal::kPathBlocked:
      return "路上有子挡着";
    case Refusal::kCannonNeedsScreen:
      return "炮吃子要隔一个子";
    case Refusal::kHorseLegBlocked:
      return "马脚被绊";
    case Refusal::kElephantEyeBlocked:
      return "象眼被塞";
    case Refusal::kElephantRiver:
      return "象不能过河";
    case Refusal::kPalace:
      return "不能走出九宫";
    case Refusal::kSoldierBack:
      return "兵不能后退，过河前也不能横走";
    case Refusal::kOwnPiece:
      return "不能吃自己的子";
    case Refusal::kGeneralsFace:
      return "将帅不能照面";
    case Refusal::kIntoCheck:
      return "不能送将";
    case Refusal::kNone:
      break;
  }
  return {};
}

}  // namespace game
