// The record window and PGN through the real main window, offscreen: the moves listed as they
// are played, replay by keys without touching the game, games saved and opened as PGN, files
// that cannot be used, and a game as black.
#include "ui/record_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTest>
#include <QTextBrowser>
#include <QWidget>
#include <QWindow>
#include <fstream>
#include <iterator>

#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/game_files.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/system/questions.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::PressSquare;

QWidget* RecordWidget() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->windowTitle() == QStringLiteral("棋谱")) return widget;
  return nullptr;
}

std::string Position() {
  return twoply::FormatFen(twoply::Board, twoply::Human);
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), {});
}

class RecordWindow : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override {
    runtime::SetQuestionHandler(nullptr);
    testing_support::StopGame();
  }
  static void Move(int32_t fromCol, int32_t fromRow, int32_t toCol, int32_t toRow) {
    PressSquare(fromCol, fromRow);
    PressSquare(toCol, toRow);
  }
  static std::string Temp(const char* name) { return testing::TempDir() + name; }
};

TEST_F(RecordWindow, ListsTheMovesAndReplaysWithoutTouchingTheGame) {
  EXPECT_EQ(RecordWidget(), nullptr);  // closed until asked for
  testing_support::Window().Windows()->ToggleRecordWindow();
  ASSERT_NE(RecordWidget(), nullptr);
  Move(8, 8, 5, 8);  // 炮二平五 and the reply
  Move(8, 10, 7, 8);
  ASSERT_EQ(testing_support::Game().Line().moves.size(), 4u);
  const std::string live = Position();
  const twoply::BoardArray afterFirst = [] {
    twoply::BoardArray board = testing_support::Fen(testing_support::kStartFen);
    board(8, 5) = board(8, 8);
    board(8, 8) = twoply::Empty;
    return board;
  }();

  QTest::keyClick(RecordWidget(), Qt::Key_Home);
  EXPECT_EQ(testing_support::Game().Viewed(), 0u);
  QTest::keyClick(RecordWidget(), Qt::Key_Right);
  EXPECT_EQ(testing_support::Game().Viewed(), 1u);
  EXPECT_EQ(testing_support::FirstDifference(testing_support::ExpectedBoard(afterFirst),
                                             testing_support::PanelPixels(game::BoardPanel)),
            "");
  const QLabel& notice = *RecordWidget()->findChild<QLabel*>("SideNotice");
  EXPECT_FALSE(notice.isVisible());
  PressSquare(2, 8);  // ignored while an earlier position is shown, with a word why
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);
  EXPECT_EQ(Position(), live);
  EXPECT_TRUE(notice.text().startsWith(QStringLiteral("回看中"))) << notice.text().toStdString();
  QTest::keyClick(RecordWidget(), Qt::Key_End);
  EXPECT_FALSE(testing_support::Game().Viewed());
  EXPECT_FALSE(notice.isVisible());
  // The status as it reads (its parts held together by word joiners).
  const QString status = RecordWidget()
                             ->findChild<QLabel*>("SideStatus")
                             ->text()
                             .remove(QChar(0x2060))
                             .replace(QChar(0xa0), QLatin1Char(' '));
  EXPECT_TRUE(status.startsWith(
      QStringLiteral("你执红 · 轮到你 · 难度 2 · 内置引擎 · 简易规则 · 电脑用时 ")))
      << status.toStdString();
  EXPECT_EQ(testing_support::FirstDifference(testing_support::ExpectedBoard(twoply::Board),
                                             testing_support::PanelPixels(game::BoardPanel)),
            "");
  // Remembered open for the next run; closed with 棋谱 again.
  testing_support::RestartGameKeepingSettings();
  EXPECT_NE(RecordWidget(), nullptr);
  testing_support::Window().Windows()->ToggleRecordWindow();
  EXPECT_EQ(RecordWidget(), nullptr);
}

TEST_F(RecordWindow, AGameSavedAsPgnOpensAgainMoveForMove) {
  Move(8, 8, 5, 8);
  Move(2, 10, 3, 8);
  const game::GameLine played = testing_support::Game().Line();
  const std::string path = Temp("saved.pgn");
  testing_support::AnswerDialogs({path});
  game::SavePgn(testing_support::Window());
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("[Game \"Chinese Chess\"]"), std::string::npos);
  EXPECT_NE(text.find("炮二平五"), std::string::npos) << text;
  EXPECT_NE(text.find("[Black \"电脑（难度 2）\"]"), std::string::npos) << text;

  testing_support::Game().NewGame();
  testing_support::AnswerDialogs({path});
  game::OpenPgn(testing_support::Window());
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  EXPECT_EQ(testing_support::Game().Line().moves, played.moves);
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 2);
  EXPECT_NE(RecordWidget(), nullptr);  // an opened game shows its record
  EXPECT_TRUE(testing_support::Game().CanTakeBack());
}

