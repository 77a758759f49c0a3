// PGN files from untrusted bytes: the list, then every game. A game that reads must write back
// to PGN in each notation and read again to the same start, moves and result.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "game/record/pgn.h"

namespace {

void RoundTrip(const record::PgnGame& game) {
  for (record::Notation n : {record::Notation::kChinese, record::Notation::kWxf,
                             record::Notation::kIccs, record::Notation::kXboard}) {
    auto again = record::ReadPgn(record::WritePgn(game, n), nullptr);
    if (!again || again->size() != 1) __builtin_trap();
    const record::PgnGame& back = again->front();
    if (back.moves != game.moves || back.result != game.result ||
        back.start.Fen() != game.start.Fen() || back.comments.size() != game.comments.size())
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  record::PgnError error;
  auto file = record::PgnFile::Open(bytes, &error);
  if (!file) {
    if (error.line < 1 || error.reason.empty()) __builtin_trap();
    return 0;
  }
  for (size_t i = 0; i < file->GameCount(); ++i) {
    auto game = file->Game(i, &error);
    if (!game) {
      if (error.line < file->Line(i) || error.reason.empty()) __builtin_trap();
      continue;
    }
    if (game->comments.size() != game->moves.size() + 1) __builtin_trap();
    RoundTrip(*game);
  }
  return 0;
}
