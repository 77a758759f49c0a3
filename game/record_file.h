// The game record file: the position saved to and opened from a .ces file through the file
// dialog, or opened from a name given when the program starts.
#pragma once

#include <string>

#include "runtime/blocks.h"

namespace game {

class Session;
class WindowGame;

// Handlers of the buttons 保存棋局 and 读取棋局.
void SaveGame(WindowGame& window);
void OpenGame(WindowGame& window);

// Opens the record `gbName` (a GB18030 file name) into Board and redraws the board; false, with
// Board and the screen unchanged, when the file cannot be read, lacks the header, holds fewer
// than 90 squares or a code above 14. `whyNot` then gets the reason, in GB18030.
bool OpenRecord(Session& game, const runtime::Text& gbName, std::string* whyNot = nullptr);

// A record named on the command line (a path in the system's encoding, relative ones taken from
// the folder the program was started in), opened by OpenRecord once the start window exists and
// has its new game (a name ending in .pgn, .xqf, .txt or .dhtml is a game, opened as 打开棋谱
// opens it); false before that, and for every file refused. A refused file is reported as 读取棋局
// reports it, and in one line on standard error; the new game stays.
bool OpenRecordAtStart(WindowGame& window, const char* path);

}  // namespace game
