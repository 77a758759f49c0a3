// DhtmlXQ, the game block of Chinese xiangqi web pages: [DhtmlXQ] ... [/DhtmlXQ] with one
// [DhtmlXQ_key]value[/DhtmlXQ_key] a field. The start is binit (the 32 pieces' places as column
// and row digits from the top left, 99 for a taken piece; a FEN in DhtmlXQ_fen goes first), the
// main line movelist (four digits a move), each variation move_P_S_I (variation I leaving line P,
// 0 the main line, at its S-th move) and the comments commentS and commentI_S (0 before the
// first move); "||" is a new line in a text. Titles, players, result and the rest are tags.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "game/record/game_tree.h"
#include "game/record/record_text.h"

namespace record {

// One block's text (UTF-8; lines counted from `first_line`). The fields title, event, date,
// place, round, table, red, redteam, redtime, black, blackteam, blacktime, open, ecco, author and
// remark are the tags Title, Event, Date, Site, Round, Table, Red, RedTeam, RedTime, Black,
// BlackTeam, BlackTime, Opening, ECCO, Author and Remark; other fields keep their names. A move
// that is not legal ends its line there; a variation or comment that has no place is reported.
// Nothing, and the reason, when the start is not a position.
std::optional<OpenedGame> ReadDhtmlXq(std::string_view text, int first_line, ReadError* error);

// The tree as one block, in UTF-8 with LF: the tags in their order, the result in words (红胜,
// 黑胜, 和棋, 未知), binit (and DhtmlXQ_fen when the start is not the opening), the main line,
// the variations numbered in the order a reader needs them, and the comments. A "|" next to
// another or to a new line, "\" and "[" in a text are written as \u007C, \u005C and \u005B.
std::string WriteDhtmlXq(const GameTree& tree);

}  // namespace record
