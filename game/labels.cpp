#include "game/labels.h"

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
  return std::string(redWon ? "红胜" : "黑胜") + (words.empty() ? "" : "（" + words + "）");
}

}  // namespace game
