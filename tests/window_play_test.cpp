// The board's menu and keys played through the real main window, offscreen: taking moves back,
// the hint, the level and rules remembered between runs, the full rules' endings, the clipboard,
// and the Computer thinking on the worker thread while the window goes on.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QMenu>
#include <QTest>
#include <QWindow>
#include <fstream>
#include <iterator>
#include <regex>

#include "engine/levels.h"
#include "engine/search.h"
#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/game_menu.h"
#include "game/play/engine_bridge.h"
#include "game/play/session.h"
#include "game/twoply/position_text.h"
#include "game/twoply/two_ply_search.h"
#include "game/units.h"
#include "game/window_host.h"
#include "runtime/system/settings.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::WaitFor;

using testing_support::Caption;
using testing_support::PanelPixels;
using testing_support::PressSquare;
using twoply::Square;

QWidget& Widget(const runtime::UnitRef& ref) {
  return *runtime::LiveUnit(ref.window, ref.unit)->Widget();
}

// Opens the board's context menu as a right click does and finds the item whose text begins with
// `text` (in the level submenu too). The menu stays open until CloseMenu.
QAction* MenuItem(const std::string& text) {
  QWidget& board = Widget(game::BoardPanel);
  QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(200, 200),
                            board.mapToGlobal(QPoint(200, 200)));
  QApplication::sendEvent(&board, &request);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (menu == nullptr) return nullptr;
  for (QAction* action : menu->findChildren<QAction*>())
    if (action->text().startsWith(QString::fromStdString(text)) && !action->menu()) return action;
  return nullptr;
}

void CloseMenu() {
  while (QWidget* popup = QApplication::activePopupWidget()) popup->close();
  testing_support::SettleEvents();
}

// Uses a menu item as a person does; false when it is greyed.
bool UseMenu(const std::string& text) {
  QAction* item = MenuItem(text);
  EXPECT_NE(item, nullptr) << text;
  const bool enabled = item != nullptr && item->isEnabled();
  if (enabled) item->trigger();
  CloseMenu();
  return enabled;
}

bool MenuChecked(const std::string& text) {
  QAction* item = MenuItem(text);
  const bool checked = item != nullptr && item->isChecked();
  CloseMenu();
  return checked;
}

void CtrlKey(Qt::Key key) {
  QWidget& window = Widget(game::MainWindow);
  // A menu closed just now had the keyboard; offscreen nobody hands it back.
  window.windowHandle()->requestActivate();
  EXPECT_TRUE(
      QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == window.windowHandle(); }));
  QTest::keyClick(&window, key, Qt::ControlModifier);
  testing_support::SettleEvents();
}

// What the window shows and the state behind it.
struct Shown {
  std::string position;
  runtime::Surface pixels;
  std::string status, step, time;
  int32_t gameOver, pieceSelected, stepCount;
  Square selected;

  static Shown Now() {
    return {twoply::FormatFen(twoply::Board, twoply::Human),
            PanelPixels(game::BoardPanel),
            Caption(game::StatusLabel),
            Caption(game::StepLabel),
            Caption(game::TimeLabel),
            testing_support::Game().Turn().GameOver,
            testing_support::Game().Turn().PieceSelected,
            testing_support::Game().Turn().StepCount,
            testing_support::Game().Turn().SelectedSquare};
  }
  void ExpectSame(const Shown& now) const {
    EXPECT_EQ(now.position, position);
    EXPECT_EQ(testing_support::FirstDifference(pixels, now.pixels), "");
    EXPECT_EQ(now.status, status);
    EXPECT_EQ(now.step, step);
    EXPECT_EQ(now.time, time);
    EXPECT_EQ(now.gameOver, gameOver);
    EXPECT_EQ(now.pieceSelected, pieceSelected);
    EXPECT_EQ(now.stepCount, stepCount);
    EXPECT_TRUE(now.selected == selected);
  }
};

class WindowPlay : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override {
    CloseMenu();
    testing_support::StopGame();
  }
  static void SetPosition(const char* fen) {
    twoply::Board = testing_support::Fen(fen);
    game::RedrawBoard();
  }
  static void Move(Square from, Square to) {
    PressSquare(from.col, from.row);
    PressSquare(to.col, to.row);
  }
};

