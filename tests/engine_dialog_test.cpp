// The engines dialog (引擎…) driven as a person would, offscreen: Fairy-Stockfish and our own
// engine added and tested through real processes (protocol, squares, options shown), an engine
// that cannot start tested and removed, the choices confirmed, kept in the settings file and put
// to work: Fairy-Stockfish then answers the Human's move in the main window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include "game/engine_choice.h"
#include "game/outside_opponent.h"
#include "game/window_game.h"
#include "runtime/system/questions.h"
#include "tests/support/game_window.h"
#include "ui/engines_dialog.h"

namespace {

using testing_support::WaitFor;

QWidget* Dialog() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "EngineListDialog" && w->isVisible()) return w;
  return nullptr;
}

template <typename W>
W& Part(const char* name) {
  W* widget = Dialog()->findChild<W*>(QString::fromLatin1(name));
  if (widget == nullptr) throw std::runtime_error(name);
  return *widget;
}

void Type(const char* field, const std::string& text) {
  // As typing ends: the text and the signal of an edit by the user (the test's keys are ASCII).
  QLineEdit& edit = Part<QLineEdit>(field);
  edit.setText(QString::fromStdString(text));
  emit edit.textEdited(edit.text());
}

void Click(const char* button) {
  QTest::mouseClick(&Part<QPushButton>(button), Qt::LeftButton);
}

// Adds an engine and tests it; the report once it came.
std::string AddAndTest(const std::string& name, const std::string& command,
                       const std::string& options = "") {
  Part<QListWidget>("EngineList").setCurrentRow(0);
  Type("EngineOptions", options);
  Type("EngineName", name);
  Type("EngineCommand", command);
  Click("AddEngine");
  Click("TestEngine");
  QPlainTextEdit& report = Part<QPlainTextEdit>("EngineReport");
  EXPECT_TRUE(WaitFor([&] { return !report.toPlainText().startsWith("正在启动"); }));
  return report.toPlainText().toStdString();
}

// Keys typed into a spin box, its old text selected first, as a person replaces a number.
void TypeNumber(const char* field, const char* keys) {
  QSpinBox& box = Part<QSpinBox>(field);
  box.setFocus();
  box.selectAll();
  QTest::keyClicks(&box, keys);
  QTest::keyClick(&box, Qt::Key_Tab);
}

class EngineDialog : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override { testing_support::StopGame(); }
};

