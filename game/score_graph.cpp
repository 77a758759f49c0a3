#include "game/score_graph.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/search.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/system/worker.h"
#include "runtime/windows/context_menu.h"

namespace game {

namespace {

// A search stops after the iteration that reached this depth once it has had this share of its
// time: with the table kept from the position before, most positions get there well inside it.
constexpr int kUsefulDepth = 8;
constexpr int64_t kEnoughMs = kScoreSearchMs / 4;

// The line a job scores, as it was when the job began.
struct Line {
  std::string startFen;
  std::vector<engine::Move> moves;
};

// The line the scores belong to.
struct Scores {
  std::string startFen;
  std::vector<engine::Move> moves;
  std::vector<std::optional<double>> values;  // one per position: moves.size() + 1
  std::vector<int> depths;                    // the depth each value came from
  std::vector<bool> unscorable;               // positions the engine cannot take
};

// The positions one job searches, in order. A free scorer may take the back half of another's
// positions not yet begun, so both cores stay busy to the end.
struct Run {
  std::mutex mutex;
  std::vector<size_t> todo;
  size_t taken = 0;  // how many of `todo` the job has begun
  std::atomic<bool> cancelled{false};
  std::atomic<bool> stopSearch{false};  // the search in hand: cancelled, or deep enough
};

// One per core the machine has, up to two. Each keeps its own table from one position to the
// next: the position after a move was a subtree of the search before it.
struct Scorer {
  std::unique_ptr<engine::Searcher> searcher;
  runtime::JobId job = 0;
  std::shared_ptr<Run> run;
  std::shared_ptr<const Line> line;  // the job's
};

Scores scores;
std::vector<Scorer> scorers;
// Scores come in by the dozen a second; the record window hears of them at most this often.
constexpr int32_t kTellEveryMs = 100;
runtime::RepeatingCallId telling = 0;
bool installed = false;
std::function<bool()> scoresWanted;
std::function<void()> scoredListener;

size_t CommonPrefix(const std::vector<engine::Move>& a, const std::vector<engine::Move>& b) {
  const size_t n = std::min(a.size(), b.size());
  size_t i = 0;
  while (i < n && a[i] == b[i]) ++i;
  return i;
}

// Keeps the scores of the positions the game's line shares with the one scored.
void TakeLine(const std::string& startFen, const std::vector<engine::Move>& moves) {
  const size_t kept = startFen == scores.startFen ? CommonPrefix(scores.moves, moves) + 1 : 0;
  const size_t size = std::min(kept, scores.values.size());
  scores.values.resize(size);
  scores.depths.resize(size);
  scores.unscorable.resize(size);
  scores.values.resize(moves.size() + 1);
  scores.depths.resize(moves.size() + 1, 0);
  scores.unscorable.resize(moves.size() + 1, false);
  scores.startFen = startFen;
  scores.moves = moves;
}

void Cancel(Scorer& scorer) {
  if (!scorer.run) return;
  scorer.run->cancelled.store(true);
  scorer.run->stopSearch.store(true);
  runtime::CancelBackgroundJob(scorer.job);
  scorer.run.reset();
}

void CancelAll() {
  for (Scorer& scorer : scorers) Cancel(scorer);
}

bool OnLine(const std::string& startFen, const std::vector<engine::Move>& moves, size_t index) {
  return startFen == scores.startFen && index < scores.values.size() &&
         std::equal(moves.begin(), moves.begin() + std::ptrdiff_t(index), scores.moves.begin());
}

// A job whose positions left the line is of no more use. The line leading to its furthest
// position holds the others.
bool RunStillOnLine(const Scorer& scorer) {
  std::lock_guard lock(scorer.run->mutex);
  const auto& todo = scorer.run->todo;
  return todo.empty() || OnLine(scorer.line->startFen, scorer.line->moves,
                                *std::max_element(todo.begin(), todo.end()));
}

// Marks the positions past a move that is not legal in its turn, which the engine cannot take.
void MarkUnscorable() {
  std::optional<engine::Position> position = engine::Position::FromFen(scores.startFen);
  for (size_t i = 0; i < scores.values.size(); ++i) {
    if (!position) {
      scores.unscorable[i] = true;
      continue;
    }
    if (i == scores.moves.size()) break;
    if (!position->IsLegal(scores.moves[i]))
      position.reset();
    else
      position->MakeMove(scores.moves[i]);
  }
}

// The positions to score that no job holds: the newest first, for a game being played; then the
// rest from the start, in the line's order.
std::vector<size_t> OpenPositions() {
  std::vector<bool> held(scores.values.size(), false);
  for (Scorer& scorer : scorers) {
    if (!scorer.run) continue;
    std::lock_guard lock(scorer.run->mutex);
    for (size_t i : scorer.run->todo)
      if (i < held.size()) held[i] = true;
  }
  std::vector<size_t> open;
  for (size_t i = 0; i < scores.values.size(); ++i)
    if (!scores.values[i] && !scores.unscorable[i] && !held[i]) open.push_back(i);
  if (!open.empty() && open.back() == scores.values.size() - 1)
    std::rotate(open.begin(), open.end() - 1, open.end());
  return open;
}

// The back half of a busy job's positions not yet begun, for a free scorer.
std::vector<size_t> TakeHalfOfAnothersWork() {
  for (Scorer& scorer : scorers) {
    if (!scorer.run) continue;
    Run& run = *scorer.run;
    std::lock_guard lock(run.mutex);
    const size_t left = run.todo.size() - run.taken;
    if (left < 2) continue;
    const auto middle = run.todo.begin() + std::ptrdiff_t(run.taken + left / 2);
    std::vector<size_t> half(middle, run.todo.end());
    run.todo.erase(middle, run.todo.end());
    return half;
  }
  return {};
}

void ScoreArrived(const std::shared_ptr<const Line>& line, size_t index, double value, int depth) {
  if (!installed || !OnLine(line->startFen, line->moves, index)) return;
  scores.values[index] = value;
  scores.depths[index] = depth;
  if (telling) return;
  telling = runtime::StartRepeatingCall(kTellEveryMs, [] {
    runtime::StopRepeatingCall(telling);
    telling = 0;
    scoredListener();
  });
  if (!telling) scoredListener();  // no event loop to wait for
}

void StartNext();

// Runs on the job's thread: searches the run's positions in turn, each score sent back as found.
void ScoreRun(const std::shared_ptr<const Line>& line, Run& run, engine::Searcher& searcher) {
  for (;;) {
    run.stopSearch.store(false);
    size_t index = 0;
    {
      std::lock_guard lock(run.mutex);
      if (run.cancelled.load() || run.taken == run.todo.size()) return;
      index = run.todo[run.taken++];
    }
    std::optional<engine::Position> position = engine::Position::FromFen(line->startFen);
    for (size_t i = 0; position && i < index; ++i) position->MakeMove(line->moves[i]);
    if (!position) return;
    engine::Limits limits;
    limits.movetime_ms = kScoreSearchMs;
    limits.stop = &run.stopSearch;
    const engine::SearchResult result =
        searcher.Search(*position, limits, {}, [&run](const engine::SearchInfo& info) {
          if (info.depth >= kUsefulDepth && info.time_ms >= kEnoughMs) run.stopSearch.store(true);
        });
    if (run.cancelled.load()) return;
    runtime::PostToUiThread([line, index, value = CappedRedScore(*position, result),
                             depth = result.depth] { ScoreArrived(line, index, value, depth); });
  }
}

void StartJob(Scorer& scorer, std::vector<size_t> todo) {
  if (!scorer.searcher) scorer.searcher = std::make_unique<engine::Searcher>(4);
  scorer.run = std::make_shared<Run>();
  scorer.run->todo = std::move(todo);
  scorer.line = std::make_shared<const Line>(Line{scores.startFen, scores.moves});
  runtime::BackgroundJob job;
  job.work = [line = scorer.line, run = scorer.run, searcher = scorer.searcher.get()] {
    ScoreRun(line, *run, *searcher);
  };
  job.interrupt = [run = scorer.run] {
    run->cancelled.store(true);
    run->stopSearch.store(true);
  };
  job.done = [&scorer] {
    scorer.run.reset();
    StartNext();
  };
  job.lowest = true;
  scorer.job = runtime::StartBackgroundJob(std::move(job));
}

void StartNext() {
  if (!installed || !scoresWanted() || TheGame().Thinking()) return;
  MarkUnscorable();
  std::vector<Scorer*> free;
  for (Scorer& scorer : scorers)
    if (!scorer.run) free.push_back(&scorer);
  if (free.empty()) return;
  std::vector<size_t> open = OpenPositions();
  if (open.empty()) {
    std::vector<size_t> half = TakeHalfOfAnothersWork();
    if (!half.empty()) StartJob(*free.front(), std::move(half));
    return;
  }
  // Contiguous shares, so that each job goes along the line.
  const size_t share = (open.size() + free.size() - 1) / free.size();
  for (size_t first = 0, k = 0; first < open.size(); first += share, ++k) {
    const auto from = open.begin() + std::ptrdiff_t(first);
    StartJob(*free[k], std::vector<size_t>(
                           from, from + std::ptrdiff_t(std::min(share, open.size() - first))));
  }
}

}  // namespace

void InstallScoreGraph(std::function<bool()> wanted, std::function<void()> scored) {
  scoresWanted = std::move(wanted);
  scoredListener = std::move(scored);
  installed = true;
  scores = Scores{};
  scorers = std::vector<Scorer>(std::thread::hardware_concurrency() >= 2 ? 2 : 1);
  runtime::CallWhenWindowGoes(MainWindow, [] {
    CancelAll();
    installed = false;
    scorers.clear();
    runtime::StopRepeatingCall(telling);
    telling = 0;
  });
  ScoreGraphFollowLine();
}

void ScoreGraphFollowLine() {
  if (!installed) return;
  Session& game = TheGame();
  TakeLine(game.LineStartPosition().Fen(), game.LineEngineMoves());
  // Any move of the player's stops the search in hand: its position may be gone, and the
  // Computer's own search must have the processor to itself.
  for (Scorer& scorer : scorers)
    if (scorer.run && (game.Thinking() || !RunStillOnLine(scorer))) Cancel(scorer);
  StartNext();
}

std::vector<std::optional<double>> LineScores() {
  return scores.values;
}

std::string MoveMark(size_t ply) {
  if (ply + 1 >= scores.values.size()) return {};
  const auto& before = scores.values[ply];
  const auto& after = scores.values[ply + 1];
  if (!before || !after) return {};
  std::optional<engine::Position> start = engine::Position::FromFen(scores.startFen);
  if (!start) return {};
  // Who moves at `ply`: the side to move at the start, every other ply.
  const bool redMoved = (start->SideToMove() == engine::kRed) == (ply % 2 == 0);
  return MistakeMark(*before, *after, redMoved);
}

bool ScoringBusy() {
  return telling ||
         std::any_of(scorers.begin(), scorers.end(), [](const Scorer& s) { return s.run; });
}

std::vector<int> LineScoreDepths() {
  return scores.depths;
}

double CappedRedScore(const engine::Position& position, const engine::SearchResult& result) {
  // No move: mated or stalemated, a loss either way in xiangqi.
  const double mover = result.best == engine::kNoMove ? -kGraphCap : result.score / 100.0;
  const double red = position.SideToMove() == engine::kRed ? mover : -mover;
  return std::clamp(red, -kGraphCap, kGraphCap);
}

std::string MistakeMark(double before, double after, bool redMoved) {
  const double drop = redMoved ? before - after : after - before;
  if (drop >= kBlunderDrop) return "??";
  if (drop >= kMistakeDrop) return "?";
  return {};
}

}  // namespace game
