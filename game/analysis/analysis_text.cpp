#include "game/analysis/analysis_text.h"

#include <cstdio>
#include <cstdlib>

namespace analysis {

std::string FormatScore(const AnalysisLine& line) {
  if (line.mated) return *line.mated == engine::kRed ? "红已被杀" : "黑已被杀";
  if (line.mate) {
    std::string text = *line.mate < 0 ? "-杀 " : "杀 ";
    return text + std::to_string(std::llabs(*line.mate));
  }
  long long cp = line.score_cp.value_or(0);
  char text[48];
  std::snprintf(text, sizeof text, "%c%lld.%02lld", cp < 0 ? '-' : '+', std::llabs(cp) / 100,
                std::llabs(cp) % 100);
  return text;
}

std::vector<std::string> LineMoves(const engine::Position& from,
                                   const std::vector<engine::Move>& moves,
                                   record::Notation notation, size_t most) {
  engine::Position position = from;
  std::vector<std::string> written;
  for (size_t i = 0; i < moves.size() && i < most; ++i) {
    if (!position.IsLegal(moves[i])) break;
    written.push_back(record::WriteMove(position, moves[i], notation));
    position.MakeMove(moves[i]);
  }
  if (moves.size() > most) written.push_back("…");
  return written;
}

std::string FormatLineMoves(const engine::Position& from, const std::vector<engine::Move>& moves,
                            record::Notation notation, size_t most) {
  std::string text;
  for (const std::string& move : LineMoves(from, moves, notation, most))
    text.append(text.empty() ? "" : " ").append(move);
  return text;
}

LineCells CellsOf(const engine::Position& from, const AnalysisLine& line, record::Notation notation,
                  size_t most) {
  LineCells cells;
  cells.line = std::to_string(line.multipv);
  cells.depth = std::to_string(line.depth);
  if (line.seldepth > 0) cells.depth.append("/").append(std::to_string(line.seldepth));
  cells.score = FormatScore(line);
  cells.speed = line.nps > 0 ? std::to_string((line.nps + 500) / 1000) + " kN/s" : "—";
  cells.moves = LineMoves(from, line.pv, notation, most);
  return cells;
}

std::string FormatAnalysisLine(const engine::Position& from, const AnalysisLine& line,
                               record::Notation notation) {
  std::string text = std::to_string(line.multipv);
  text.append("  深度 ").append(std::to_string(line.depth));
  if (line.seldepth > 0) text.append("/").append(std::to_string(line.seldepth));
  text.append("  分数 ").append(FormatScore(line));
  text.append("  速度 ").append(std::to_string(line.nps));
  text.append("  ").append(FormatLineMoves(from, line.pv, notation));
  return text;
}

}  // namespace analysis