TEST_F(EngineDialog, AddsTestsRemovesAndChoosesEnginesThatThenPlay) {
  bool driven = false;
  QTimer::singleShot(0, [&] {
    ASSERT_TRUE(WaitFor([] { return Dialog() != nullptr; }));
    // Options that do not read are refused before the engine is started.
    const std::string unreadable = AddAndTest("Fairy", "/usr/games/fairy-stockfish", "Hash 64");
    EXPECT_NE(unreadable.find("应写成 名称=值"), std::string::npos) << unreadable;
    Type("EngineOptions", "Hash=32; Skill Level=5");  // the engine just added, still selected
    Click("TestEngine");
    QPlainTextEdit& report = Part<QPlainTextEdit>("EngineReport");
    ASSERT_TRUE(WaitFor([&] { return report.toPlainText().startsWith("协议"); }));
    const std::string fairy = report.toPlainText().toStdString();
    EXPECT_NE(fairy.find("协议：UCI"), std::string::npos) << fairy;
    EXPECT_NE(fairy.find("坐标：1-10"), std::string::npos) << fairy;
    EXPECT_NE(fairy.find("UCI_Variant"), std::string::npos) << fairy;
    // The options it offers as widgets of their types, holding the values set.
    QLineEdit& options = Part<QLineEdit>("EngineOptions");
    QSpinBox& hash = Part<QSpinBox>("Option:Hash");
    EXPECT_EQ(hash.value(), 32);
    EXPECT_EQ(hash.maximum(), 131072);
    EXPECT_EQ(Part<QSpinBox>("Option:Skill Level").value(), 5);
    EXPECT_EQ(Part<QSpinBox>("Option:Skill Level").minimum(), -20);
    QCheckBox& ponder = Part<QCheckBox>("Option:Ponder");
    EXPECT_FALSE(ponder.isChecked());
    EXPECT_EQ(Part<QComboBox>("Option:Analysis Contempt").currentText(), "Both");
    EXPECT_FALSE(Part<QCheckBox>("Option:Clear Hash").isChecked());  // a button
    for (const char* own : {"Option:UCI_Variant", "Option:MultiPV", "Option:Protocol"})
      EXPECT_EQ(Dialog()->findChild<QWidget*>(own), nullptr) << own;
    // Set with the keyboard and the mouse, they write the text kept.
    TypeNumber("Option:Hash", "64");
    QTest::mouseClick(&ponder, Qt::LeftButton, {}, QPoint(2, ponder.height() / 2));
    EXPECT_EQ(options.text().toStdString(), "Hash=64; Skill Level=5; Ponder=true");
    QTest::mouseClick(&ponder, Qt::LeftButton, {}, QPoint(2, ponder.height() / 2));
    EXPECT_EQ(options.text().toStdString(), "Hash=64; Skill Level=5");  // the default again
    // Values the engine cannot take: brought into its range, or left out, with a word.
    Type("EngineOptions", "Hash=999999; Skill Level=5; Ponder=maybe");
    Click("TestEngine");
    ASSERT_TRUE(WaitFor([&] { return report.toPlainText().startsWith("协议"); }));
    const std::string mended = report.toPlainText().toStdString();
    EXPECT_NE(mended.find("选项 Hash 的值 999999 超出引擎的范围 1-131072，改为 131072"),
              std::string::npos)
        << mended;
    EXPECT_NE(mended.find("选项 Ponder 的值“maybe”应为 true 或 false"), std::string::npos)
        << mended;
    EXPECT_EQ(options.text().toStdString(), "Hash=131072; Skill Level=5");
    TypeNumber("Option:Hash", "32");
    EXPECT_EQ(options.text().toStdString(), "Hash=32; Skill Level=5");
    const std::string ours = AddAndTest("", std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli uci");
    EXPECT_NE(ours.find("协议：UCI"), std::string::npos) << ours;
    EXPECT_NE(ours.find("坐标：0-9"), std::string::npos) << ours;
    const std::string missing = AddAndTest("无此引擎", "/nonexistent/engine");
    EXPECT_NE(missing.find("引擎 无此引擎 无法启动"), std::string::npos) << missing;
    Click("RemoveEngine");  // the one just added and selected
    QListWidget& list = Part<QListWidget>("EngineList");
    EXPECT_EQ(list.count(), 3);  // the built-in engine and the two that work
    // The built-in engine cannot be removed.
    list.setCurrentRow(0);
    EXPECT_FALSE(Part<QPushButton>("RemoveEngine").isEnabled());
    Part<QComboBox>("OpponentEngine").setCurrentIndex(1);
    Part<QComboBox>("AnalystEngine").setCurrentIndex(2);
    Part<QDoubleSpinBox>("EngineMoveTime").setValue(0.5);
    // A clock for both sides instead: the time per move gives way.
    EXPECT_TRUE(Part<QDoubleSpinBox>("EngineMoveTime").isEnabled());
    TypeNumber("EngineClockMinutes", "1");
    TypeNumber("EngineClockIncrement", "2");
    EXPECT_FALSE(Part<QDoubleSpinBox>("EngineMoveTime").isEnabled());
    Click("EngineListOk");
    driven = true;
  });
  // At the default level the engine would not play: the program offers level 8, and is told no.
  std::vector<std::string> asked;
  runtime::SetQuestionHandler(
      [&](const std::string& text, const std::string&, const std::vector<std::string>&) {
        asked.push_back(text);
        return std::optional<size_t>(1);
      });
  testing_support::Window().Windows()->ShowEngineDialog();
  runtime::SetQuestionHandler(nullptr);
  ASSERT_TRUE(driven);
  ASSERT_EQ(asked.size(), 1u);
  EXPECT_NE(asked[0].find("难度 3-8"), std::string::npos) << asked[0];
  EXPECT_EQ(testing_support::Game().Level(), 2);

  const std::vector<game::OutsideEngine> saved = game::SavedEngines();
  ASSERT_EQ(saved.size(), 2u);
  EXPECT_EQ(saved[0].name, "Fairy");
  EXPECT_EQ(saved[0].command, "/usr/games/fairy-stockfish");
  EXPECT_EQ(saved[0].options, "Hash=32; Skill Level=5");
  EXPECT_EQ(saved[1].options, "");
  EXPECT_EQ(game::OpponentEngine(), 1);
  EXPECT_EQ(game::AnalystEngine(), 2);
  EXPECT_EQ(game::EngineMoveMs(), 500);
  EXPECT_EQ(game::EngineClock(), (game::ClockSetting{60000, 2000}));

  // The next run finds them; Fairy-Stockfish answers at level 3.
  testing_support::RestartGameKeepingSettings();
  EXPECT_EQ(game::SavedEngines(), saved);
  testing_support::Game().ChooseLevel(3);
  testing_support::PressSquare(2, 8);
  testing_support::PressSquare(5, 8);
  ASSERT_TRUE(WaitFor([] { return !testing_support::Game().Thinking(); }));
  EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 2u);
  EXPECT_NE(testing_support::Window().Opponent().Name(), "");
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  ASSERT_NE(testing_support::Game().Clock(), nullptr);  // on the clock chosen
  EXPECT_LT(testing_support::Game().Clock()->Remaining(twoply::Colour::kBlack), 62000);
}

}  // namespace
