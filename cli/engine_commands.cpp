// The rules and both searches without a window: moves, evaluation, the computer's reply, perft,
// a terminal game and the speed of the computer's reply.
#include <sys/stat.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <iostream>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/options.h"
#include "cli/cli.h"
#include "cli/engine_suite.h"
#include "engine/levels.h"
#include "engine/position.h"
#include "engine/repetition.h"
#include "engine/search.h"
#include "engine/text_fields.h"
#include "game/play/engine_bridge.h"
#include "game/play/session.h"
#include "game/twoply/board.h"
#include "game/twoply/move_generation.h"
#include "game/twoply/position_text.h"
#include "game/twoply/rules.h"
#include "game/twoply/static_evaluation.h"
#include "game/twoply/two_ply_search.h"
#include "runtime/system/files.h"

namespace cli {

namespace {

struct Position {
  twoply::BoardArray board{twoply::kRows, twoply::kCols};
  std::optional<twoply::Side> side;
};

bool IsRegularFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// startpos, a FEN, or the path of a game record file.
std::optional<Position> ReadPosition(const std::string& text, std::string& error) {
  Position position;
  if (text == "startpos") {
    for (int32_t row = 1; row <= twoply::kRows; ++row)
      for (int32_t col = 1; col <= twoply::kCols; ++col)
        position.board(row, col) = twoply::InitialLayout[(row - 1) * 9 + col];
    position.side = twoply::Human;
    return position;
  }
  if (IsRegularFile(text)) {
    std::vector<uint8_t> bytes;
    if (!runtime::ReadWholeFile(text, bytes)) {
      error = "cannot read the file " + text;
      return std::nullopt;
    }
    auto board = twoply::ParseRecord(bytes, error);
    if (!board) {
      error = text + ": " + error;
      return std::nullopt;
    }
    position.board = std::move(*board);
    return position;
  }
  auto fen = twoply::ParseFen(text, error);
  if (!fen) {
    if (text.find('/') == std::string::npos && text.find(' ') == std::string::npos)
      error = "no such position file, and not a FEN: " + text;
    return std::nullopt;
  }
  position.board = std::move(fen->board);
  position.side = fen->side;
  return position;
}

}  // namespace

std::optional<Options> SplitOptions(const Arguments& args, std::vector<std::string> allowed,
                                    std::string& error) {
  std::vector<app::KnownOption> known;
  for (const std::string& name : allowed) known.push_back({name, true});
  const std::vector<std::string_view> words(args.begin(), args.end());
  std::optional<app::ReadOptions> read = app::ReadCommandLine(words, known, &error);
  if (!read) return std::nullopt;
  return Options{std::move(read->operands), std::move(read->named)};
}

namespace {

std::optional<twoply::Side> ParseSide(const std::string& text) {
  if (text == "human") return twoply::Human;
  if (text == "computer") return twoply::Computer;
  return std::nullopt;
}

// The common head of the subcommands: one POSITION and maybe --side.
struct Request {
  Position position;
  twoply::Side side = twoply::Human;
  Options options;
};

std::optional<Request> ReadRequest(const Arguments& args, std::vector<std::string> allowed,
                                   size_t positionalCount, std::string& error) {
  auto options = SplitOptions(args, std::move(allowed), error);
  if (!options) return std::nullopt;
  if (options->positional.size() != positionalCount) {
    error = "expected " + std::to_string(positionalCount) + " argument(s), got " +
            std::to_string(options->positional.size()) + " (quote a FEN as one argument)";
    return std::nullopt;
  }
  auto position = ReadPosition(options->positional[0], error);
  if (!position) return std::nullopt;
  Request request{std::move(*position), twoply::Human, std::move(*options)};
  if (request.position.side) request.side = *request.position.side;
  if (auto side = request.options.Get("--side")) {
    auto parsed = ParseSide(*side);
    if (!parsed) {
      error = "--side must be human or computer, not " + *side;
      return std::nullopt;
    }
    request.side = *parsed;
  }
  return request;
}

int MovesCommand(const Arguments& args) {
  std::string error;
  auto request = ReadRequest(args, {"--side"}, 1, error);
  if (!request) return Refuse(error);
  int16_t n = twoply::GenerateMoves(1, request->side, request->position.board);
  std::string line;
  for (int16_t i = 1; i <= n; ++i) {
    if (i > 1) line += ' ';
    line += twoply::FormatIccsMove(std::as_const(twoply::MoveLists)(1, i));
  }
  std::printf("%s\n", line.c_str());
  return 0;
}

int EvalCommand(const Arguments& args) {
  std::string error;
  auto request = ReadRequest(args, {"--side"}, 1, error);
  if (!request) return Refuse(error);
  twoply::LoadEvaluationTables();
  std::printf("%d\n", twoply::Evaluate(request->side, request->position.board));
  return 0;
}

std::optional<int16_t> ReadDepth(const Options& options, std::string& error) {
  auto text = options.Get("--depth");
  if (!text) return int16_t{2};
  auto depth = engine::ParseNumber(*text, 1, twoply::kMoveListDepths);
  if (!depth) {
    error = "--depth must be a number from 1 to 4, not " + *text;
    return std::nullopt;
  }
  return static_cast<int16_t>(*depth);
}

// Levels 3..8: the full-rules engine plays the computer's side within the level's limits.
int EngineReply(const twoply::BoardArray& board, int level) {
  std::string error;
  auto position = game::EnginePosition(board, twoply::Computer, twoply::Colour::kRed, &error);
  if (!position) return Refuse("the full-rules engine cannot play this position: " + error);
  engine::Searcher searcher;
  engine::SearchResult result = searcher.Search(*position, engine::LevelLimits(level));
  if (result.best == engine::kNoMove) {
    std::printf("none %d\n", -engine::kMateScore);
  } else {
    std::printf("%s %d\n", engine::ToIccs(result.best).c_str(), result.score);
  }
  return 0;
}

int ReplyCommand(const Arguments& args) {
  std::string error;
  auto request = ReadRequest(args, {"--depth", "--level"}, 1, error);
  if (!request) return Refuse(error);
  std::optional<int16_t> depth;
  if (auto levelText = request->options.Get("--level")) {
    if (request->options.Get("--depth")) return Refuse("give --depth or --level, not both");
    auto level = engine::ParseNumber(*levelText, engine::kMinLevel, engine::kMaxLevel);
    if (!level) return Refuse("--level must be a number from 1 to 8, not " + *levelText);
    // Levels 1 and 2 are the game's own search at depths 1 and 2.
    if (*level >= 3) return EngineReply(request->position.board, *level);
    depth = static_cast<int16_t>(*level);
  } else {
    depth = ReadDepth(request->options, error);
    if (!depth) return Refuse(error);
  }
  twoply::LoadEvaluationTables();
  twoply::SearchDepth = *depth;
  twoply::Board = request->position.board;
  twoply::ComputerChoice choice = twoply::PlayComputerMove();
  if (!choice.searched) {
    std::printf("over\n");
  } else if (!choice.moved) {
    std::printf("none %d\n", choice.score);
  } else {
    std::printf("%s %d\n", twoply::FormatIccsMove(choice.move).c_str(), choice.score);
  }
  return 0;
}

int PerftCommand(const Arguments& args) {
  std::string error;
  auto request = ReadRequest(args, {"--side"}, 2, error);
  if (!request) return Refuse(error);
  const std::string& depthText = request->options.positional[1];
  auto depth = engine::ParseNumber(depthText, 0, twoply::kMoveListDepths);
  if (!depth) return Refuse("DEPTH must be a number from 0 to 4, not " + depthText);
  twoply::SearchDepth = static_cast<int16_t>(*depth);
  twoply::SearchBoard = request->position.board;
  std::printf("%llu\n", static_cast<unsigned long long>(
                            twoply::Perft(static_cast<int16_t>(*depth), request->side)));
  return 0;
}

void PrintBoard(const twoply::BoardArray& board) {
  for (int32_t row = 1; row <= twoply::kRows; ++row) {
    std::string line = std::to_string(10 - row) + "  ";
    for (int32_t col = 1; col <= twoply::kCols; ++col) {
      uint8_t code = board(row, col);
      char c = '.';
      if (code >= 1 && code <= 14) c = "krncabpKRNCABP"[code - 1];
      line += c;
      line += ' ';
    }
    std::printf("%s\n", line.c_str());
  }
  std::printf("   a b c d e f g h i\n");
}

// A game in the terminal shows nothing while it is played, searches at once and remembers no
// choice: the moves and the board are printed after each turn.
class TerminalPorts final : public game::Screen, public game::Scheduler, public game::ChoiceStore {
 public:
  void DrawNewBoard() override {}
  void RedrawBoard(const twoply::BoardArray&) override {}
  void DrawMove(const twoply::Move&) override {}
  void HighlightSelection(twoply::Square, bool) override {}
  void ShowLabel(game::Label, const game::Labels&) override {}
  void MarkHint(twoply::Square) override {}
  void EraseHintMark(twoply::Square) override {}
  Job Start(std::function<void()> work, std::function<void()> done) override {
    work();
    done();
    return ++jobs_;
  }
  void Cancel(Job) override {}
  std::optional<int32_t> Read(std::string_view) override { return std::nullopt; }
  void Write(std::string_view, int32_t) override {}

