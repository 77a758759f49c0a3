// Setting up a position and playing it by the rules a tournament uses, through the real windows
// offscreen: the editor driven with the mouse (a refusal's reasons, then a position accepted that
// starts the game), the game settings with a clock shown beside the board, resign and draw offers.
#include "ui/board_editor.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "game/game_menu.h"
#include "game/menu_items.h"
#include "game/play/session.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_game.h"
#include "game/window_host.h"
#include "runtime/system/questions.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::WaitFor;

QWidget* Dialog(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == name && w->isVisible()) return w;
  return nullptr;
}

template <typename W>
W& Part(const char* dialog, const QString& name) {
  W* widget = Dialog(dialog)->findChild<W*>(name);
  if (widget == nullptr) throw std::runtime_error(name.toStdString());
  return *widget;
}

// A click at the middle of a point of the editor's board (column 1-9 from the left, row 1-10
// from the top), with the left or the right button.
void ClickPoint(int col, int row, Qt::MouseButton button = Qt::LeftButton) {
  QTest::mouseClick(&Part<QWidget>("BoardEditor", "EditorBoard"), button, {},
                    QPoint((col - 1) * 48 + 22, (row - 1) * 48 + 22));
}

void Choose(uint8_t code) {
  QTest::mouseClick(&Part<QToolButton>("BoardEditor", QStringLiteral("EditorPiece%1").arg(code)),
                    Qt::LeftButton);
}

class BoardEditor : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override {
    runtime::SetQuestionHandler(nullptr);
    testing_support::StopGame();
  }
  // Runs `drive` once the modal dialog `name` is up, while `open` shows it.
  static void Drive(const char* name, const std::function<void()>& drive,
                    const std::function<void()>& open) {
    bool driven = false;
    QTimer::singleShot(0, [&] {
      ASSERT_TRUE(WaitFor([&] { return Dialog(name) != nullptr; }));
      drive();
      driven = true;
    });
    open();
    EXPECT_TRUE(driven);
  }
};

TEST_F(BoardEditor, RefusesWithEveryReasonThenStartsTheGameSetUp) {
  Drive(
      "BoardEditor",
      [] {
        QTest::mouseClick(&Part<QPushButton>("BoardEditor", "EditorClear"), Qt::LeftButton);
        Choose(twoply::kHumanGeneral);
        ClickPoint(5, 10);
        ClickPoint(5, 1);  // a red general on black's side
        Choose(twoply::Chariot);
        ClickPoint(1, 1);
        ClickPoint(1, 1);  // the same kind again: off
        ClickPoint(9, 1);
        QTest::mouseClick(&Part<QPushButton>("BoardEditor", "EditorOk"), Qt::LeftButton);
        const std::string reasons =
            Part<QLabel>("BoardEditor", "EditorProblems").text().toStdString();
        EXPECT_NE(reasons.find("黑方没有将（帅）"), std::string::npos) << reasons;
        EXPECT_NE(reasons.find("红方只能有一个将（帅）"), std::string::npos) << reasons;
        ClickPoint(5, 1, Qt::RightButton);  // taken off
        Choose(twoply::General);
        ClickPoint(4, 1);
        // A chariot dragged from i9 to i2: chariot against the lone general, black to move.
        QWidget& board = Part<QWidget>("BoardEditor", "EditorBoard");
        QTest::mousePress(&board, Qt::LeftButton, {}, QPoint(8 * 48 + 22, 22));
        QTest::mouseRelease(&board, Qt::LeftButton, {}, QPoint(8 * 48 + 22, 7 * 48 + 22));
        QWidget& blackFirst = Part<QWidget>("BoardEditor", "EditorBlackFirst");
        QTest::mouseClick(&blackFirst, Qt::LeftButton, {}, QPoint(6, blackFirst.height() / 2));
        QTest::mouseClick(&Part<QPushButton>("BoardEditor", "EditorOk"), Qt::LeftButton);
      },
      [] {
        game::WindowGame& window = testing_support::Window();
        std::optional<std::string> fen = window.Windows()->EditPosition(window.Game().Fen());
        ASSERT_TRUE(fen);
        EXPECT_EQ(*fen, "3k5/9/9/9/9/9/9/8r/9/4K4 b");
        window.Game().ChooseLevel(3);
        ASSERT_TRUE(window.Game().Paste(*fen) == std::nullopt);
      });
  // Black to move there: the Computer answers, and a take-back never goes past the position.
  ASSERT_TRUE(WaitFor([] { return !testing_support::Game().Thinking(); }));
  EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 1u);
  EXPECT_FALSE(testing_support::Game().CanTakeBack());
}

