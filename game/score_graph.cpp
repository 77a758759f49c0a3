#include "game/score_graph.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "engine/search.h"
#include "game/units.h"
#include "game/window_session.h"
#include "runtime/system/worker.h"
#include "runtime/windows/context_menu.h"

namespace game {

namespace {

// The line the scores belong to, and what is searching now.
struct Scores {
  std::string startFen;
  std::vector<engine::Move> moves;
  std::vector<std::optional<double>> values;  // one per position: moves.size() + 1
  std::vector<bool> unscorable;               // positions the engine cannot take
};

struct Running {
  runtime::JobId job = 0;
  size_t index = 0;
  std::string startFen;
  std::vector<engine::Move> moves;  // the moves leading to the position searched
  std::shared_ptr<std::atomic<bool>> stop;
};

Scores scores;
std::optional<Running> running;
// Small: each search lasts a tenth of a second.
std::unique_ptr<engine::Searcher> searcher;
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
  scores.values.resize(std::min(kept, scores.values.size()));
  scores.unscorable.resize(scores.values.size());
  scores.values.resize(moves.size() + 1);
  scores.unscorable.resize(moves.size() + 1, false);
  scores.startFen = startFen;
  scores.moves = moves;
}

void Cancel() {
  if (!running) return;
  running->stop->store(true, std::memory_order_release);
  runtime::CancelBackgroundJob(running->job);
  running.reset();
}

bool StillOnLine(const Running& search) {
  return search.startFen == scores.startFen && search.moves.size() < scores.values.size() &&
         std::equal(search.moves.begin(), search.moves.end(), scores.moves.begin());
}

// The newest position first, for a game being played; then the rest from the start.
std::optional<size_t> NextUnscored() {
  const size_t last = scores.values.size() - 1;
  auto open = [](size_t i) { return !scores.values[i] && !scores.unscorable[i]; };
  if (open(last)) return last;
  for (size_t i = 0; i < last; ++i)
    if (open(i)) return i;
  return std::nullopt;
}

// The position after the first `count` moves, when every one of them is legal in its turn.
std::optional<engine::Position> PositionAfter(size_t count) {
  std::optional<engine::Position> position = engine::Position::FromFen(scores.startFen);
  if (!position) return std::nullopt;
  for (size_t i = 0; i < count; ++i) {
    if (!position->IsLegal(scores.moves[i])) return std::nullopt;
    position->MakeMove(scores.moves[i]);
  }
  return position;
}

void StartNext();

void Arrived(size_t index, const engine::Position& position, const engine::SearchResult& result) {
  running.reset();
  if (index < scores.values.size()) scores.values[index] = CappedRedScore(position, result);
  scoredListener();
  StartNext();
}

void StartNext() {
  if (running || !installed || !scoresWanted() || TheGame().Thinking()) return;
  std::optional<size_t> index;
  std::optional<engine::Position> position;
  while ((index = NextUnscored())) {
    if ((position = PositionAfter(*index))) break;
    scores.unscorable[*index] = true;
  }
  if (!index) return;
  if (!searcher) searcher = std::make_unique<engine::Searcher>(4);
  auto stop = std::make_shared<std::atomic<bool>>(false);
  auto result = std::make_shared<engine::SearchResult>();
  engine::Limits limits;
  limits.movetime_ms = kScoreSearchMs;
  limits.stop = stop.get();
  running = Running{0, *index, scores.startFen,
                    std::vector<engine::Move>(scores.moves.begin(),
                                              scores.moves.begin() + std::ptrdiff_t(*index)),
                    stop};
  runtime::BackgroundJob job;
  job.work = [result, position = *position, limits, stop, engine = searcher.get()] {
    *result = engine->Search(position, limits);
  };
  job.interrupt = [stop] { stop->store(true, std::memory_order_release); };
  job.done = [index = *index, position = *position, result] { Arrived(index, position, *result); };
  job.lowest = true;
  running->job = runtime::StartBackgroundJob(std::move(job));
}

}  // namespace

void InstallScoreGraph(std::function<bool()> wanted, std::function<void()> scored) {
  scoresWanted = std::move(wanted);
  scoredListener = std::move(scored);
  installed = true;
  scores = Scores{};
  runtime::CallWhenWindowGoes(MainWindow, [] {
    Cancel();
    installed = false;
    searcher.reset();
  });
  ScoreGraphFollowLine();
}

void ScoreGraphFollowLine() {
  if (!installed) return;
  Session& game = TheGame();
  TakeLine(game.LineStartPosition().Fen(), game.LineEngineMoves());
  // Any move of the player's stops the search in hand: its position may be gone, and the
  // Computer's own search must have the processor to itself.
  if (running && (!StillOnLine(*running) || game.Thinking())) Cancel();
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
  return running.has_value();
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
