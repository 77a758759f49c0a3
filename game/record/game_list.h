// The games of a file, whatever it holds: PGN (one game or thousands), XQF, or DhtmlXQ blocks
// (as a web page or a copied text has them). The format is found from the content. A PGN file is
// indexed in one pass over its bytes, keeping four bytes a game beside the file itself; a game's
// tags and moves are read only when it is asked for, and a broken game keeps its problems to
// itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "game/record/game_tree.h"
#include "game/record/pgn.h"
#include "game/record/record_text.h"

namespace record {

enum class RecordFormat { kPgn, kXqf, kDhtmlXq };

// The format of a file's bytes: XQF by its signature, DhtmlXQ by its [DhtmlXQ] tags, else PGN.
RecordFormat DetectFormat(std::string_view bytes);

class GameList {
 public:
  // Takes the file's bytes. Nothing, and the reason, for more than kMaxFileBytes or a file in
  // which no game is found.
  static std::optional<GameList> Open(std::string bytes, ReadError* error);

  RecordFormat Format() const { return format_; }
  size_t Count() const { return begins_.size(); }
  int Line(size_t index) const;  // where the game starts (0 in an XQF file)
  // The game's tags, its main line's moves as written, and what is broken in its text.
  GameSummary Summary(size_t index) const;
  // The game as far as it reads (see OpenedGame); nothing, and the reason, when nothing of it
  // can be used (its start is not a position, an XQF header is cut short).
  std::optional<OpenedGame> Game(size_t index, ReadError* error) const;

 private:
  GameList() = default;
  void IndexPgn(size_t text_begin);
  void IndexDhtmlXq();
  void Begin(size_t at, int line);
  std::string_view Span(size_t index) const;
  std::string Decoded(size_t index, std::vector<ReadError>& problems) const;

  std::string bytes_;
  RecordFormat format_ = RecordFormat::kPgn;
  Encoding encoding_ = Encoding::kUtf8;
  std::deque<uint32_t> begins_;  // each game's first byte; it ends where the next begins
  std::vector<int> lines_;       // the line of every 64th game, from the first
};

}  // namespace record
