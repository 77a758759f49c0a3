// The rules a tournament judges by, without a window: whether a position can stand in a game at
// all (position-check) and the verdict of the repetition and move-count rules on a line (judge).
#include <cstdio>
#include <string>

#include "cli/cli.h"
#include "engine/line_judge.h"
#include "engine/position.h"

namespace cli {

namespace {

// position-check FEN: "ok", or each reason on a line of its own and status 1.
int PositionCheckCommand(const Arguments& args) {
  if (args.size() != 1) return Refuse("position-check takes one FEN (quote it)");
  std::string error;
  const auto problems = engine::Position::CheckFen(args[0], &error);
  if (!problems) return Refuse(error);
  if (problems->empty()) {
    std::printf("ok\n");
    return 0;
  }
  for (const engine::PositionProblem& problem : *problems)
    std::printf("%s\n", engine::DescribeProblem(problem).c_str());
  return 1;
}

// judge FEN [MOVE ...]: the verdict on the line after its last move.
int JudgeCommand(const Arguments& args) {
  if (args.empty()) return Refuse("judge takes POSITION and the moves played (ICCS)");
  std::string error;
  auto position =
      engine::Position::FromFen(args[0] == "startpos" ? engine::kStartFen : args[0], &error);
  if (!position) return Refuse(error);
  for (size_t i = 1; i < args.size(); ++i) {
    const auto move = engine::ParseIccs(args[i]);
    if (!move || !position->IsLegal(*move)) return Refuse("illegal move " + args[i]);
    position->MakeMove(*move);
  }
  std::printf("%s\n", engine::DescribeVerdict(engine::JudgeLine(*position)).c_str());
  return 0;
}

const Registration kPositionCheck("position-check", "position-check FEN", PositionCheckCommand);
const Registration kJudge("judge", "judge POSITION [MOVE ...]  (repetition and 60 rounds)",
                          JudgeCommand);

}  // namespace

}  // namespace cli