TEST_F(WindowPlay, TakingBackRestoresWhatWasShownBeforeTheMove) {
  struct Case {
    const char* name;
    const char* fen;  // nullptr: the start of a game
    Square from, to;
    const char* statusAfter;
    bool byKey;
  };
  const Case cases[] = {
      {"a quiet move", nullptr, {2, 8}, {5, 8}, "到你了...", false},
      {"a capture", "3k5/9/9/9/9/9/8p/9/9/4K3R", {9, 10}, {9, 7}, "到你了...", true},
      {"a win", "4k4/9/9/9/9/9/9/9/9/3KR4", {5, 10}, {5, 1}, "你赢了", false},
      {"a loss", "3k5/9/9/9/9/9/9/9/3r5/3K4R", {9, 10}, {9, 9}, "你输了", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::Game().NewGame();
    if (c.fen != nullptr) SetPosition(c.fen);
    EXPECT_FALSE(UseMenu("悔棋"));  // nothing played yet
    const Shown before = Shown::Now();
    PressSquare(c.from.col, c.from.row);
    PressSquare(c.to.col, c.to.row);
    EXPECT_EQ(testing_support::Game().Turn().StepCount, 1);
    EXPECT_EQ(Caption(game::StatusLabel), c.statusAfter);
    if (c.byKey)
      CtrlKey(Qt::Key_Z);
    else
      EXPECT_TRUE(UseMenu("悔棋"));
    // As before the piece was chosen: nothing selected, nothing lit.
    before.ExpectSame(Shown::Now());
    EXPECT_FALSE(testing_support::Game().CanTakeBack());
    // The game goes on from there, and the move can be made again.
    PressSquare(c.from.col, c.from.row);
    PressSquare(c.to.col, c.to.row);
    EXPECT_EQ(testing_support::Game().Turn().StepCount, 1);
    EXPECT_EQ(Caption(game::StatusLabel), c.statusAfter);
  }
}

TEST_F(WindowPlay, TakingBackRepeatsToTheStartAndNotPastIt) {
  const Shown start = Shown::Now();
  Move({2, 8}, {5, 8});
  Move({8, 10}, {7, 8});
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 2);
  CtrlKey(Qt::Key_Z);
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 1);
  CtrlKey(Qt::Key_Z);
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 0);
  // The start screen, pixel for pixel: the cannon home and unlit, the labels fresh.
  start.ExpectSame(Shown::Now());
  const Shown first = Shown::Now();
  CtrlKey(Qt::Key_Z);  // nothing more to take back
  first.ExpectSame(Shown::Now());
  EXPECT_FALSE(UseMenu("悔棋"));
}

TEST_F(WindowPlay, AHintSelectsThePieceAndOneClickPlaysIt) {
  EXPECT_TRUE(UseMenu("提示"));
  ASSERT_TRUE(WaitFor([] { return !testing_support::Game().HintPending(); }));
  // The engine's move at the lowest hint level, searched here on its own.
  engine::Searcher searcher;
  engine::Limits limits = engine::LevelLimits(game::kLowestHintLevel);
  limits.variety_cp = 0;  // a hint is the best move found, never a varied one
  const engine::Move expected = searcher.Search(engine::Position(), limits).best;
  const twoply::Move hint = game::FromEngineMove(expected);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 1);
  EXPECT_TRUE(testing_support::Game().Turn().SelectedSquare == hint.from);
  ASSERT_TRUE(testing_support::Game().HintTarget().has_value());
  EXPECT_TRUE(*testing_support::Game().HintTarget() == hint.to);
  // The target's corner is marked in red; the board is otherwise the selection's.
  const runtime::Surface shown = PanelPixels(game::BoardPanel);
  const uint32_t corner = shown.Pixel((hint.to.col - 1) * 48 + 4, (hint.to.row - 1) * 48 + 4);
  EXPECT_EQ(corner & 0xFF, 220u) << std::hex << corner;  // 0x00BBGGRR: the red of the mark

  const uint8_t piece = twoply::At(twoply::Board, hint.from);
  PressSquare(hint.to.col, hint.to.row);
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 1);
  EXPECT_EQ(twoply::At(twoply::Board, hint.to), piece);
  EXPECT_FALSE(testing_support::Game().HintTarget().has_value());
}