 private:
  Job jobs_ = 0;
};

bool Announce(game::Winner winner) {
  if (winner == game::Winner::kHuman) std::printf("你赢了\n");
  if (winner == game::Winner::kComputer) std::printf("你输了\n");
  if (winner == game::Winner::kDraw) std::printf("和棋\n");
  return winner != game::Winner::kNobody;
}

int PlayCommand(const Arguments& args) {
  if (args.size() > 1) return Refuse("play takes at most one POSITION (quote a FEN)");
  std::string error;
  auto position = ReadPosition(args.empty() ? "startpos" : args[0], error);
  if (!position) return Refuse(error);
  twoply::LoadEvaluationTables();
  twoply::SearchDepth = 2;
  TerminalPorts ports;
  game::Session session(ports, ports, ports);
  session.NewGame();
  session.OpenBoard(position->board);
  PrintBoard(twoply::Board);
  if (Announce(game::GeneralsVerdict(twoply::Board))) return 0;
  std::string line;
  std::printf("your move (ICCS, e.g. b2e2):\n");
  std::fflush(stdout);
  while (std::getline(std::cin, line)) {
    line = std::string(engine::Trim(line));
    if (line.empty()) continue;
    if (line == "quit") break;
    auto move = twoply::ParseIccsMove(line);
    if (!move) {
      std::printf("not a move in ICCS (like b2e2): %s\n", line.c_str());
      std::fflush(stdout);
      continue;
    }
    const size_t played = session.Line().moves.size();
    if (!session.PlayHumanMove(*move)) {
      std::printf("illegal move: %s\n", line.c_str());
      std::fflush(stdout);
      continue;
    }
    const std::vector<twoply::Move> moves = session.Line().moves;
    if (moves.size() == played + 2) {
      std::printf("computer: %s\n", twoply::FormatIccsMove(moves.back()).c_str());
    } else if (session.Turn().GameOver != 0) {
      // The Computer's General was taken: it did not search.
      Announce(session.GameOutcome().winner);
      return 0;
    } else {
      std::printf("computer: none\n");
    }
    PrintBoard(twoply::Board);
    if (Announce(session.GameOutcome().winner)) return 0;
    std::fflush(stdout);
  }
  return 0;
}

int BenchCommand(const Arguments& args) {
  if (!args.empty()) return Refuse("bench takes no arguments");
  twoply::LoadEvaluationTables();
  twoply::SearchDepth = 2;
  std::vector<twoply::BoardArray> boards;
  for (const char* fen : kEngineSuite) {
    std::string error;
    auto parsed = twoply::ParseFen(fen, error);
    if (!parsed) return Refuse("bench suite: " + error);
    boards.push_back(std::move(parsed->board));
  }
  uint64_t before = twoply::EvaluateCalls;
  for (const auto& board : boards) {
    twoply::Board = board;
    twoply::PlayComputerMove();
  }
  uint64_t leaves = twoply::EvaluateCalls - before;
  // Timing: repeat the whole suite for at least a second.
  using Clock = std::chrono::steady_clock;
  auto start = Clock::now();
  uint64_t replies = 0;
  double seconds = 0;
  do {
    for (const auto& board : boards) {
      twoply::Board = board;
      twoply::PlayComputerMove();
      ++replies;
    }
    seconds = std::chrono::duration<double>(Clock::now() - start).count();
  } while (seconds < 1.0);
  std::printf("positions %zu\nleaf evaluations %llu\nreplies per second %.0f\n", boards.size(),
              static_cast<unsigned long long>(leaves), double(replies) / seconds);
  return 0;
}

std::vector<engine::Position> EngineSuitePositions() {
  std::vector<engine::Position> positions;
  for (const char* fen : kEngineSuite)
    if (auto parsed = engine::Position::FromFen(fen)) positions.push_back(std::move(*parsed));
  return positions;
}

// The full-rules engine's speed: a fixed-depth search of every suite position from a cleared
// table. The node total is the signature of the search: it changes only when the search does.
int EngineBenchCommand(const Arguments& args) {
  std::string error;
  auto options = SplitOptions(args, {"--depth", "--params", "--search-params", "--network"}, error);
  if (!options) return Refuse(error);
  if (!options->positional.empty())
    return Refuse("enginebench takes only --depth, --params, --search-params and --network");
  if (!LoadParamsOptions(*options, error)) return Refuse(error);
  engine::Limits limits;
  std::optional<engine::Network> network;
  if (!LoadNetworkOption(*options, network, limits.network, error)) return Refuse(error);
  int depth = 7;
  if (auto text = options->Get("--depth")) {
    auto parsed = engine::ParseNumber(*text, 1, 20);
    if (!parsed) return Refuse("--depth must be a number from 1 to 20, not " + *text);
    depth = *parsed;
  }
  // A few suite positions leave red's general attacked with black to move (the game's own
  // rules allow that); the full rules do not, so those are left out.
  std::vector<engine::Position> positions = EngineSuitePositions();
  engine::Searcher searcher;
  limits.depth = depth;
  uint64_t nodes = 0;
  double seconds = 0;  // searching only: clearing the table between positions is not counted
  for (const auto& position : positions) {
    searcher.NewGame();
    auto start = std::chrono::steady_clock::now();
    nodes += searcher.Search(position, limits).nodes;
    seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
  std::printf("positions %zu\ndepth %d\nsignature %llu\nseconds %.3f\nnodes per second %.0f\n",
              positions.size(), depth, static_cast<unsigned long long>(nodes), seconds,
              seconds > 0 ? double(nodes) / seconds : 0.0);
  return 0;
}

// Perft under the full rules: POSITION is startpos or a FEN with its side letter (w or r red,
// b black), as the full-rules engine reads it.
int EnginePerftCommand(const Arguments& args) {
  if (args.size() != 2) return Refuse("engineperft takes POSITION and DEPTH (quote a FEN)");
  std::string error;
  auto position =
      engine::Position::FromFen(args[0] == "startpos" ? engine::kStartFen : args[0], &error);
  if (!position) return Refuse(error);
  auto depth = engine::ParseNumber(args[1], 0, 9);
  if (!depth) return Refuse("DEPTH must be a number from 0 to 9, not " + args[1]);
  auto start = std::chrono::steady_clock::now();
  uint64_t leaves = engine::Perft(*position, *depth);
  double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("%llu\n", static_cast<unsigned long long>(leaves));
  std::fprintf(stderr, "%.3f s, %.0f leaves per second\n", seconds,
               seconds > 0 ? double(leaves) / seconds : 0.0);
  return 0;
}

// The rules of repetition on a game: the verdict on its last position when it has stood before
// (back to the last capture), over the whole span since it first stood.
int EngineJudgeCommand(const Arguments& args) {
  if (args.empty()) return Refuse("enginejudge takes POSITION and the moves played (ICCS)");
  std::string error;
  auto position =
      engine::Position::FromFen(args[0] == "startpos" ? engine::kStartFen : args[0], &error);
  if (!position) return Refuse(error);
  for (size_t i = 1; i < args.size(); ++i) {
    auto move = engine::ParseIccs(args[i]);
    if (!move || !position->IsLegal(*move)) return Refuse("illegal move " + args[i]);
    position->MakeMove(*move);
  }
  position->MarkChecks();
  const auto& h = position->History();
  int n = int(h.size()), plies = 0;
  for (int j = n - 1; j >= 1 && !h[j].irreversible; --j)
    if ((n - j) % 2 == 0 && h[j - 1].key == h[n - 1].key) plies = n - j;
  if (!plies) {
    std::printf("no repetition\n");
    return 0;
  }
  engine::RepetitionVerdict verdict = engine::JudgeRepetition(*position, plies);
  if (verdict.result == 0) {
    std::printf("draw\n");
    return 0;
  }
  bool red_to_move = position->SideToMove() == engine::kRed;
  bool red_wins = (verdict.result > 0) == red_to_move;
  const char* rule = verdict.rule == engine::RepetitionRule::kPerpetualCheck ? "check" : "chase";
  std::printf("%s wins: perpetual %s by %s\n", red_wins ? "red" : "black", rule,
              red_wins ? "black" : "red");
  return 0;
}

const Registration kMoves("moves", "moves POSITION [--side human|computer]", MovesCommand);
const Registration kEval("eval", "eval POSITION [--side human|computer]", EvalCommand);
const Registration kReply("reply", "reply POSITION [--depth 1..4 | --level 1..8]", ReplyCommand);
const Registration kPerft("perft", "perft POSITION DEPTH [--side human|computer]", PerftCommand);
const Registration kPlay("play", "play [POSITION]", PlayCommand);
const Registration kBench("bench", "bench", BenchCommand);
const Registration kEnginePerft("engineperft", "engineperft POSITION DEPTH", EnginePerftCommand);
const Registration kEngineBench("enginebench",
                                "enginebench [--depth N] [--params FILE] [--search-params FILE] "
                                "[--network FILE|<built-in>]",
                                EngineBenchCommand);
const Registration kEngineJudge("enginejudge",
                                "enginejudge POSITION [MOVE ...]  (repetition rules)",
                                EngineJudgeCommand);

}  // namespace

}  // namespace cli
