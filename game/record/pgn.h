// Games as PGN, the way xiangqi programs trade them: the Chinese chess convention ([Game "Chinese
// Chess"], [FEN], [Format "Chinese"|"WXF"|"ICCS"]) and XBoard's ([Variant "xiangqi"], algebraic
// moves, White for red), in UTF-8 (with or without a byte-order mark) or GB18030, LF or CRLF,
// several games to a file. Reading finds the notation of each move by itself and keeps the whole
// tree: variations, comments, marks and NAGs, every tag in its order. Texts in and out are UTF-8.
#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "engine/position.h"
#include "game/record/game_tree.h"
#include "game/record/notation.h"
#include "game/record/record_text.h"

namespace record {

class GameList;

// ---------------------------------------------------------------- one game as a tree

// What a list shows of a game without reading its moves: its tags, the moves of its main line
// as written (not yet checked), and what is broken in its text (a tag, a comment or a variation
// left open, bytes that are not text).
struct GameSummary {
  PgnTags tags;
  int line = 1;  // where the game starts in its file
  int plies = 0;
  std::vector<ReadError> problems;
};
GameSummary SummarizePgnGame(std::string_view text, int first_line);

// One game's text (UTF-8; lines counted from `first_line`): everything that reads, and what does
// not as problems. A move that is not legal ends its line there (the rest of the line is kept as
// a comment "未读：…" of the move before it); a variation or comment left open runs to the end of
// the game. Nothing, and the reason, only when the FEN tag is not a position.
std::optional<OpenedGame> ReadPgnGame(std::string_view text, int first_line, ReadError* error);

// The game as PGN in UTF-8 with LF: its tags in their order ([Game "Chinese Chess"] first when
// it has none; Result, FEN, and Format or for XBoard's moves Variant, set to what the tree holds),
// a blank line, then the moves numbered from the FEN's move number, each with its marks and NAGs
// ($n), comments in braces (a "}" in a comment as the full-width "｝", which PGN can hold), the
// variations in parentheses, and the result, in lines of at most 80 characters.
std::string WritePgn(const GameTree& tree, Notation notation);

// ---------------------------------------------------------------- the main line alone

using PgnError = ReadError;

// A game as one line of moves, for callers that show no variations: each variation is kept as
// its text in parentheses in the comment of the move it stands after.
struct PgnGame {
  PgnTags tags;
  engine::Position start;           // the FEN tag's position, or the opening
  std::vector<engine::Move> moves;  // the main line
  // comments[0] stands before the first move and comments[i] after move i, so there is one more
  // than there are moves.
  std::vector<std::string> comments{std::string()};
  std::string result = "*";  // "1-0", "0-1", "1/2-1/2" or "*"
  // How the game ended (将死, 困毙, 长将, 认输, ...): the Termination tag when it is such a word,
  // otherwise worked out for a mate (将死) or a side left without a move (困毙), otherwise empty.
  std::string ending;
  int line = 1;  // where the game starts in its file

  engine::Position Final() const;  // the start with every move made
};

// The main line of a tree, and a one-line game as a tree.
PgnGame MainLineGame(const GameTree& tree, int line);

// How a game ended: the Termination tag when it is in Chinese words, else 将死 or 困毙 when the
// side to move at `final` has no move, else empty.
std::string GameEnding(const PgnTags& tags, const engine::Position& final);

// The tags of PGN's roster first (Game, Event, Site, Date, Round, Red, Black and Result, "?" and
// "????.??.??" for the unknown), the places of FEN (when `start` is not the opening) and Format or
// Variant, Termination for `ending`, then the others of `tags`.
PgnTags RosterTags(const PgnTags& tags, const std::string& result, const engine::Position& start,
                   Notation notation, const std::string& ending);

// A PGN file split into games with their tags; a game's moves are read only when it is asked
// for, so that opening a file of many games to choose from stays cheap.
class PgnFile {
 public:
  // Nothing, and the reason, when the file is too large or no game is found.
  static std::optional<PgnFile> Open(std::string_view bytes, PgnError* error);

  size_t GameCount() const { return games_.size(); }
  const PgnTags& Tags(size_t index) const { return games_[index].tags; }
  int Line(size_t index) const { return games_[index].line; }
  // The whole game; nothing, and the first problem with its line, for a game that does not read
  // whole (a move that is not legal there, a FEN that is not a position, and the like).
  std::optional<PgnGame> Game(size_t index, PgnError* error) const;

 private:
  std::shared_ptr<const GameList> list_;
  std::vector<GameSummary> games_;
};

// Every game of a file, or the first reason one of them cannot be used.
std::optional<std::vector<PgnGame>> ReadPgn(std::string_view bytes, PgnError* error);

// The game as PGN in UTF-8: the tags Game, Event, Site, Date, Round, Red, Black, Result (unknown
// ones as "?"), FEN when the game does not start from the opening, Format, Termination for its
// ending, the game's other tags, then the moves in the notation asked for (ICCS as H2-E2), its
// comments and the result. Notation::kXboard writes XBoard's algebraic moves under [Variant
// "xiangqi"] instead of Format.
std::string WritePgn(const PgnGame& game, Notation notation);

}  // namespace record
