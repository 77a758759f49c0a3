// Nothing lost by accident: the game on the board is kept among the recent games before each
// action that replaces it and when the window goes, read back whatever a crash left, the newest
// 50 kept; and one reopened from the list.
#include "game/record/recent_games.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "game/game_files.h"
#include "game/play/session.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_game.h"
#include "game/window_host.h"
#include "runtime/system/questions.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

size_t Kept() {
  return testing_support::Window().RecentGames().List().size();
}

void PlayAMove() {
  testing_support::PressSquare(2, 8);
  testing_support::PressSquare(5, 8);
}

class RecentGames : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override {
    runtime::SetQuestionHandler(nullptr);
    testing_support::StopGame();
  }
};

TEST_F(RecentGames, EveryActionThatReplacesTheGameAndTheWindowsEndKeepItFirst) {
  game::WindowGame& window = testing_support::Window();
  const std::string folder = window.RecentGames().Folder();
  const std::pair<const char*, std::function<void()>> actions[] = {
      {"新开局", [] { testing_support::ClickButton(game::NewGameButton); }},
      {"粘贴局面", [] { testing_support::Game().Paste("3k5/9/9/9/9/9/9/1C7/9/4K4 w"); }},
      {"读取棋局", [] { testing_support::Game().OpenBoard(twoply::MakeEmptyBoard()); }},
      {"打开棋谱",
       [] {
         testing_support::Game().LoadGame(testing_support::Fen(testing_support::kStartFen),
                                          twoply::Human, {});
       }},
      {"执黑", [] { testing_support::Window().PlayAs(twoply::Colour::kBlack); }},
  };
  size_t expected = 0;
  for (const auto& [name, action] : actions) {
    SCOPED_TRACE(name);
    testing_support::Window().PlayAs(twoply::Colour::kRed);  // a game of the Human's to play
    expected = Kept();
    PlayAMove();
    action();
    EXPECT_EQ(Kept(), expected + 1);
  }
  PlayAMove();  // as red again, after 执黑 played black's first reply
  expected = Kept();
  testing_support::StopGame();  // the window goes
  EXPECT_EQ(record::RecentGames(folder).List().size(), expected + 1);
}

TEST_F(RecentGames, ACrashLeavesNothingUnreadableBehindAndFiftyAreKept) {
  const std::string folder = testing::TempDir() + "recent-store";
  std::filesystem::remove_all(folder);
  const record::RecentGames store(folder, 3);
  ASSERT_TRUE(store.Keep("20261208-100000-1-1", "[Result \"1-0\"]\n\n1. h2e2 1-0\n"));
  // What a write cut short leaves: its temporary file, and (from elsewhere) a file cut in half.
  std::ofstream(folder + "/.20261208-100000-1-1.pgn.tmp") << "[Result \"1-";
  std::ofstream(folder + "/20261208-100001-1-2.pgn") << "[Result \"1-";
  std::ofstream(folder + "/notes.txt") << "a file of the player's";
  std::vector<record::RecentGame> games = store.List();
  ASSERT_EQ(games.size(), 2u);
  EXPECT_FALSE(record::Summarize(games[0]).readable);
  EXPECT_TRUE(record::Summarize(games[1]).readable);
  EXPECT_EQ(record::Summarize(games[1]).moves.size(), 1u);
  // Keeping a game again replaces its copy; beyond the number kept, the oldest go.
  for (int i = 3; i <= 6; ++i)
    ASSERT_TRUE(store.Keep("20261208-10000" + std::to_string(i) + "-1-" + std::to_string(i),
                           "[Result \"*\"]\n\n*\n"));
  games = store.List();
  ASSERT_EQ(games.size(), 3u);
  EXPECT_EQ(games[0].id, "20261208-100006-1-6");
  EXPECT_TRUE(std::filesystem::exists(folder + "/notes.txt"));
}

TEST_F(RecentGames, AKeptGameReopensFromTheList) {
  PlayAMove();
  testing_support::ClickButton(game::NewGameButton);
  std::vector<std::string> offered;
  runtime::SetQuestionHandler(
      [&](const std::string&, const std::string&, const std::vector<std::string>& items) {
        offered = items;
        return std::optional<size_t>(0);
      });
  game::OpenRecentGame(testing_support::Window());
  ASSERT_EQ(offered.size(), 1u);
  EXPECT_NE(offered[0].find("1 回合"), std::string::npos) << offered[0];
  EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 2u);
  // Started again to go on (--resume): the game kept last is the first game.
  testing_support::PressSquare(8, 8);  // 炮八平七
  testing_support::PressSquare(7, 8);
  testing_support::Host().Setup().resume = true;
  testing_support::RestartGameKeepingSettings();
  EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 4u);
}

}  // namespace