TEST_F(WindowPlay, TheHintsMarkGoesWithTheNextClick) {
  CtrlKey(Qt::Key_H);
  ASSERT_TRUE(WaitFor([] { return !testing_support::Game().HintPending(); }));
  ASSERT_TRUE(testing_support::Game().HintTarget().has_value());
  PressSquare(1, 7);  // another own piece: selected instead, the mark erased
  EXPECT_FALSE(testing_support::Game().HintTarget().has_value());
  EXPECT_EQ(
      testing_support::FirstDifference(testing_support::ExpectedBoard(twoply::Board, Square{1, 7}),
                                       PanelPixels(game::BoardPanel)),
      "");
}

TEST_F(WindowPlay, LevelAndRulesAreRememberedBetweenRuns) {
  EXPECT_EQ(testing_support::Game().Level(), 2);
  EXPECT_TRUE(MenuChecked("2 "));
  EXPECT_FALSE(MenuChecked("标准规则"));
  EXPECT_TRUE(UseMenu("5 "));
  EXPECT_TRUE(UseMenu("标准规则"));
  testing_support::RestartGameKeepingSettings();
  EXPECT_EQ(testing_support::Game().Level(), 5);
  EXPECT_TRUE(testing_support::Game().StandardRules());
  EXPECT_TRUE(MenuChecked("5 "));
  EXPECT_FALSE(MenuChecked("2 "));
  EXPECT_TRUE(MenuChecked("标准规则"));

  // A level given for one run wins over the remembered one and is not remembered itself.
  testing_support::Host().Setup().run.level = 7;
  testing_support::RestartGameKeepingSettings();
  EXPECT_EQ(testing_support::Game().Level(), 7);
  EXPECT_EQ(runtime::ReadSetting("level"), 5);
  EXPECT_TRUE(UseMenu("3 "));  // a choice in the window ends the override
  testing_support::RestartGameKeepingSettings();
  EXPECT_EQ(testing_support::Game().Level(), 3);
  EXPECT_TRUE(UseMenu("2 "));
}

TEST_F(WindowPlay, TheStandardRulesJudgeMovesChecksAndEndings) {
  ASSERT_TRUE(UseMenu("标准规则"));
  struct Case {
    const char* name;
    const char* fen;
    Square from, to;
    const char* status;  // after the move; nullptr: the move is refused
    int32_t gameOver;
  };
  const Case cases[] = {
      // The chariot on the General's file shields it: leaving it is refused.
      {"own General left attacked", "4k4/9/9/9/4r4/9/9/9/4R4/4K4", {5, 9}, {1, 9}, nullptr, 0},
      {"Generals facing", "3k5/9/9/9/9/9/9/9/9/4K4", {5, 10}, {4, 10}, nullptr, 0},
      {"mate by the Human", "3k5/8R/9/9/9/9/9/9/9/R3K4", {1, 10}, {1, 1}, "你赢了", 1},
      {"stalemate by the Human", "3k5/9/8R/9/9/9/9/9/9/4K4", {9, 3}, {9, 2}, "你赢了", 1},
      {"mate by the Computer", "r3k4/9/9/6P2/9/9/9/9/8r/3K5", {7, 4}, {7, 3}, "你输了", 1},
      // The horse blocks a check; the chariot takes it and checks again.
      {"check by the Computer", "3k5/4r4/9/9/9/9/3N5/9/9/4K4", {4, 7}, {5, 5}, "将军!到你了...", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::Game().NewGame();
    SetPosition(c.fen);
    const std::string before = twoply::FormatFen(twoply::Board, twoply::Human);
    Move(c.from, c.to);
    if (c.status == nullptr) {
      EXPECT_EQ(twoply::FormatFen(twoply::Board, twoply::Human), before);
      EXPECT_EQ(testing_support::Game().Turn().StepCount, 0);
      continue;
    }
    EXPECT_EQ(testing_support::Game().Turn().StepCount, 1);
    EXPECT_EQ(Caption(game::StatusLabel), c.status);
    EXPECT_EQ(testing_support::Game().Turn().GameOver, c.gameOver);
  }
  // Without the standard rules the same moves are the game's own: the shield may leave.
  ASSERT_TRUE(UseMenu("标准规则"));
  testing_support::Game().NewGame();
  SetPosition("4k4/9/9/9/4r4/9/9/9/4R4/4K4");
  Move({5, 9}, {1, 9});
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 1);
}

