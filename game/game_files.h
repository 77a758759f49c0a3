// The game as PGN: 保存棋谱… and 打开棋谱… through the file dialog, and a PGN file named on the
// command line. A game opened becomes the game on the board, in the colours the Human plays, and
// the record window opens to show it.
#pragma once

#include <string>

#include "game/record/pgn.h"

namespace game {

class WindowGame;

// The game as a PGN record: our tags (the event, today's date, the players), the line, the result
// and how the game ended.
record::PgnGame GameRecord(const WindowGame& window);

void SavePgn(WindowGame& window);
void OpenPgn(WindowGame& window);
// A PGN file (a path in the system's encoding); false, with the reason (UTF-8) reported in a box
// and in `whyNot`, when it cannot be used. The game on the board then stays as it was.
bool OpenPgnFile(WindowGame& window, const std::string& path, std::string* whyNot = nullptr);
// 最近的对局…: the games kept lately, to choose one to open (date, players, rounds, result).
void OpenRecentGame(WindowGame& window);
// The newest of them, without asking (the program started again to go on with it).
void OpenNewestKeptGame(WindowGame& window);

}  // namespace game
