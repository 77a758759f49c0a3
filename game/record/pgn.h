// Games as PGN, the way xiangqi programs trade them: the Chinese chess convention ([Game "Chinese
// Chess"], [FEN], [Format "Chinese"|"WXF"|"ICCS"]) and XBoard's ([Variant "xiangqi"], algebraic
// moves), in UTF-8 (with or without a byte-order mark) or GB18030, LF or CRLF, several games to a
// file. Reading finds the notation of each move by itself. Texts in and out are UTF-8.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/position.h"
#include "game/record/notation.h"

namespace record {

// A game's tags in the order of the file; names compare without regard to case.
class PgnTags {
 public:
  std::string Get(std::string_view name) const;  // empty when missing
  bool Has(std::string_view name) const;
  void Set(std::string_view name, std::string value);  // replaces, or adds at the end
  const std::vector<std::pair<std::string, std::string>>& All() const { return tags_; }

 private:
  std::vector<std::pair<std::string, std::string>> tags_;
};

struct PgnGame {
  PgnTags tags;
  engine::Position start;           // the FEN tag's position, or the opening
  std::vector<engine::Move> moves;  // the main line
  // comments[0] stands before the first move and comments[i] after move i, so there is one more
  // than there are moves. Variations are kept here as their text in parentheses.
  std::vector<std::string> comments{std::string()};
  std::string result = "*";  // "1-0", "0-1", "1/2-1/2" or "*"
  // How the game ended (将死, 困毙, 长将, 认输, ...): the Termination tag when it is such a word,
  // otherwise worked out for a mate (将死) or a side left without a move (困毙), otherwise empty.
  std::string ending;
  int line = 1;  // where the game starts in its file

  engine::Position Final() const;  // the start with every move made
};

// Why a file or a game cannot be used: the line (from 1) and the reason, in Chinese.
struct PgnError {
  int line = 0;
  std::string reason;
  std::string Text() const;  // "第 12 行：着法 炮二进九 不合规则"
};

// A PGN file, decoded and split into games with their tags; a game's moves are read only when
// it is asked for, so that opening a file of many games to choose from stays cheap.
class PgnFile {
 public:
  // Nothing, and the reason, when the bytes are not text in a known encoding, a tag or a comment
  // is broken, or no game is found.
  static std::optional<PgnFile> Open(std::string_view bytes, PgnError* error);

  size_t GameCount() const { return games_.size(); }
  const PgnTags& Tags(size_t index) const { return games_[index].tags; }
  int Line(size_t index) const { return games_[index].line; }
  // The whole game; nothing, and the reason with its line, for a move that is not legal there,
  // a FEN that is not a position, and the like.
  std::optional<PgnGame> Game(size_t index, PgnError* error) const;

 private:
  struct Entry {
    PgnTags tags;
    int line = 1;      // the game's first line
    int fen_line = 1;  // the FEN tag's line
    size_t begin = 0;  // the moves: [begin, end) of text_, starting on begin_line
    size_t end = 0;
    int begin_line = 1;
  };
  std::string text_;  // UTF-8
  std::vector<Entry> games_;
};

// Every game of a file, or the first reason it cannot be used.
std::optional<std::vector<PgnGame>> ReadPgn(std::string_view bytes, PgnError* error);

// The game as PGN in UTF-8: the tags Game, Event, Site, Date, Round, Red, Black, Result (unknown
// ones as "?"), FEN when the game does not start from the opening, Format, the game's other tags,
// then the moves in the notation asked for (ICCS as H2-E2), its comments and the result.
// Notation::kXboard writes XBoard's algebraic moves under [Variant "xiangqi"] instead of Format.
std::string WritePgn(const PgnGame& game, Notation notation);

}  // namespace record
