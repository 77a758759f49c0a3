// The game's evaluation as a curve: a score for every position of the line (red's advantage in
// pawns), found by short searches on a background thread at the lowest priority while the player
// does nothing, and the moves that threw away much marked as mistakes. The scores belong to the
// line: a move or a take-back keeps those of the positions the new line shares with the old.
#pragma once

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace engine {
class Position;
struct SearchResult;
}  // namespace engine

namespace game {

// The scores are shown between these bounds; a mate is drawn at the bound.
inline constexpr double kGraphCap = 10.0;
// A move that loses this much for its mover (pawns, capped scores) is a mistake, or a blunder.
inline constexpr double kMistakeDrop = 1.5;
inline constexpr double kBlunderDrop = 3.0;
// How long each position is searched at most; most stop sooner, once deep enough.
inline constexpr int kScoreSearchMs = 100;

// As the main window is made; the scoring stops with it. Positions are scored only while
// `wanted` holds (the record window shows the graph), and `scored` hears of each new score.
void InstallScoreGraph(std::function<bool()> wanted, std::function<void()> scored);
// The line (or the game's state) changed: a search under way stops when its position left the
// line or the Computer thinks, and scoring goes on with the positions still unscored.
void ScoreGraphFollowLine();
// One value per position of the line, the start first: red's advantage in pawns, capped at
// +-kGraphCap, nothing while unknown.
std::vector<std::optional<double>> LineScores();
// "?", "??" or "" for the move that leads from position `ply` to `ply + 1`.
std::string MoveMark(size_t ply);
// Whether a search is running now, or the record window has yet to hear of a score (tests wait
// for the line to be filled).
bool ScoringBusy();
// The depth each score of the line came from, 0 while unknown (what the speed costs, for the
// benchmark).
std::vector<int> LineScoreDepths();

// The parts that need no window.
// `result` of a search of `position` as red's advantage in pawns, capped; a side without a legal
// move has lost.
double CappedRedScore(const engine::Position& position, const engine::SearchResult& result);
// The mark of a move from `before` to `after` (red's side, capped) made by red or by black.
std::string MistakeMark(double before, double after, bool redMoved);

}  // namespace game
