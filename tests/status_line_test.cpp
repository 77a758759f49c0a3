// The words the record window and the help use: the status line in each state of a game, rounds
// counted as players count them, times, and a help that lists every item of the menus.
#include <gtest/gtest.h>

#include "game/game_menu.h"
#include "game/labels.h"
#include "game/menu_items.h"

namespace {

using game::Ending;
using game::StatusFacts;
using game::Winner;
using twoply::Colour;

TEST(StatusLine, SaysWhoPlaysWhatWhoseTurnAndHowTheGameEnded) {
  StatusFacts base;
  base.level = 2;
  struct Case {
    const char* what;
    StatusFacts facts;
    std::string expected;
  };
  std::vector<Case> cases;
  cases.push_back({"the default game", base, "你执红 · 轮到你 · 难度 2 · 内置引擎 · 简易规则"});
  StatusFacts thinking = base;
  thinking.human = Colour::kBlack;
  thinking.humanToMove = false;
  thinking.thinking = true;
  thinking.thinkingMs = 900;  // the last reply's time is not shown while the next is searched
  thinking.standardRules = true;
  cases.push_back({"thinking", thinking, "你执黑 · 电脑思考中 · 难度 2 · 内置引擎 · 标准规则"});
  StatusFacts replied = base;
  replied.level = 8;
  replied.opponent = "Pikafish";
  replied.thinkingMs = 2149;
  cases.push_back({"an outside engine replied", replied,
                   "你执红 · 轮到你 · 难度 8 · Pikafish · 简易规则 · 电脑用时 2.1 秒"});
  StatusFacts idle = base;
  idle.idleEngine = "Pikafish";
  cases.push_back({"an outside engine idle at level 2", idle,
                   "你执红 · 轮到你 · 难度 2 · 内置引擎（Pikafish 只在难度 3-8 下棋） · 简易规则"});
  StatusFacts lost = base;
  lost.human = Colour::kBlack;
  lost.outcome = {Winner::kComputer, Ending::kPerpetualCheck};
  cases.push_back(
      {"lost", lost, "你执黑 · 对局结束：红胜（长将），你输了 · 难度 2 · 内置引擎 · 简易规则"});
  StatusFacts drawn = base;
  drawn.outcome = {Winner::kDraw, Ending::kMoveLimit};
  cases.push_back(
      {"drawn", drawn, "你执红 · 对局结束：和棋（自然限着） · 难度 2 · 内置引擎 · 简易规则"});
  for (const Case& c : cases) EXPECT_EQ(game::StatusLine(c.facts), c.expected) << c.what;
}

TEST(StatusLine, RoundsAndTimesAsPlayersCountThem) {
  EXPECT_EQ(game::RoundText(0, false), "第 1 回合红方");
  EXPECT_EQ(game::RoundText(1, false), "第 1 回合黑方");
  EXPECT_EQ(game::RoundText(2, false), "第 2 回合红方");
  EXPECT_EQ(game::RoundText(0, true), "第 1 回合黑方");  // black began: its move ends round 1
  EXPECT_EQ(game::RoundText(1, true), "第 2 回合红方");
  EXPECT_EQ(game::SecondsText(0), "不到 0.1 秒");
  EXPECT_EQ(game::SecondsText(50), "0.1 秒");
  EXPECT_EQ(game::SecondsText(2149), "2.1 秒");
  EXPECT_EQ(game::SecondsText(59949), "59.9 秒");
  EXPECT_EQ(game::SecondsText(65000), "1 分 05 秒");
  EXPECT_EQ(game::SecondsText(-5), "不到 0.1 秒");
}

TEST(Help, ListsEveryMenuItemWithItsKeyAndEveryLevel) {
  const std::string help = game::HelpText("/home/someone/.local/share/xiangqi/recent");
  for (const game::MenuItem& item : game::kMenuItems) {
    if (item.tip.empty()) continue;
    std::string row = "| ";
    row.append(item.name);
    if (!item.range.empty()) row.append(" ").append(item.range);
    row.append(" | ").append(item.key).append(" | ");
    EXPECT_NE(help.find(row), std::string::npos) << row;
  }
  for (const char* level : {"- 1 入门", "- 2 初级", "（默认）", "- 8 最强"})
    EXPECT_NE(help.find(level), std::string::npos) << level;
  EXPECT_NE(help.find("/home/someone/.local/share/xiangqi/recent"), std::string::npos);
}

}  // namespace