TEST_F(WindowPlay, APastedPositionMustBeValid) {
  Move({2, 8}, {5, 8});
  const char* bad[] = {
      "",
      "hello",
      "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR/9 w",  // eleven ranks
      "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABKR w",    // two red Generals
      "4k4/9/9/9/9/9/9/9/9/4K4 b",  // Generals facing, the side not to move attacked
      "3k5/9/9/9/9/9/9/9/9/4K4 w x y z 1 2 3 4",
  };
  for (const char* text : bad) {
    SCOPED_TRACE(text);
    const Shown before = Shown::Now();
    QGuiApplication::clipboard()->setText(QString::fromUtf8(text));
    CtrlKey(Qt::Key_V);
    const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].substr(0, boxes[0].find('|')), "粘贴局面");
    before.ExpectSame(Shown::Now());
    EXPECT_TRUE(testing_support::Game().CanTakeBack());
  }

  // Copied and pasted back: the same position, a new game from it, nothing to take back.
  const std::string position = twoply::FormatFen(twoply::Board, twoply::Human);
  EXPECT_TRUE(UseMenu("复制局面"));
  EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), position + " - - 0 1");
  EXPECT_TRUE(UseMenu("粘贴局面"));
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  EXPECT_EQ(twoply::FormatFen(twoply::Board, twoply::Human), position);
  EXPECT_EQ(Caption(game::StepLabel), "步数:");
  EXPECT_FALSE(testing_support::Game().CanTakeBack());
  EXPECT_EQ(testing_support::FirstDifference(testing_support::ExpectedBoard(twoply::Board),
                                             PanelPixels(game::BoardPanel)),
            "");
  // A position with the Computer to move: it answers at once.
  QGuiApplication::clipboard()->setText(
      QStringLiteral("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR b - - 0 1"));
  CtrlKey(Qt::Key_V);
  EXPECT_EQ(Caption(game::StatusLabel), "到你了...");
  EXPECT_NE(twoply::FormatFen(twoply::Board, twoply::Human),
            "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C2C4/9/RNBAKABNR w");
}

// Levels 1 and 2 answer inside the click with the two-ply search at that depth; from level 3 the
// engine answers later, as a fresh engine searching the same position at that level would.
TEST_F(WindowPlay, EachLevelAnswersWithItsOwnSearch) {
  for (int32_t level : {1, 2, 3, 5}) {
    SCOPED_TRACE(level);
    ASSERT_TRUE(UseMenu(std::to_string(level) + " "));
    testing_support::Game().NewGame();
    // The expected reply, from the position after the Human's cannon move.
    twoply::BoardArray moved = twoply::Board;
    moved(8, 5) = moved(8, 2);
    moved(8, 2) = twoply::Empty;
    twoply::Move expected{};
    if (level <= 2) {
      const twoply::BoardArray saved = twoply::Board;
      twoply::Board = moved;
      twoply::SearchDepth = static_cast<int16_t>(level);
      expected = twoply::ChooseComputerMove().move;
      twoply::Board = saved;
    } else {
      engine::Searcher searcher;
      auto position = game::EnginePosition(moved, twoply::Computer);
      ASSERT_TRUE(position.has_value());
      expected = game::FromEngineMove(searcher.Search(*position, engine::LevelLimits(level)).best);
    }
    Move({2, 8}, {5, 8});
    EXPECT_EQ(testing_support::Game().Thinking(), level > 2);
    ASSERT_TRUE(WaitFor([] { return !testing_support::Game().Thinking(); }));
    // Levels that vary their play answer with a legal move of their choosing; the others with
    // the move their search finds.
    const twoply::Move reply = testing_support::Game().Line().moves.back();
    if (level >= 3 && engine::LevelLimits(level).variety_cp > 0) {
      auto position = game::EnginePosition(moved, twoply::Computer);
      EXPECT_TRUE(position->IsLegal(game::ToEngineMove(reply)));
      expected = reply;
    }
    EXPECT_TRUE(reply == expected);
    EXPECT_EQ(twoply::At(twoply::Board, expected.from), twoply::Empty);
    EXPECT_EQ(twoply::At(twoply::Board, expected.to), twoply::At(moved, expected.from));
    EXPECT_EQ(Caption(game::StatusLabel), "到你了...");
  }
  ASSERT_TRUE(UseMenu("2 "));
}

