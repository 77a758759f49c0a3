// Positions and moves for the full-rules engine from untrusted text. Whatever parses must print
// back to the same position, take and undo each of its legal moves, and survive a short search.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/position.h"
#include "engine/search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto move = engine::ParseIccs(text)) {
    if (engine::ParseIccs(engine::ToIccs(*move)) != move) __builtin_trap();
  }
  std::string error;
  auto pos = engine::Position::FromFen(text, &error);
  if (!pos) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  auto again = engine::Position::FromFen(pos->Fen());
  if (!again || again->Key() != pos->Key() || again->Fen() != pos->Fen()) __builtin_trap();
  std::string before = pos->Fen();
  for (engine::Move m : pos->LegalMoves()) {
    pos->MakeMove(m);
    if (pos->Attacked(pos->KingSquare(engine::Opponent(pos->SideToMove())), pos->SideToMove()))
      __builtin_trap();  // a legal move never leaves the mover's general attacked
    pos->UnmakeMove();
  }
  if (pos->Fen() != before) __builtin_trap();
  static engine::Searcher searcher(1);
  engine::Limits limits;
  limits.depth = 2;
  limits.nodes = 20000;
  engine::SearchResult result = searcher.Search(*pos, limits);
  if (result.best == engine::kNoMove ? !pos->NoLegalMoves() : !pos->IsLegal(result.best))
    __builtin_trap();
  return 0;
}
