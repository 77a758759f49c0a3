#include "game/computer_player.h"

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>
#include <utility>

#include "engine/levels.h"
#include "engine/search.h"
#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/move_generation.h"
#include "game/notation.h"
#include "game/rules.h"
#include "game/search.h"
#include "game/take_back.h"
#include "game/units.h"
#include "runtime/system/settings.h"
#include "runtime/system/worker.h"
#include "runtime/text_codec.h"
#include "runtime/windows/properties.h"

namespace game {

namespace {

constexpr std::string_view kLevelKey = "level";
constexpr std::string_view kRulesKey = "standardRules";

int32_t level = kDefaultLevel;
std::optional<int32_t> levelForThisRun;
bool standardRules = false;

runtime::JobId computerJob = 0;
// Set when the Computer, under the standard rules, had no legal move this turn.
bool computerWithoutMove = false;

bool ValidLevel(int32_t n) {
  return n >= kMinLevel && n <= kMaxLevel;
}

// Made at the first search, so a game at levels 1 and 2 never allocates the engine's table.
bool searcherMade = false;
engine::Searcher& SharedSearcher() {
  static engine::Searcher searcher;
  searcherMade = true;
  return searcher;
}

// The Computer's move shown while Board still holds the position before it, then made.
void MakeComputerMove(const Move& move) {
  DrawMove(move.from, move.to);
  Board(move.to.row, move.to.col) = At(Board, move.from);
  Board(move.from.row, move.from.col) = Empty;
  NoteComputerMove(move);
}

// The two-ply search with its root limited to the moves the full rules allow: the same search,
// scores and ties as the game's own, only without the moves that would leave the General attacked.
void PlayLegalTwoPlyReply(const engine::Position& position) {
  SearchBoard = Board;
  BestMoveSet = false;
  const int16_t depth = SearchDepth;
  int32_t alpha = -kWindow;
  const int32_t beta = kWindow;
  int16_t n = GenerateMoves(depth, Computer, SearchBoard);
  std::optional<Move> firstLegal;
  for (int16_t i = 1; i <= n; ++i) {
    Move m = std::as_const(MoveLists)(depth, i);
    if (!position.IsLegal(ToEngineMove(m))) continue;
    if (!firstLegal) firstLegal = m;
    int16_t captured = MakeMove(m);
    int32_t score = -AlphaBeta(-beta, -alpha, static_cast<int16_t>(depth - 1));
    UnmakeMove(m, captured);
    if (score > alpha) {
      alpha = score;
      BestMove = m;
      BestMoveSet = true;
    }
    if (alpha >= beta) break;
  }
  // Every legal move lost at once: the first of them, as the search's order would have it.
  if (!BestMoveSet && firstLegal) BestMove = *firstLegal, BestMoveSet = true;
  if (BestMoveSet) MakeComputerMove(BestMove);
}

// Levels 1 and 2, inside the click.
void PlayTwoPlyReply() {
  SearchDepth = static_cast<int16_t>(level == 1 ? 1 : 2);
  if (standardRules) {
    if (auto position = EnginePosition(Board, Computer)) {
      PlayLegalTwoPlyReply(*position);
      return;
    }
  }
  ComputerChoice choice = ChooseComputerMove();
  if (!choice.moved) return;
  DrawMove(choice.move.from, choice.move.to);
  CommitComputerMove();
  NoteComputerMove(choice.move);
}

void EngineMoveArrived(engine::Move best, int32_t started) {
  computerJob = 0;
  // No legal move for the engine while the game's rules still give the Computer moves (a General
  // left attacked is no loss yet under them): the two-ply search answers.
  if (best == engine::kNoMove)
    PlayTwoPlyReply();
  else
    MakeComputerMove(FromEngineMove(best));
  EndComputerTurn(started);
}

void SetStatus(std::string_view utf8) {
  runtime::SetTextProperty(StatusLabel, prop::kCaption, runtime::Text(runtime::Gb(utf8)));
}

}  // namespace

int32_t Level() {
  return level;
}

void ChooseLevel(int32_t n) {
  if (!ValidLevel(n)) return;
  level = n;
  levelForThisRun.reset();
  runtime::WriteSetting(kLevelKey, n);
}

bool StandardRules() {
  return standardRules;
}

void ChooseStandardRules(bool on) {
  standardRules = on;
  runtime::WriteSetting(kRulesKey, on ? 1 : 0);
}

void LoadRememberedChoices() {
  std::optional<int32_t> remembered = runtime::ReadSetting(kLevelKey);
  level = levelForThisRun ? *levelForThisRun
          : (remembered && ValidLevel(*remembered)) ? *remembered
                                                    : kDefaultLevel;
  standardRules = runtime::ReadSetting(kRulesKey).value_or(0) == 1;
}

void OverrideLevelForThisRun(int32_t n) {
  if (!ValidLevel(n)) return;
  levelForThisRun = n;
  level = n;
}

uint64_t StartEngineSearch(const engine::Position& position, int32_t searchLevel,
                           std::function<void(engine::Move)> arrived) {
  struct Shared {
    std::atomic<bool> finished{false};
    engine::Move best = engine::kNoMove;
  };
  auto shared = std::make_shared<Shared>();
  engine::Limits limits = engine::LevelLimits(searchLevel);
  engine::Searcher* searcher = &SharedSearcher();  // made here, on the user-interface thread
  runtime::BackgroundJob job;
  job.work = [shared, position, limits, searcher] {
    shared->best = searcher->Search(position, limits).best;
    shared->finished = true;
  };
  // A stop that comes before the search has begun would be forgotten when it begins, so it is
  // repeated until the search has returned.
  job.interrupt = [shared, searcher] {
    while (!shared->finished) {
      searcher->Stop();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  };
  job.done = [shared, arrived = std::move(arrived)] { arrived(shared->best); };
  return runtime::StartBackgroundJob(std::move(job));
}

bool StopEngineSearch(uint64_t job) {
  return job != 0 && runtime::CancelBackgroundJob(job);
}

void ForgetEngineMemory() {
  if (searcherMade) SharedSearcher().NewGame();
}

bool PlayComputerReply(int32_t started) {
  computerWithoutMove = false;
  if (standardRules) {
    auto position = EnginePosition(Board, Computer);
    if (position && position->NoLegalMoves()) {
      computerWithoutMove = true;
      return true;
    }
  }
  if (level <= 2) {
    PlayTwoPlyReply();
    return true;
  }
  auto position = LinePosition(Computer);
  // A position the engine cannot take (under the game's rules the Human may leave his General
  // attacked): the two-ply search answers, and takes it.
  if (!position) {
    PlayTwoPlyReply();
    return true;
  }
  computerJob = StartEngineSearch(*position, level,
                                  [started](engine::Move best) { EngineMoveArrived(best, started); });
  return false;
}

bool ComputerThinking() {
  return computerJob != 0 && runtime::BackgroundJobPending(computerJob);
}

bool StopThinking() {
  const runtime::JobId job = std::exchange(computerJob, 0);
  return StopEngineSearch(job);
}

bool HumanMoveAllowed(Square from, Square to) {
  if (!IsLegalMove(from, to, Board)) return false;
  if (!standardRules) return true;
  auto position = EnginePosition(Board, Human);
  // A position the full rules cannot judge (one opened or played under the game's rules) is
  // judged by the game's rules alone.
  return !position || position->IsLegal(ToEngineMove(Move{from, to}));
}

void JudgeStandardRules() {
  if (!standardRules) return;
  if (computerWithoutMove) {
    computerWithoutMove = false;
    GameOver = 1;
    SetStatus("你赢了");
    return;
  }
  if (GameOver != 0 || HumanToMove != 1) return;
  auto position = EnginePosition(Board, Human);
  if (!position) return;
  if (position->NoLegalMoves()) {
    GameOver = 1;
    SetStatus("你输了");
  } else if (position->InCheck()) {
    SetStatus("将军!到你了...");
  }
}

std::optional<engine::Position> EnginePosition(const BoardArray& board, Side toMove) {
  return engine::Position::FromFen(FormatFen(board, toMove));
}

std::optional<engine::Position> LinePosition(Side toMove) {
  GameLine line = CurrentLine();
  std::optional<engine::Position> position = EnginePosition(line.start, Human);
  for (const Move& move : line.moves) {
    if (!position) break;
    engine::Move m = ToEngineMove(move);
    if (!position->IsLegal(m)) position.reset();
    else position->MakeMove(m);
  }
  const std::string now = FormatFen(Board, toMove);
  if (position) {
    const std::string fen = position->Fen();
    const bool sameBoard = fen.compare(0, fen.find(' '), now, 0, now.find(' ')) == 0;
    const bool sameSide = position->SideToMove() == (toMove == Human ? engine::kRed : engine::kBlack);
    if (sameBoard && sameSide) return position;
  }
  return engine::Position::FromFen(now);
}

engine::Move ToEngineMove(const Move& move) {
  auto square = [](Square s) { return uint8_t((kRows - s.row) * kCols + (s.col - 1)); };
  return engine::Move{square(move.from), square(move.to)};
}

Move FromEngineMove(engine::Move move) {
  auto square = [](uint8_t s) {
    return Square{uint8_t(s % kCols + 1), uint8_t(kRows - s / kCols)};
  };
  return Move{square(move.from), square(move.to)};
}

}  // namespace game
