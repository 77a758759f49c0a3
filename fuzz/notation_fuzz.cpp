// Positions and moves from untrusted text: a FEN, an ICCS move, a game record. Whatever parses
// must then be usable by the engine: generation for both sides, the evaluation and a short search.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "game/board.h"
#include "game/evaluation.h"
#include "game/move_generation.h"
#include "game/notation.h"
#include "game/rules.h"
#include "game/search.h"

namespace {

void Exercise(const game::BoardArray& board) {
  for (game::Side side : {game::Computer, game::Human}) {
    int16_t n = game::GenerateMoves(1, side, board);
    for (int16_t i = 1; i <= n; ++i) {
      game::Move m = std::as_const(game::MoveLists)(1, i);
      if (!game::IsLegalMove(m.from, m.to, board)) __builtin_trap();
    }
    game::Evaluate(side, board);
  }
  game::SearchDepth = 1;
  game::Board = board;
  game::PlayComputerMove();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool loaded = false;
  if (!loaded) {
    game::LoadEvaluationTables();
    loaded = true;
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (auto fen = game::ParseFen(text, error)) Exercise(fen->board);
  if (auto move = game::ParseIccsMove(text)) {
    if (game::ParseIccsMove(game::FormatIccsMove(*move)) != move) __builtin_trap();
  }
  if (auto record = game::ParseRecord(std::span(data, size), error)) Exercise(*record);
  return 0;
}
