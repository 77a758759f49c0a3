// How a line of analysis reads, the same in the window and in xiangqi-cli: the score in pawns from
// red's side ("+0.35", "-1.20") or "杀 N" / "-杀 N" for a mate by red / by black, and the moves.
#pragma once

#include <string>
#include <vector>

#include "engine/position.h"
#include "game/engines/engine_client.h"

namespace engines {

std::string FormatScore(const AnalysisLine& line);
// The moves of a line from `from`, separated by blanks. ICCS for now; the one place to change
// when the lines are shown in the record's notation.
std::string FormatLineMoves(const engine::Position& from, const std::vector<engine::Move>& moves);
// "1  深度 12/18  分数 +0.35  速度 812345  h2e2 h9g7 ..." (line number, depth/seldepth, score,
// nodes per second, the moves).
std::string FormatAnalysisLine(const engine::Position& from, const AnalysisLine& line);

}  // namespace engines
