// Positions and moves from untrusted text: a FEN, an ICCS move, a game record. Whatever parses
// must then be usable by the engine: generation for both sides, the evaluation and a short search.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "game/twoply/board.h"
#include "game/twoply/move_generation.h"
#include "game/twoply/position_text.h"
#include "game/twoply/rules.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"

namespace {

void Exercise(const twoply::BoardArray& board) {
  for (twoply::Side side : {twoply::Computer, twoply::Human}) {
    int16_t n = twoply::GenerateMoves(1, side, board);
    for (int16_t i = 1; i <= n; ++i) {
      twoply::Move m = std::as_const(twoply::MoveLists)(1, i);
      if (!twoply::IsLegalMove(m.from, m.to, board)) __builtin_trap();
    }
    twoply::Evaluate(side, board);
  }
  twoply::SearchDepth = 1;
  twoply::Board = board;
  twoply::PlayComputerMove();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static bool loaded = false;
  if (!loaded) {
    twoply::LoadEvaluationTables();
    loaded = true;
  }
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  if (auto fen = twoply::ParseFen(text, error)) Exercise(fen->board);
  if (auto move = twoply::ParseIccsMove(text)) {
    if (twoply::ParseIccsMove(twoply::FormatIccsMove(*move)) != move) __builtin_trap();
  }
  if (auto record = twoply::ParseRecord(std::span(data, size), error)) Exercise(*record);
  return 0;
}
