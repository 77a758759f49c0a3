// Outside engines in the real main window, offscreen: an engine chosen as the Computer plays its
// moves through its process (our own engine over UCI and Fairy-Stockfish); an engine that exits,
// hangs, plays an illegal move or floods the window with lines gets one message naming it, and the
// built-in engine plays on with the game intact.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>

#include "game/engine_choice.h"
#include "game/outside_opponent.h"
#include "game/play/session.h"
#include "game/units.h"
#include "game/window_game.h"
#include "game/window_host.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::WaitFor;

std::string FakeEngine(const std::string& mode) {
  return "sh '" + std::string(XQ_SOURCE_DIR) + "/tests/support/fake_engine.sh' " + mode;
}

class OutsideOpponent : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override {
    testing_support::StopGame();
    game::ChooseEngineClock(0, 0);
  }

  // `command` becomes the Computer at level 3 with a short time per move.
  static void Choose(const std::string& command) {
    game::SaveEngines({{"", command, std::nullopt, ""}});
    game::ChooseOpponentEngine(1);
    game::ChooseEngineMoveMs(300);
    testing_support::Window().EnginesChosen();
    testing_support::Game().ChooseLevel(3);
  }
  static bool ReplyArrived() {
    return WaitFor([] { return !testing_support::Game().Thinking(); });
  }
};

TEST_F(OutsideOpponent, AFailingEngineIsNamedAndTheBuiltInEnginePlaysOn) {
  struct Case {
    const char* mode;
    const char* says;  // in the message, after the engine's name
  };
  const Case cases[] = {
      {"exit", "意外退出"},
      {"hang", "超时"},
      {"illegal", "走了不合规则的着法"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mode);
    testing_support::Game().NewGame();
    Choose(FakeEngine(c.mode));
    testing_support::PressSquare(2, 8);  // 炮二平五
    testing_support::PressSquare(5, 8);
    EXPECT_TRUE(testing_support::Game().Thinking());
    ASSERT_TRUE(ReplyArrived());
    const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].find("引擎 Fake " + std::string(c.mode) + " " + c.says), std::string::npos)
        << boxes[0];
    // The Human's move and the built-in engine's reply, and the next reply is the built-in's.
    EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 2u);
    EXPECT_EQ(testing_support::Game().Provider(), nullptr);
    testing_support::PressSquare(8, 8);  // 炮八平七
    testing_support::PressSquare(7, 8);
    ASSERT_TRUE(ReplyArrived());
    EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 4u);
    EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  }
}

// An engine given for the run that cannot start is reported at once, before any move.
TEST_F(OutsideOpponent, AMissingEngineIsReportedAtOnce) {
  testing_support::Host().Setup().engine = "/nonexistent/engine";
  testing_support::Window().Opponent().FollowChoice();
  ASSERT_TRUE(WaitFor([] { return testing_support::Game().Provider() == nullptr; }));
  const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("/nonexistent/engine"), std::string::npos) << boxes[0];
  EXPECT_FALSE(testing_support::Host().Setup().engine);  // the built-in engine plays on
}

TEST_F(OutsideOpponent, AFloodingEngineStillPlaysItsMove) {
  Choose(FakeEngine("flood"));
  game::ChooseEngineMoveMs(5000);  // a shell takes its time to print 20000 lines
  testing_support::Game().PlayAs(
      twoply::Colour::kBlack);  // the Computer has red and opens: h2e2 is legal
  ASSERT_TRUE(ReplyArrived());
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  ASSERT_EQ(testing_support::Game().LineEngineMoves().size(), 1u);
  EXPECT_EQ(engine::ToIccs(testing_support::Game().LineEngineMoves()[0]), "h2e2");
  EXPECT_EQ(testing_support::Window().Opponent().Name(), "Fake flood");
}

// Given for the run (--engine), an engine plays at the default level too, where the two-ply
// search would have answered inside the click.
TEST_F(OutsideOpponent, RealEnginesPlayThroughTheirProcesses) {
  const std::string engines[] = {std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli uci",
                                 "/usr/games/fairy-stockfish"};
  for (const std::string& command : engines) {
    SCOPED_TRACE(command);
    testing_support::Game().NewGame();
    testing_support::Host().Setup().engine = command;
    testing_support::Window().Opponent().FollowChoice();
    game::ChooseEngineMoveMs(500);
    ASSERT_EQ(testing_support::Game().Level(), 2);
    for (int32_t col : {2, 8}) {  // both cannons to the middle files, one move each
      testing_support::PressSquare(col, 8);
      testing_support::PressSquare(col == 2 ? 5 : 7, 8);
      EXPECT_TRUE(testing_support::Game().Thinking());
      ASSERT_TRUE(ReplyArrived());
    }
    EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
    EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 4u);
    EXPECT_NE(testing_support::Window().Opponent().Name(), "");
  }
}

TEST_F(OutsideOpponent, OnAClockTheEngineIsToldBothTimesAndLosesOnTimeWhenItsTimeRunsOut) {
  // Our own engine on a one-minute clock plays its moves within it.
  testing_support::Game().NewGame();
  game::ChooseEngineClock(60, 1);
  Choose(std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli uci");
  for (int32_t col : {2, 8}) {
    testing_support::PressSquare(col, 8);
    testing_support::PressSquare(col == 2 ? 5 : 7, 8);
    ASSERT_TRUE(ReplyArrived());
  }
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  ASSERT_EQ(testing_support::Game().LineEngineMoves().size(), 4u);
  const game::GameClock* clock = testing_support::Game().Clock();
  ASSERT_NE(clock, nullptr);
  EXPECT_LT(clock->Remaining(twoply::Colour::kBlack), 61000);
  EXPECT_GT(clock->Remaining(twoply::Colour::kBlack), 0);

  // An engine that thinks past its clock loses on time, as a player would; it is not a failure.
  testing_support::Game().NewGame();
  Choose(FakeEngine("hang"));
  int64_t now = 0;
  testing_support::Game().UseClock(game::EngineClock(), [&now] { return now; });
  testing_support::PressSquare(2, 8);
  testing_support::PressSquare(5, 8);
  ASSERT_TRUE(testing_support::Game().Thinking());
  ASSERT_TRUE(WaitFor([] {
    return testing_support::Window().Opponent().Name() == "Fake hang";
  }));  // it has been asked
  now += 62000;
  ASSERT_TRUE(ReplyArrived());
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 1u);
  EXPECT_EQ(testing_support::Game().GameOutcome().winner, game::Winner::kHuman);
  EXPECT_EQ(testing_support::Game().GameOutcome().ending, game::Ending::kTime);
  EXPECT_EQ(testing_support::Caption(game::StatusLabel), "你赢了");
}

}  // namespace
