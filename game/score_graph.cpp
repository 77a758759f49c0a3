#include "game/score_graph.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>
#include <thread>

#include "engine/search.h"
#include "game/play/session.h"
#include "runtime/system/worker.h"

namespace game {

namespace {

// A search stops after the iteration that reached this depth once it has had this share of its
// time: with the table kept from the position before, most positions get there well inside it.
constexpr int kUsefulDepth = 8;
constexpr int64_t kEnoughMs = kScoreSearchMs / 4;
// Scores come in by the dozen a second; the listener hears of them at most this often.
constexpr int32_t kTellEveryMs = 100;

}  // namespace

// The line a job scores, as it was when the job began.
struct ScoreGraph::Line {
  std::string startFen;
  std::vector<engine::Move> moves;
};

// The line the scores belong to.
struct ScoreGraph::Scores {
  std::string startFen;
  std::vector<engine::Move> moves;
  std::vector<std::optional<double>> values;  // one per position: moves.size() + 1
  std::vector<int> depths;                    // the depth each value came from
  std::vector<bool> unscorable;               // positions the engine cannot take
};

// The positions one job searches, in order. A free scorer may take the back half of another's
// positions not yet begun, so both cores stay busy to the end.
struct ScoreGraph::Run {
  std::mutex mutex;
  std::vector<size_t> todo;
  size_t taken = 0;  // how many of `todo` the job has begun
  std::atomic<bool> cancelled{false};
  std::atomic<bool> stopSearch{false};  // the search in hand: cancelled, or deep enough
};

// One per core the machine has, up to two. Each keeps its own table from one position to the
// next: the position after a move was a subtree of the search before it.
struct ScoreGraph::Scorer {
  std::unique_ptr<engine::Searcher> searcher;
  runtime::JobId job = 0;
  std::shared_ptr<Run> run;
  std::shared_ptr<const Line> line;  // the job's
};

namespace {

// Runs on the job's thread: searches the run's positions in turn, each score handed to `arrived`
// as found.
template <typename Arrived>
void ScoreRun(const std::string& startFen, const std::vector<engine::Move>& moves,
              std::atomic<bool>& cancelled, std::atomic<bool>& stopSearch,
              const std::function<std::optional<size_t>()>& next, engine::Searcher& searcher,
              const Arrived& arrived) {
  for (;;) {
    stopSearch.store(false);
    const std::optional<size_t> index = next();
    if (!index) return;
    std::optional<engine::Position> position = engine::Position::FromFen(startFen);
    for (size_t i = 0; position && i < *index; ++i) position->MakeMove(moves[i]);
    if (!position) return;
    engine::Limits limits;
    limits.movetime_ms = kScoreSearchMs;
    limits.stop = &stopSearch;
    const engine::SearchResult result =
        searcher.Search(*position, limits, {}, [&stopSearch](const engine::SearchInfo& info) {
          if (info.depth >= kUsefulDepth && info.time_ms >= kEnoughMs) stopSearch.store(true);
        });
    if (cancelled.load()) return;
    arrived(*index, CappedRedScore(*position, result), result.depth);
  }
}

}  // namespace

ScoreGraph::ScoreGraph(Session& game, std::function<bool()> wanted)
    : game_(game), wanted_(std::move(wanted)), scores_(std::make_unique<Scores>()) {
  for (unsigned n = std::thread::hardware_concurrency() >= 2 ? 2 : 1; n > 0; --n)
    scorers_.push_back(std::make_unique<Scorer>());
  TakeLine(0);
  subscription_ = game_.Subscribe([this](const GameChange& change) {
    if (change.line) TakeLine(change.newStart ? 0 : change.keptPlies + 1);
    FollowLine();
  });
}

ScoreGraph::~ScoreGraph() {
  game_.Unsubscribe(subscription_);
  CancelAll();
  runtime::StopRepeatingCall(telling_);
}

// The game's line, with the scores of its first `keptPositions` positions, which the line scored
// before shares with it.
void ScoreGraph::TakeLine(size_t keptPositions) {
  Scores& scores = *scores_;
  scores.startFen = game_.LineStartPosition().Fen();
  scores.moves = game_.LineEngineMoves();
  const size_t size = std::min(keptPositions, scores.values.size());
  scores.values.resize(size);
  scores.depths.resize(size);
  scores.unscorable.resize(size);
  scores.values.resize(scores.moves.size() + 1);
  scores.depths.resize(scores.moves.size() + 1, 0);
  scores.unscorable.resize(scores.moves.size() + 1, false);
}

void ScoreGraph::Cancel(Scorer& scorer) {
  if (!scorer.run) return;
  scorer.run->cancelled.store(true);
  scorer.run->stopSearch.store(true);
  runtime::CancelBackgroundJob(scorer.job);
  scorer.run.reset();
}

void ScoreGraph::CancelAll() {
  for (auto& scorer : scorers_) Cancel(*scorer);
}

bool ScoreGraph::OnLine(const std::string& startFen, const std::vector<engine::Move>& moves,
                        size_t index) const {
  const Scores& scores = *scores_;
  return startFen == scores.startFen && index < scores.values.size() &&
         std::equal(moves.begin(), moves.begin() + std::ptrdiff_t(index), scores.moves.begin());
}

// A job whose positions left the line is of no more use. The line leading to its furthest
// position holds the others.
bool ScoreGraph::RunStillOnLine(const Scorer& scorer) const {
  std::lock_guard lock(scorer.run->mutex);
  const auto& todo = scorer.run->todo;
  return todo.empty() || OnLine(scorer.line->startFen, scorer.line->moves,
                                *std::max_element(todo.begin(), todo.end()));
}

// Marks the positions past a move that is not legal in its turn, which the engine cannot take.
void ScoreGraph::MarkUnscorable() {
  Scores& scores = *scores_;
  std::optional<engine::Position> position = engine::Position::FromFen(scores.startFen);
  // Positions 0..legal are reached by legal moves.
  const size_t legal = position ? engine::MakeLegalMoves(*position, scores.moves) : 0;
  for (size_t i = 0; i < scores.values.size(); ++i) scores.unscorable[i] = !position || i > legal;
}

// The positions to score that no job holds: the newest first, for a game being played; then the
// rest from the start, in the line's order.
std::vector<size_t> ScoreGraph::OpenPositions() {
  const Scores& scores = *scores_;
  std::vector<bool> held(scores.values.size(), false);
  for (auto& scorer : scorers_) {
    if (!scorer->run) continue;
    std::lock_guard lock(scorer->run->mutex);
    for (size_t i : scorer->run->todo)
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
std::vector<size_t> ScoreGraph::TakeHalfOfAnothersWork() {
  for (auto& scorer : scorers_) {
    if (!scorer->run) continue;
    Run& run = *scorer->run;
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

void ScoreGraph::ScoreArrived(const std::shared_ptr<const Line>& line, size_t index, double value,
                              int depth) {
  if (!OnLine(line->startFen, line->moves, index)) return;
  scores_->values[index] = value;
  scores_->depths[index] = depth;
  if (telling_) return;
  telling_ = runtime::StartRepeatingCall(kTellEveryMs, [this] {
    runtime::StopRepeatingCall(std::exchange(telling_, 0));
    if (scoredListener_) scoredListener_();
  });
  if (!telling_ && scoredListener_) scoredListener_();  // no event loop to wait for
}

void ScoreGraph::StartJob(Scorer& scorer, std::vector<size_t> todo) {
  if (!scorer.searcher) scorer.searcher = std::make_unique<engine::Searcher>(4);
  scorer.run = std::make_shared<Run>();
  scorer.run->todo = std::move(todo);
  scorer.line = std::make_shared<const Line>(Line{scores_->startFen, scores_->moves});
  runtime::BackgroundJob job;
  job.work = [this, line = scorer.line, run = scorer.run, searcher = scorer.searcher.get(),
              alive = lifeline_.Handle()] {
    const auto next = [&run = *run]() -> std::optional<size_t> {
      std::lock_guard lock(run.mutex);
      if (run.cancelled.load() || run.taken == run.todo.size()) return std::nullopt;
      return run.todo[run.taken++];
    };
    ScoreRun(line->startFen, line->moves, run->cancelled, run->stopSearch, next, *searcher,
             [&](size_t index, double value, int depth) {
               runtime::PostToUiThread(Lifeline::Guarded(alive, [this, line, index, value, depth] {
                 ScoreArrived(line, index, value, depth);
               }));
             });
  };
  job.interrupt = [run = scorer.run] {
    run->cancelled.store(true);
    run->stopSearch.store(true);
  };
  job.done = [this, &scorer] {
    scorer.run.reset();
    StartNext();
  };
  job.lowest = true;
  scorer.job = runtime::StartBackgroundJob(std::move(job));
}

void ScoreGraph::StartNext() {
  if (!wanted_() || game_.Thinking()) return;
  MarkUnscorable();
  std::vector<Scorer*> free;
  for (auto& scorer : scorers_)
    if (!scorer->run) free.push_back(scorer.get());
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

void ScoreGraph::FollowLine() {
  // Any move of the player's stops the search in hand: its position may be gone, and the
  // Computer's own search must have the processor to itself.
  for (auto& scorer : scorers_)
    if (scorer->run && (game_.Thinking() || !RunStillOnLine(*scorer))) Cancel(*scorer);
  StartNext();
}

std::vector<std::optional<double>> ScoreGraph::LineScores() const {
  return scores_->values;
}

std::string ScoreGraph::MoveMark(size_t ply) const {
  const Scores& scores = *scores_;
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

bool ScoreGraph::Busy() const {
  return telling_ != 0 || std::any_of(scorers_.begin(), scorers_.end(),
                                      [](const auto& s) { return s->run != nullptr; });
}

std::vector<int> ScoreGraph::LineScoreDepths() const {
  return scores_->depths;
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
