// How a line of analysis reads, the same in the window and in xiangqi-cli: the score in pawns from
// red's side ("+0.35", "-1.20") or "杀 N" / "-杀 N" for a mate by red / by black ("红已被杀" /
// "黑已被杀" when the side to move is mated already), and the moves.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/analysis/analysis_line.h"
#include "game/record/notation.h"

namespace analysis {

std::string FormatScore(const AnalysisLine& line);
// The moves of a line from `from` in `notation`, separated by blanks, as far as they are legal;
// past `most` moves the rest is " …".
std::string FormatLineMoves(const engine::Position& from, const std::vector<engine::Move>& moves,
                            record::Notation notation, size_t most = SIZE_MAX);
// The same moves one by one, "…" last when some were left out.
std::vector<std::string> LineMoves(const engine::Position& from,
                                   const std::vector<engine::Move>& moves,
                                   record::Notation notation, size_t most = SIZE_MAX);
// A line as the cells of a table: "1", "12/18", "+0.35", "812 kN/s" and the moves.
struct LineCells {
  std::string line, depth, score, speed;
  std::vector<std::string> moves;
  bool operator==(const LineCells&) const = default;
};
LineCells CellsOf(const engine::Position& from, const AnalysisLine& line, record::Notation notation,
                  size_t most = SIZE_MAX);
// "1  深度 12/18  分数 +0.35  速度 812345  炮二平五 马８进７ ..." (line number, depth/seldepth,
// score, nodes per second, the moves).
std::string FormatAnalysisLine(const engine::Position& from, const AnalysisLine& line,
                               record::Notation notation);

}  // namespace analysis
