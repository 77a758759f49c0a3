// XQF, the binary record of the common Chinese record programs: a 1024-byte header (signature
// "XQ", version, the key bytes, the 32 pieces' places, the result and the titles as GB18030
// strings with a length byte) and then the tree of moves, each a 4-byte record (from, to, the
// flags for a continuation, a variation and a comment) and its comment. Versions up to 10 are
// plain; from 11 the pieces' places, the moves and the comments' lengths are hidden with keys
// made from the header's key bytes (from 12 the places also turn round).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "game/record/game_tree.h"
#include "game/record/record_text.h"

namespace record {

// The header's texts as tags: Title, TitleB, Event, Date, Site, Red, Black, TimeControl, RedTime,
// BlackTime, Annotator, Author (the ones that are not empty, in that order).
// A file of any version from 1 to 18. Problems name the byte where they are ("XQF 第 1088
// 字节：…", line 0): a move that is not legal there is left out with everything after it, and a
// file cut short keeps what came before the cut. Nothing, and the reason, for a file whose header
// or start position cannot be used.
std::optional<OpenedGame> ReadXqf(std::string_view bytes, ReadError* error);

// The tree as XQF version 10 (plain, which every reader opens): the tags above (each cut to its
// field, on a character), the start position, the result, every move, variation and comment (a
// comment before a variation's first move goes before that move's own). Marks, NAGs and other
// tags have no place in XQF.
std::string WriteXqf(const GameTree& tree);

}  // namespace record
