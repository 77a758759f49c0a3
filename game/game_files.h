// The game as a file: 保存棋谱… (PGN or XQF, by the name's extension) and 打开棋谱… (PGN, XQF or
// DhtmlXQ, found from the content) through the file dialog, a game file named on the command line,
// a game pasted as text, and 最近的对局. A game opened becomes the game on the board, in the
// colours the Human plays, with its whole tree as the record, and the record window opens to show
// it. Reading never changes a file; saving over one asks first and replaces it whole or not at all.
#pragma once

#include <string>

#include "game/record/game_list.h"
#include "game/record/game_tree.h"
#include "game/record/notation.h"

namespace game {

class WindowGame;

// The game's record as it is saved: the Session's tree with the moves only the game's own rules
// allowed after its node, the result the game reached, and for a game played here (until the
// player sets the tags in 棋局信息) our tags: the event, today's date, the players, how it ended.
// A game opened from a file keeps its own tags.
record::GameTree GameRecord(const WindowGame& window, record::Notation notation);

void SavePgn(WindowGame& window);
void OpenPgn(WindowGame& window);
// A game file (a path in the system's encoding); false, with the reason (UTF-8) reported in a box
// and in `whyNot`, when nothing of it can be used. The game on the board then stays as it was.
bool OpenPgnFile(WindowGame& window, const std::string& path, std::string* whyNot = nullptr);
// A text holding games (PGN or DhtmlXQ, as pasted): false, with nothing changed and no box, when
// no game is found in it; otherwise as a file opens.
bool OpenGameText(WindowGame& window, const std::string& text, const std::string& caption);
// 最近的对局…: the games kept lately, to choose one to open (date, players, rounds, result).
void OpenRecentGame(WindowGame& window);
// The newest of them, without asking (the program started again to go on with it).
void OpenNewestKeptGame(WindowGame& window);

// The name the save dialog offers for a new game: "红方 — 黑方 2026.12.09.pgn" from its tags (the
// unknown left out), "棋谱.pgn" without any, never with a character a file name cannot hold.
std::string SuggestedFileName(const record::PgnTags& tags);

// A game file by its name's ending, in any case: .pgn, .xqf, and .txt or .dhtml (DhtmlXQ).
bool IsGameFileName(const std::string& path);

// One line of a list of games: "12. 红方 — 黑方  1-0  赛事  2026.12.07  40 步", and what is broken.
std::string GameListTitle(const record::GameList& list, size_t index);

}  // namespace game
