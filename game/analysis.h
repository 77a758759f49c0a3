// Analysis (分析, Ctrl+A): an engine thinks without limit about the position the board shows, the
// live one or one stepped back to in the record, and the record window shows its lines (depth,
// score from red's side, speed and the moves in the record's notation) while an arrow on the board
// points out the best move. A new position shown restarts it; turning it off stops the engine at
// once. It never touches the game: it has its own engine, on a thread of its own.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "game/outside/engine_client.h"

namespace game {

// As the main window is made; the analysis ends with the window.
void InstallAnalysis();
// 分析: on (opening the record window when it is closed) or off.
void ToggleAnalysis();
bool AnalysisOn();
// The line or the position shown changed: a different position is analysed from the start.
void AnalysisFollowShownPosition();
// The analyst was chosen anew (the engine dialog): the chosen engine analyses from now on.
void AnalystChoiceChanged();
// 多线: how many lines are shown (1..3), remembered.
int32_t AnalysisLineCount();
void ChooseAnalysisLineCount(int32_t lines);

// What is shown now, for tests: the lines (scores from red's side) and the notes' text.
std::vector<analysis::AnalysisLine> AnalysisLines();
std::vector<std::string> AnalysisNotes();

}  // namespace game
