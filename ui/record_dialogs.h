// The small dialogs of the record window: 编辑注释… (the comment after a move, in a small editor)
// and 棋局信息… (the game's tags and result: event, site, date, round, the players, the result,
// the opening, ECCO, and every other tag the game has, under the names it has them).
#pragma once

#include <optional>
#include <string>

#include "game/record/game_tree.h"

namespace ui {

// The comment edited (modal; `title` says whose it is); nothing when cancelled.
std::optional<std::string> EditCommentDialog(const std::string& title, const std::string& comment);

// The tags and the result ("1-0", "0-1", "1/2-1/2" or "*") edited in place (modal), the tags in
// their order with new ones after them; false, with nothing changed, when cancelled.
bool EditGameInfoDialog(record::PgnTags& tags, std::string& result);

}  // namespace ui
