// The user's folders as the desktop names them (the XDG base and user directories).
#pragma once

#include <string>

namespace runtime {

// $XDG_DATA_HOME/xiangqi, else ~/.local/share/xiangqi; empty when neither can be named. Not made.
std::string UserDataFolder();
// The user's documents folder: XDG_DOCUMENTS_DIR from ~/.config/user-dirs.dirs when it names
// one that exists, else ~/Documents when it exists, else the home folder; empty without a home.
std::string DocumentsFolder();

}  // namespace runtime
