// The names the window template (window_template.txt) binds the game's event handlers by, in the
// order of the game's handler table (game/handlers.cpp): the template's side of the contract, so
// that a program without the game's windows (xiangqi-cli) can name a binding too.
#pragma once

#include <string_view>

namespace template_bindings {

inline constexpr std::string_view kHandlerNames[] = {
    "OnMainWindowCreated",
    "OnBoardClick",
    "OnAboutClick",
    "OnExitClick",
    "OpenGame",
    "SaveGame",
    "NewGame",
    "OnAboutWindowCreated",
};

}  // namespace template_bindings