// At level 8 the Computer thinks on the worker: the window takes no board clicks meanwhile, and
// every way out stops the search before it returns.
TEST_F(WindowPlay, ALevelEightSearchIsStoppedByEveryWayOut) {
  ASSERT_TRUE(UseMenu("8 "));
  enum class Way { kNewGame, kTakeBack, kOpenRecord, kExit, kCloseWindow, kSave, kArrives };
  for (Way way : {Way::kNewGame, Way::kTakeBack, Way::kOpenRecord, Way::kExit, Way::kCloseWindow,
                  Way::kSave, Way::kArrives}) {
    SCOPED_TRACE(static_cast<int>(way));
    if (runtime::LiveWindow(game::kMainWindowId) == nullptr)
      testing_support::RestartGameKeepingSettings();
    testing_support::Game().NewGame();
    const Shown before = Shown::Now();
    PressSquare(2, 8);
    PressSquare(5, 8);
    ASSERT_TRUE(testing_support::Game().Thinking());
    EXPECT_EQ(Caption(game::StatusLabel), "电脑思考中...");
    EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 0);
    const std::string thinking = twoply::FormatFen(twoply::Board, twoply::Human);
    PressSquare(1, 7);  // ignored while the Computer thinks
    EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);
    EXPECT_EQ(twoply::FormatFen(twoply::Board, twoply::Human), thinking);

    switch (way) {
      case Way::kNewGame:
        testing_support::ClickButton(game::NewGameButton);
        EXPECT_FALSE(testing_support::Game().Thinking());
        EXPECT_EQ(testing_support::Game().Turn().StepCount, 0);
        EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 1);
        break;
      case Way::kTakeBack:
        CtrlKey(Qt::Key_Z);
        EXPECT_FALSE(testing_support::Game().Thinking());
        before.ExpectSame(Shown::Now());
        break;
      case Way::kOpenRecord:
        // The record's board, and the turn handed to the Human.
        testing_support::AnswerDialogs({XQ_SOURCE_DIR "/fuzz/seeds/notation_fuzz/start.ces"});
        testing_support::ClickButton(game::OpenButton);
        EXPECT_FALSE(testing_support::Game().Thinking());
        EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 1);
        EXPECT_EQ(Caption(game::StatusLabel), "到你了...");
        EXPECT_EQ(
            twoply::FormatFen(twoply::Board, twoply::Human),
            twoply::FormatFen(testing_support::Fen(testing_support::kStartFen), twoply::Human));
        EXPECT_FALSE(testing_support::Game().CanTakeBack());
        break;
      case Way::kExit:
        testing_support::ClickButton(game::ExitButton);
        // The window's game, and with it the search, ended with the window.
        EXPECT_EQ(runtime::LiveWindow(game::kMainWindowId), nullptr);
        continue;
      case Way::kCloseWindow:
        Widget(game::MainWindow).close();
        testing_support::SettleEvents();
        // The window's game, and with it the search, ended with the window.
        EXPECT_EQ(runtime::LiveWindow(game::kMainWindowId), nullptr);
        continue;
      case Way::kSave: {
        // A record has no side to move: saved now, it holds the position before the Human's
        // move, so reopened it is his turn and he never moves twice.
        const std::string path = testing::TempDir() + "while-thinking.ces";
        testing_support::AnswerDialogs({path});
        testing_support::ClickButton(game::SaveButton);
        std::ifstream file(path, std::ios::binary);
        const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(file), {}};
        std::string error;
        auto saved = twoply::ParseRecord(bytes, error);
        ASSERT_TRUE(saved) << error;
        EXPECT_EQ(twoply::FormatFen(*saved, twoply::Human), before.position);
        ASSERT_TRUE(WaitFor([] { return !testing_support::Game().Thinking(); }));
        continue;
      }
      case Way::kArrives:
        ASSERT_TRUE(WaitFor([] { return !testing_support::Game().Thinking(); }));
        EXPECT_EQ(testing_support::Game().Turn().HumanToMove, 1);
        EXPECT_EQ(Caption(game::StatusLabel), "到你了...");
        EXPECT_TRUE(std::regex_match(Caption(game::TimeLabel), std::regex("时间[0-9]+毫秒")));
        EXPECT_NE(twoply::FormatFen(twoply::Board, twoply::Human), thinking);
        continue;
    }
    // A move of the stopped search never lands later.
    const std::string after = twoply::FormatFen(twoply::Board, twoply::Human);
    QTest::qWait(50);
    testing_support::SettleEvents();
    EXPECT_EQ(twoply::FormatFen(twoply::Board, twoply::Human), after);
  }
  EXPECT_TRUE(UseMenu("2 "));
}

}  // namespace