// Each row: a file, and the box it gets (empty: it opens); the game on the board stays when a
// file is refused.
TEST_F(RecordWindow, OpensTheFilesPlayersTradeAndRefusesBrokenOnes) {
  struct Case {
    const char* name;
    std::string bytes;
    const char* box;  // expected in the box's text; empty: no box
    size_t plies;
  };
  const Case cases[] = {
      {"xboard.pgn", ReadText(XQ_SOURCE_DIR "/docs/screenshots/xboard.pgn"), "", 0},
      // Black to move at its end: the Computer plays on.
      {"wxf-crlf.pgn",
       "[Game \"Chinese Chess\"]\r\n[Format \"WXF\"]\r\n\r\n1. C2.5 H8+7 2. H2+3 *\r\n", "", 4},
      {"illegal.pgn", "[Game \"Chinese Chess\"]\n\n1. 炮二平五 炮８平５\n2. 炮五进九 *\n",
       "第 4 行", 0},
      {"empty.pgn", "", "棋谱没有打开", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::Game().NewGame();
    Move(2, 8, 5, 8);
    const std::string before = Position();
    const std::string path = Temp(c.name);
    std::ofstream(path, std::ios::binary) << c.bytes;
    testing_support::AnswerDialogs({path});
    game::OpenPgn(testing_support::Window());
    const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
    if (*c.box == '\0') {
      EXPECT_TRUE(boxes.empty()) << (boxes.empty() ? "" : boxes[0]);
      if (c.plies != 0) {
        EXPECT_EQ(testing_support::Game().Line().moves.size(), c.plies);
      }
      EXPECT_NE(testing_support::Game().Line().moves.size(), 0u);
    } else {
      ASSERT_EQ(boxes.size(), 1u);
      EXPECT_NE(boxes[0].find(c.box), std::string::npos) << boxes[0];
      EXPECT_EQ(Position(), before);
    }
  }
}

TEST_F(RecordWindow, SeveralGamesInAFileOfferAChoice) {
  const std::string path = Temp("two.pgn");
  std::ofstream(path) << "[Game \"Chinese Chess\"]\n[Red \"甲\"]\n\n1. 炮二平五 *\n\n"
                         "[Game \"Chinese Chess\"]\n[Red \"乙\"]\n\n1. 兵七进一 卒７进１ *\n";
  std::vector<std::string> offered;
  runtime::SetQuestionHandler(
      [&](const std::string&, const std::string&, const std::vector<std::string>& items) {
        offered = items;
        return std::optional<size_t>(1);
      });
  testing_support::AnswerDialogs({path});
  game::OpenPgn(testing_support::Window());
  ASSERT_EQ(offered.size(), 2u);
  EXPECT_NE(offered[1].find("乙"), std::string::npos) << offered[1];
  EXPECT_EQ(testing_support::Game().Line().moves.size(), 2u);
}

// As black the Computer opens; the Human's black pieces stand below in black, and the record and
// the PGN name the real colours.
TEST_F(RecordWindow, AGameAsBlack) {
  testing_support::Game().PlayAs(twoply::Colour::kBlack);
  ASSERT_EQ(testing_support::Game().Line().moves.size(), 1u);
  // The board as drawn: every piece in the other side's sprite, the black ones below.
  twoply::BoardArray swapped = twoply::Board;
  for (int32_t row = 1; row <= twoply::kRows; ++row)
    for (int32_t col = 1; col <= twoply::kCols; ++col)
      if (uint8_t code = twoply::Board(row, col); code != twoply::Empty)
        swapped(row, col) = uint8_t(code > 7 ? code - 7 : code + 7);
  EXPECT_EQ(testing_support::FirstDifference(testing_support::ExpectedBoard(swapped),
                                             testing_support::PanelPixels(game::BoardPanel)),
            "");
  const std::string path = Temp("black.pgn");
  testing_support::AnswerDialogs({path});
  game::SavePgn(testing_support::Window());
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("[Red \"电脑（难度 2）\"]"), std::string::npos) << text;
  // Remembered: the next run is black again, until 执黑 is taken off.
  testing_support::RestartGameKeepingSettings();
  EXPECT_EQ(testing_support::Game().HumanColour(), twoply::Colour::kBlack);
  testing_support::Game().PlayAs(twoply::Colour::kRed);
  EXPECT_EQ(testing_support::FirstDifference(testing_support::ExpectedBoard(twoply::Board),
                                             testing_support::PanelPixels(game::BoardPanel)),
            "");
  EXPECT_EQ(testing_support::Game().Line().moves.size(), 0u);
}

}  // namespace

namespace {

// 终局提示框: off, the end of a game is said in the record window only; on, in a box of its own
// too, once, and not for a finished game opened.
TEST_F(RecordWindow, TheResultInABoxOnlyWhenAskedFor) {
  for (const bool box : {false, true}) {
    SCOPED_TRACE(box);
    testing_support::Window().ChooseResultBox(box);
    testing_support::Game().NewGame();
    Move(8, 8, 5, 8);
    testing_support::Game().Resign();
    testing_support::SettleEvents();
    const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
    EXPECT_EQ(boxes.size(), box ? 1u : 0u);
    if (!boxes.empty()) EXPECT_NE(boxes[0].find("黑胜（认输）"), std::string::npos) << boxes[0];
    testing_support::Game().View(0);  // stepping through the ended game says nothing more
    testing_support::SettleEvents();
    EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  }
}

}  // namespace

namespace {

// 使用说明 (F1 in the record window): one window, shown again rather than opened twice.
TEST_F(RecordWindow, TheHelpOpensOnceFromTheRecordWindowsKey) {
  testing_support::Window().Windows()->ToggleRecordWindow();
  ASSERT_NE(RecordWidget(), nullptr);
  auto helpWindows = [] {
    std::vector<QWidget*> found;
    for (QWidget* widget : QApplication::topLevelWidgets())
      if (widget->isVisible() && widget->objectName() == QStringLiteral("HelpWindow"))
        found.push_back(widget);
    return found;
  };
  for (int i = 0; i < 2; ++i) {
    RecordWidget()->windowHandle()->requestActivate();
    ASSERT_TRUE(QTest::qWaitFor(
        [] { return QGuiApplication::focusWindow() == RecordWidget()->windowHandle(); }));
    QTest::keyClick(RecordWidget(), Qt::Key_F1);
    ASSERT_EQ(helpWindows().size(), 1u);
  }
  const QString text = helpWindows()[0]->findChild<QTextBrowser*>("HelpText")->toPlainText();
  EXPECT_TRUE(text.contains(QStringLiteral("保存棋谱…"))) << text.toStdString();
}

}  // namespace
