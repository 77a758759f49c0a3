// The game's record beside the main window (棋谱): the moves in the notation chosen, the move
// shown marked, replay by clicks and keys, the result and how the game ended; and the record
// saved and opened as PGN.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "game/record/notation.h"
#include "runtime/windows/context_menu.h"

namespace game {

// As the main window is made: the window comes back when it was left open.
void InstallRecordWindow();
// 棋谱 (Ctrl+L): opens or closes it; remembered for the next run.
void ToggleRecordWindow();
bool RecordWindowShown();
// The line, the position shown or the outcome changed (or a score of the graph arrived).
void RefreshRecordWindow();
// Only the notes under the list (a clock that runs).
void RefreshRecordNotes();
// The notation the record is written in (the window's 记谱 menu), for the analysis lines too.
record::Notation RecordNotation();
// Lines shown under the record's own notes (the analysis); none takes them off.
void ShowAnalysisNotes(std::vector<std::string> lines);

// Another module's menu in the window's bar, after its own (the analysis, whose lines the window
// shows, so that its keys work here too): its entries, their state and their action, with the
// module's own item ids. Setting it again replaces it.
struct RecordWindowMenu {
  std::vector<runtime::MenuEntry> entries;
  std::function<runtime::MenuItemState(int32_t)> state;
  std::function<void(int32_t)> action;
};
void SetRecordWindowMenu(RecordWindowMenu menu);

// 保存棋谱… (Ctrl+S) and 打开棋谱… (Ctrl+O), through the file dialog.
void SavePgn();
void OpenPgn();
// A PGN file named on the command line (a path in the system's encoding); false, with the
// reason (UTF-8) reported in a box and in `whyNot`, when it cannot be used. The game on the board
// stays as it was.
bool OpenPgnFile(const std::string& path, std::string* whyNot = nullptr);

}  // namespace game