// A position given for the run (--fen) starts the first game, or is refused with its reasons.
TEST_F(BoardEditor, APositionGivenForTheRun) {
  for (const char* fen : {"3k5/9/9/9/9/9/9/9/8R/4K4 w", "9/9/9/9/9/9/9/9/8R/4K4 w"}) {
    testing_support::Host().Setup().fen = fen;
    testing::internal::CaptureStderr();
    testing_support::RestartGameKeepingSettings();
    const std::string said = testing::internal::GetCapturedStderr();
    const bool good = fen[0] == '3';
    const std::string board = testing_support::Game().Fen();
    EXPECT_EQ(board.substr(0, board.find(' ')),
              good ? std::string(fen).substr(0, std::string(fen).find(' '))
                   : std::string("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR"));
    EXPECT_EQ(said.find("黑方没有将（帅）") != std::string::npos, !good) << said;
    EXPECT_EQ(testing_support::TakeMessageBoxes().size(), good ? 0u : 1u);
    EXPECT_FALSE(testing_support::Host().Setup().fen);  // for the first game only
  }
}

TEST_F(BoardEditor, ASettingsClockIsShownBesideTheBoardAndDrawOffersAndResigning) {
  Drive(
      "GameSettingsDialog",
      [] {
        Part<QSpinBox>("GameSettingsDialog", "SettingsClockMinutes").setValue(5);
        Part<QSpinBox>("GameSettingsDialog", "SettingsClockIncrement").setValue(3);
        QTest::mouseClick(&Part<QPushButton>("GameSettingsDialog", "SettingsOk"), Qt::LeftButton);
      },
      [] { testing_support::Window().Windows()->ShowGameSettings(); });
  game::Session& game = testing_support::Game();
  ASSERT_NE(game.Clock(), nullptr);
  EXPECT_EQ(game.Clock()->Setting(), (game::ClockSetting{300000, 3000}));
  QWidget* record = Dialog("SideWindow");
  ASSERT_NE(record, nullptr);  // the clocks stand beside the board
  EXPECT_EQ(record->findChild<QLabel*>("SideClockRed")->text().toStdString(), "红 5:00");

  // Too early for a draw, which a box says; resigning asks first.
  testing_support::PressSquare(2, 8);
  testing_support::PressSquare(5, 8);
  game::ActOnMenuItem(testing_support::Window(), game::kDrawItem);
  const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("20 个回合"), std::string::npos) << boxes[0];
  std::vector<std::string> asked;
  runtime::SetQuestionHandler(
      [&](const std::string& text, const std::string&, const std::vector<std::string>&) {
        asked.push_back(text);
        return std::optional<size_t>(asked.size() == 1 ? 1 : 0);  // no, then yes
      });
  game::ActOnMenuItem(testing_support::Window(), game::kResignItem);
  EXPECT_EQ(game.Turn().GameOver, 0);
  game::ActOnMenuItem(testing_support::Window(), game::kResignItem);
  EXPECT_EQ(asked.size(), 2u);
  EXPECT_EQ(game.GameOutcome().ending, game::Ending::kResigned);
  EXPECT_EQ(testing_support::Caption(game::StatusLabel), "你输了");
}

}  // namespace
