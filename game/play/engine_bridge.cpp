#include "game/play/engine_bridge.h"

#include "game/twoply/position_text.h"

namespace game {

using namespace twoply;

namespace {

// A square seen from the other side of the board.
Square Turned(Square s) {
  return Square{uint8_t(kCols + 1 - s.col), uint8_t(kRows + 1 - s.row)};
}

// The code of the same piece on the other side: 1..7 and 8..14 trade places.
uint8_t OtherSidesCode(uint8_t code) {
  if (code >= 1 && code <= kHumanCodeOffset) return uint8_t(code + kHumanCodeOffset);
  if (code > kHumanCodeOffset && code <= kLastPieceCode) return uint8_t(code - kHumanCodeOffset);
  return code;
}

// The placement and the side to move of a FEN, without the counters.
std::string BoardAndSide(const std::string& fen) {
  const size_t space = fen.find(' ');
  return fen.substr(0, space == std::string::npos ? space : fen.find(' ', space + 1));
}

}  // namespace

BoardArray RedBelow(const BoardArray& board, Colour human) {
  if (human == Colour::kRed) return board;
  BoardArray turned{kRows, kCols};
  for (int32_t row = 1; row <= kRows; ++row)
    for (int32_t col = 1; col <= kCols; ++col)
      turned(kRows + 1 - row, kCols + 1 - col) = OtherSidesCode(board(row, col));
  return turned;
}

std::optional<engine::Position> EnginePosition(const BoardArray& board, Side toMove, Colour human,
                                               std::string* error) {
  // FormatFen names the side below "w": red, once the board is seen red below.
  const Side redBelowToMove = toMove == RedSide(human) ? Human : Computer;
  return engine::Position::FromFen(FormatFen(RedBelow(board, human), redBelowToMove), error);
}

engine::Move ToEngineMove(const Move& move, Colour human) {
  auto square = [human](Square s) {
    return ToEngineSquare(human == Colour::kBlack ? Turned(s) : s);
  };
  return engine::Move{square(move.from), square(move.to)};
}

Move FromEngineMove(engine::Move move, Colour human) {
  auto square = [human](uint8_t s) {
    const Square square = FromEngineSquare(s);
    return human == Colour::kBlack ? Turned(square) : square;
  };
  return Move{square(move.from), square(move.to)};
}

std::optional<engine::Position> LinePosition(const BoardArray& start, Side first,
                                             const std::vector<Move>& moves, const BoardArray& now,
                                             Side toMove, Colour human) {
  std::optional<engine::Position> position = EnginePosition(start, first, human);
  std::vector<engine::Move> line;
  for (const Move& move : moves) line.push_back(ToEngineMove(move, human));
  if (position && engine::MakeLegalMoves(*position, line) != line.size()) position.reset();
  std::optional<engine::Position> current = EnginePosition(now, toMove, human);
  if (position && current && BoardAndSide(position->Fen()) == BoardAndSide(current->Fen()))
    return position;
  return current;
}

}  // namespace game
