#include "game/labels.h"

#include <cstdio>

#include "runtime/commands.h"
#include "runtime/text_codec.h"

namespace game {

namespace {

const char* StatusWords(Status status) {
  switch (status) {
    case Status::kYourTurn:
      return "到你了...";
    case Status::kThinking:
      return "电脑思考中...";
    case Status::kCheckYourTurn:
      return "将军!到你了...";
    case Status::kYouWon:
      return "你赢了";
    case Status::kYouLost:
      return "你输了";
    case Status::kDraw:
      return "和棋";
    case Status::kBlank:
      break;
  }
  return "";
}

// A label's word followed by a number, without a blank, the number written as the runtime
// writes numbers: "步数:3", "时间15毫秒".
std::string Counted(const char* before, const std::optional<int32_t>& number,
                    const char* after = "") {
  std::string text = runtime::Gb(before);
  if (!number) return text;
  text += runtime::ToText(*number).View();
  text += runtime::Gb(after);
  return text;
}

}  // namespace

std::string LabelCaption(Label label, const Labels& labels) {
  switch (label) {
    case Label::kStatus:
      return runtime::Gb(StatusWords(labels.status));
    case Label::kStep:
      return Counted("步数:", labels.steps);
    case Label::kTime:
      break;
  }
  return Counted("时间", labels.thinkingMs, "毫秒");
}

std::string EndingWords(Ending ending) {
  switch (ending) {
    case Ending::kMate:
      return "将死";
    case Ending::kStalemate:
      return "困毙";
    case Ending::kGeneralTaken:
      return "吃将";
    case Ending::kResigned:
      return "认输";
    case Ending::kTime:
      return "超时";
    case Ending::kPerpetualCheck:
      return "长将";
    case Ending::kPerpetualChase:
      return "长捉";
    case Ending::kRepetition:
      return "不变作和";
    case Ending::kMoveLimit:
      return "自然限着";
    case Ending::kAgreed:
      return "议和";
    case Ending::kRecorded:
    case Ending::kNone:
      break;
  }
  return {};
}

std::string ResultText(const Outcome& outcome, twoply::Colour human) {
  if (outcome.winner == Winner::kNobody) return {};
  const bool redWon = (outcome.winner == Winner::kHuman) == (human == twoply::Colour::kRed);
  const std::string words = EndingWords(outcome.ending);
  const char* result = outcome.winner == Winner::kDraw ? "和棋" : redWon ? "红胜" : "黑胜";
  return std::string(result) + (words.empty() ? "" : "（" + words + "）");
}

std::string PgnResult(const Outcome& outcome, twoply::Colour human) {
  if (outcome.winner == Winner::kNobody) return "*";
  if (outcome.winner == Winner::kDraw) return "1/2-1/2";
  return (outcome.winner == Winner::kHuman) == (human == twoply::Colour::kRed) ? "1-0" : "0-1";
}

std::string ProblemWords(const engine::PositionProblem& problem) {
  using What = engine::PositionProblem::What;
  static const char* kPieces[8] = {"", "将", "士", "象", "马", "车", "炮", "兵"};
  const std::string side = problem.side == engine::kRed ? "红方" : "黑方";
  const std::string piece = kPieces[problem.piece];
  switch (problem.what) {
    case What::kNoGeneral:
      return side + "没有将（帅）";
    case What::kTooMany:
      return problem.piece == engine::kKing
                 ? side + "只能有一个将（帅）"
                 : side + "的" + piece + "多于 " + std::to_string(problem.most) + " 个";
    case What::kOutOfPlace: {
      // Files from each side's own right, as the players count them; ranks 1-10 from red's side.
      const std::string where = std::string(1, char('a' + engine::FileOf(problem.square))) +
                                std::to_string(engine::RankOf(problem.square));
      switch (problem.piece) {
        case engine::kKing:
          return side + "的将（帅）不在九宫内（" + where + "）";
        case engine::kAdvisor:
          return side + "的士不在它的五个点上（" + where + "）";
        case engine::kElephant:
          return side + "的象不在它的七个点上（" + where + "）";
        default:
          return side + "的兵在走不到的位置（" + where + "）";
      }
    }
    case What::kGeneralsFacing:
      return "两将在同一条直线上照面";
    case What::kNotToMoveInCheck:
      break;
  }
  return side + "不该走棋却正被将军";
}

std::string SecondsText(int64_t ms) {
  if (ms < 50) return "不到 0.1 秒";
  const int64_t tenths = (ms + 50) / 100;
  if (tenths < 600) return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " 秒";
  const int64_t seconds = tenths / 10;
  char text[32];
  std::snprintf(text, sizeof text, "%lld 分 %02lld 秒", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return text;
}

std::string RoundText(size_t ply, bool blackBegan) {
  const size_t slot = ply + (blackBegan ? 1 : 0);
  return "第 " + std::to_string(slot / 2 + 1) + " 回合" + (slot % 2 == 0 ? "红方" : "黑方");
}

std::string StatusLine(const StatusFacts& facts) {
  const bool humanRed = facts.human == twoply::Colour::kRed;
  std::string line = humanRed ? "你执红" : "你执黑";
  const char* turn = facts.outcome.winner != Winner::kNobody ? nullptr
                     : facts.thinking                        ? "电脑思考中"
                     : facts.humanToMove                     ? "轮到你"
                                                             : "轮到电脑";
  if (turn != nullptr) {
    line.append(" · ").append(turn);
  } else {
    const std::string result = ResultText(facts.outcome, facts.human);
    const bool drawn = facts.outcome.winner == Winner::kDraw;
    const bool won = facts.outcome.winner == Winner::kHuman;
    line.append(" · 对局结束：").append(result).append(drawn ? "" : won ? "，你赢了" : "，你输了");
  }
  line.append(" · 难度 ").append(std::to_string(facts.level));
  line.append(" · ").append(facts.opponent.empty() ? "内置引擎" : facts.opponent);
  if (!facts.idleEngine.empty())
    line.append("（").append(facts.idleEngine).append(" 只在难度 3-8 下棋）");
  line.append(facts.standardRules ? " · 标准规则" : " · 简易规则");
  if (facts.thinkingMs && !facts.thinking)
    line.append(" · 电脑用时 ").append(SecondsText(*facts.thinkingMs));
  return line;
}

}  // namespace game
