// Positions and moves for the full-rules engine from untrusted text. Whatever parses must print
// back to the same position, take and undo each of its legal moves, be judged along a line of
// them, and survive a short search; the position check agrees with the reader.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/line_judge.h"
#include "engine/position.h"
#include "engine/search.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  if (auto move = engine::ParseIccs(text)) {
    if (engine::ParseIccs(engine::ToIccs(*move)) != move) __builtin_trap();
  }
  std::string error;
  auto pos = engine::Position::FromFen(text, &error);
  // The position check and the reader agree: a FEN is taken exactly when no problem is found,
  // and refused with the first one.
  std::string checkError;
  const auto problems = engine::Position::CheckFen(text, &checkError);
  if (!problems && pos) __builtin_trap();
  if (problems && problems->empty() != pos.has_value()) __builtin_trap();
  if (problems && !problems->empty() && error != engine::DescribeProblem(problems->front()))
    __builtin_trap();
  if (!pos) {
    if (error.empty()) __builtin_trap();
    return 0;
  }
  // A line of the position's legal moves is judged without harm to the position.
  {
    engine::Position line = *pos;
    for (int i = 0; i < 12 && !line.NoLegalMoves(); ++i) {
      line.MakeMove(line.LegalMoves()[size_t(i) % line.LegalMoves().size()]);
      const std::string fen = line.Fen();
      engine::JudgeLine(line);
      if (line.Fen() != fen) __builtin_trap();
    }
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
