// The game's evaluation as a curve: a score for every position of the line (red's advantage in
// pawns), found by short searches on a background thread at the lowest priority while the player
// does nothing, and the moves that threw away much marked as mistakes. The scores belong to the
// line: a move or a take-back keeps those of the positions the new line shares with the old.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/position.h"
#include "game/lifeline.h"

namespace engine {
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

class Session;
struct GameChange;

// The scores of the line of one game. Positions are scored only while `wanted` holds (the record
// window shows the graph); the listener hears of new scores at most ten times a second. It follows
// the game by itself: a search under way stops when its position left the line or the Computer
// thinks, and scoring goes on with the positions still unscored. Scoring stops when it is
// destroyed.
class ScoreGraph {
 public:
  ScoreGraph(Session& game, std::function<bool()> wanted);
  ~ScoreGraph();
  ScoreGraph(const ScoreGraph&) = delete;
  ScoreGraph& operator=(const ScoreGraph&) = delete;

  void SetScoredListener(std::function<void()> listener) { scoredListener_ = std::move(listener); }
  // The wish may have changed (the graph shown): scoring goes on or begins.
  void FollowLine();
  // One value per position of the line, the start first: red's advantage in pawns, capped at
  // +-kGraphCap, nothing while unknown.
  std::vector<std::optional<double>> LineScores() const;
  // "?", "??" or "" for the move that leads from position `ply` to `ply + 1`.
  std::string MoveMark(size_t ply) const;
  // Whether a search is running now, or the listener has yet to hear of a score (tests wait for
  // the line to be filled).
  bool Busy() const;
  // The depth each score of the line came from, 0 while unknown (what the speed costs, for the
  // benchmark).
  std::vector<int> LineScoreDepths() const;

 private:
  struct Line;
  struct Scores;
  struct Run;
  struct Scorer;

  void TakeLine(size_t keptPositions);
  void Cancel(Scorer& scorer);
  void CancelAll();
  bool OnLine(const std::string& startFen, const std::vector<engine::Move>& moves,
              size_t index) const;
  bool RunStillOnLine(const Scorer& scorer) const;
  void MarkUnscorable();
  std::vector<size_t> OpenPositions();
  std::vector<size_t> TakeHalfOfAnothersWork();
  void ScoreArrived(const std::shared_ptr<const Line>& line, size_t index, double value, int depth);
  void StartJob(Scorer& scorer, std::vector<size_t> todo);
  void StartNext();

  Session& game_;
  std::function<bool()> wanted_;
  std::function<void()> scoredListener_;
  uint64_t subscription_ = 0;
  std::unique_ptr<Scores> scores_;
  std::vector<std::unique_ptr<Scorer>> scorers_;
  uint64_t telling_ = 0;  // the repeating call that tells the listener, while one is due
  Lifeline lifeline_;
};

// The parts that need no window.
// `result` of a search of `position` as red's advantage in pawns, capped; a side without a legal
// move has lost.
double CappedRedScore(const engine::Position& position, const engine::SearchResult& result);
// The mark of a move from `before` to `after` (red's side, capped) made by red or by black.
std::string MistakeMark(double before, double after, bool redMoved);

}  // namespace game
