#include "game/play/engine_bridge.h"

#include "game/notation.h"

namespace game {

std::optional<engine::Position> EnginePosition(const BoardArray& board, Side toMove,
                                               std::string* error) {
  return engine::Position::FromFen(FormatFen(board, toMove), error);
}

engine::Move ToEngineMove(const Move& move) {
  auto square = [](Square s) { return uint8_t((kRows - s.row) * kCols + (s.col - 1)); };
  return engine::Move{square(move.from), square(move.to)};
}

Move FromEngineMove(engine::Move move) {
  auto square = [](uint8_t s) {
    return Square{uint8_t(s % kCols + 1), uint8_t(kRows - s / kCols)};
  };
  return Move{square(move.from), square(move.to)};
}

std::optional<engine::Position> LinePosition(const BoardArray& start,
                                             const std::vector<Move>& moves, const BoardArray& now,
                                             Side toMove) {
  std::optional<engine::Position> position = EnginePosition(start, Human);
  for (const Move& move : moves) {
    if (!position) break;
    engine::Move m = ToEngineMove(move);
    if (!position->IsLegal(m))
      position.reset();
    else
      position->MakeMove(m);
  }
  const std::string fen = FormatFen(now, toMove);
  if (position) {
    const std::string played = position->Fen();
    const bool sameBoard = played.compare(0, played.find(' '), fen, 0, fen.find(' ')) == 0;
    const bool sameSide =
        position->SideToMove() == (toMove == Human ? engine::kRed : engine::kBlack);
    if (sameBoard && sameSide) return position;
  }
  return engine::Position::FromFen(fen);
}

}  // namespace game
