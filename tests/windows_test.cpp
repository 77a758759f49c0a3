// Windows made from the template: geometry, creation order, the event dispatch, keyboard, modality,
// the message loop, properties and their errors.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPointer>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <fstream>
#include <iterator>

#include "runtime/pictures/picture.h"
#include "runtime/text_codec.h"
#include "runtime/windows/event_dispatch.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/death.h"
#include "tests/support/window_harness.h"

using namespace testing_support;
using runtime::Gb;

namespace {

class Windows : public ::testing::Test {
 protected:
  void SetUp() override { StartWindows(); }
  void TearDown() override { StopWindows(); }
};

std::vector<uint8_t> ReadSource(const std::string& relative) {
  std::ifstream in(std::string(XQ_SOURCE_DIR) + "/" + relative, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::vector<uint32_t> GrabColours(QWidget& widget) {
  QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
  std::vector<uint32_t> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      QRgb p = image.pixel(x, y);
      colours.push_back(uint32_t(qRed(p)) | uint32_t(qGreen(p)) << 8 | uint32_t(qBlue(p)) << 16);
    }
  return colours;
}

TEST_F(Windows, MainWindowIsBuiltFromItsRecordsAndCentred) {
  runtime::LoadStartWindow(kMainWindow);
  runtime::WindowUnit& main = WindowOf(kMainWindow);
  EXPECT_EQ(main.size(), QSize(556, 484));
  EXPECT_EQ(runtime::GetIntegerProperty(kMain, 2), 562);
  EXPECT_EQ(runtime::GetIntegerProperty(kMain, 3), 507);
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  EXPECT_EQ(main.pos(), QPoint((screen.width() - 562) / 2, (screen.height() - 507) / 2));
  EXPECT_EQ(main.windowTitle(), "VelmoraCorvane 2.0");
  EXPECT_FALSE(main.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
  EXPECT_TRUE(main.windowFlags() & Qt::WindowCloseButtonHint);
  EXPECT_EQ(main.windowIcon().availableSizes().size(), 2u);

  EXPECT_EQ(runtime::GetIntegerProperty(kBoardPanel, 2), 436);
  EXPECT_EQ(runtime::GetIntegerProperty(kBoardPanel, 3), 484);
  EXPECT_FALSE(WidgetOf(kCleanPanel).isVisible());
  EXPECT_FALSE(WidgetOf(kBufferPanel).isVisible());
  EXPECT_EQ(runtime::GetTextProperty(kNewGameButton, 10).View(), Gb("新开局"));

  // Control identifiers count from the last record; the second record is on top of all.
  EXPECT_EQ(LiveUnitOf(kNewGameButton).ControlId(), 100);
  EXPECT_EQ(LiveUnitOf(kLink).ControlId(), 220);
  EXPECT_EQ(main.childAt(450, 100), &WidgetOf(kLink));

  // The board shows its picture exactly as our own decoder gives it.
  runtime::PicturePtr board = runtime::LoadPictureFromMemory(ReadSource("assets/board.jpg"));
  ASSERT_TRUE(board);
  EXPECT_EQ(GrabColours(WidgetOf(kBoardPanel)), runtime::PictureColours(*board));
}

TEST_F(Windows, CreationEventRunsBeforeTheFirstShowAndOnlyOnce) {
  runtime::LoadStartWindow(kMainWindow);
  runtime::WindowUnit* first = runtime::LiveWindow(kMainWindow);
  ASSERT_TRUE(runtime::LoadWindowFromTemplate(kMainWindow, 0, false));  // only activates
  EXPECT_EQ(runtime::LiveWindow(kMainWindow), first);
  ASSERT_EQ(HeardEvents().size(), 1u);
  EXPECT_EQ(HeardEvents()[0].handler, "OnMainWindowCreated");
  EXPECT_FALSE(HeardEvents()[0].windowVisible);
  EXPECT_TRUE(first->isVisible());
}

TEST_F(Windows, PressReachesItsHandlerAndFalseSwallowsIt) {
  runtime::LoadStartWindow(kMainWindow);
  QWidget& panel = WidgetOf(kBoardPanel);
  // A filter on the panel itself sees what the application-wide dispatch let through.
  struct Counter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
      presses += e->type() == QEvent::MouseButtonPress;
      return false;
    }
  } counter;
  panel.installEventFilter(&counter);

  struct Case {
    PressAnswer answer;
    int reachesPanel;
  };
  for (Case c : {Case{PressAnswer::kNothing, 1}, Case{PressAnswer::kTrue, 1},
                 Case{PressAnswer::kFalse, 0}}) {
    HeardEvents().clear();
    counter.presses = 0;
    SetPressAnswer(c.answer);
    QTest::mousePress(&panel, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 200));
    QTest::mouseRelease(&panel, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 200));
    ASSERT_EQ(HeardEvents().size(), 1u);
    EXPECT_EQ(HeardEvents()[0].args, (std::vector<int32_t>{100, 200, runtime::kKeyStateShift}));
    EXPECT_EQ(counter.presses, c.reachesPanel);
  }
  // Ctrl and Alt too; a label without a binding raises nothing, and the window never hears a
  // press its unit received.
  HeardEvents().clear();
  QTest::mousePress(&panel, Qt::LeftButton, Qt::ControlModifier | Qt::AltModifier, QPoint(3, 4));
  QTest::mousePress(&WidgetOf(kStatusLabel), Qt::LeftButton, {}, QPoint(2, 2));
  ASSERT_EQ(HeardEvents().size(), 1u);
  EXPECT_EQ(HeardEvents()[0].args, (std::vector<int32_t>{3, 4, 5}));
  panel.removeEventFilter(&counter);
}

TEST(WindowsWithoutBoardHandler, AnUnresolvedBindingIgnoresTheEvent) {
  StartWindows(/*withBoardHandler=*/false);
  runtime::LoadStartWindow(kMainWindow);
  HeardEvents().clear();
  QTest::mousePress(&WidgetOf(kBoardPanel), Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_TRUE(HeardEvents().empty());
  StopWindows();
}

TEST_F(Windows, ButtonsRaiseTheirClickAndEnterPressesTheDefaultButton) {
  runtime::LoadStartWindow(kMainWindow);
  QTest::keyClick(&WindowOf(kMainWindow), Qt::Key_Return);  // nothing focused: the default one
  QTest::mouseClick(&WidgetOf(kNewGameButton), Qt::LeftButton);
  QTest::keyClick(&WidgetOf(kNewGameButton), Qt::Key_Return);  // the focused button takes it
  std::vector<std::string> heard;
  for (const Heard& h : HeardEvents()) heard.push_back(h.handler);
  EXPECT_EQ(heard, (std::vector<std::string>{"OnMainWindowCreated", "OnAboutClick", "NewGame",
                                             "NewGame"}));
}

TEST_F(Windows, KeysInADialogOverAWindowAreNotTheWindows) {
  runtime::LoadStartWindow(kMainWindow);
  QDialog dialog(&WindowOf(kMainWindow));  // as the file dialog and the message boxes are
  QLineEdit name(&dialog);
  dialog.show();
  name.setFocus();
  QApplication::setActiveWindow(&dialog);
  QTest::keyClick(&name, Qt::Key_Return);  // no default button of the main window pressed
  QTest::keyClick(&name, Qt::Key_Escape);  // the main window does not close
  Settle();
  ASSERT_NE(runtime::LiveWindow(kMainWindow), nullptr);
  EXPECT_EQ(HeardEvents().size(), 1u);  // only the window's creation
}

TEST_F(Windows, TheMainWindowIsDraggedByItsBackgroundOnly) {
  runtime::LoadStartWindow(kMainWindow);
  runtime::WindowUnit& main = WindowOf(kMainWindow);
  const QPoint start = main.pos();
  // Between the labels and the buttons is bare window; the offscreen platform has no move of its
  // own, so the window follows the pointer.
  QTest::mousePress(&main, Qt::LeftButton, {}, QPoint(500, 150));
  QTest::mouseMove(&main, QPoint(530, 170));
  QTest::mouseRelease(&main, Qt::LeftButton, {}, QPoint(530, 170));
  EXPECT_EQ(main.pos(), start + QPoint(30, 20));
  QTest::mousePress(&WidgetOf(kBoardPanel), Qt::LeftButton, {}, QPoint(50, 50));  // not a drag
  QTest::mouseMove(&WidgetOf(kBoardPanel), QPoint(90, 90));
  QTest::mouseRelease(&WidgetOf(kBoardPanel), Qt::LeftButton, {}, QPoint(90, 90));
  EXPECT_EQ(main.pos(), start + QPoint(30, 20));
}

TEST_F(Windows, ModalWindowDisablesTheMainWindowUntilItIsClosed) {
  runtime::LoadStartWindow(kMainWindow);
  ASSERT_TRUE(runtime::LoadWindow(kAbout, /*modal=*/true));
  EXPECT_FALSE(WindowOf(kMainWindow).isEnabled());
  EXPECT_TRUE(runtime::GetLogicProperty(kMain, 6));
  EXPECT_TRUE(runtime::LoadWindow(kAbout, true));  // open already: activated, nothing more
  EXPECT_EQ(std::count_if(HeardEvents().begin(), HeardEvents().end(),
                          [](const Heard& h) { return h.handler == "OnAboutWindowCreated"; }),
            1);
  HeardEvents().clear();
  QTest::mousePress(&WidgetOf(kBoardPanel), Qt::LeftButton, {}, QPoint(100, 100));
  QTest::mouseClick(&WidgetOf(kNewGameButton), Qt::LeftButton);
  QTest::keyClick(&WindowOf(kMainWindow), Qt::Key_Return);
  EXPECT_TRUE(HeardEvents().empty());                        // the main window does not react
  QTest::keyClick(&WindowOf(kAboutWindow), Qt::Key_Escape);  // Escape closes it
  Settle();
  EXPECT_EQ(runtime::LiveWindow(kAboutWindow), nullptr);
  EXPECT_TRUE(WindowOf(kMainWindow).isEnabled());
}

TEST_F(Windows, DestroyingTheOnlyWindowEndsTheLoop) {
  runtime::LoadStartWindow(kMainWindow);
  // A guard against a hang only; the loop is expected to end as soon as the window is gone.
  bool guardFired = false;
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [&] {
    guardFired = true;
    QCoreApplication::quit();
  });
  guard.start(20000);
  QTimer::singleShot(0, [] { runtime::Destroy(kMain); });
  runtime::RunMessageLoop();
  EXPECT_FALSE(guardFired);
  EXPECT_EQ(runtime::LiveWindowCount(), 0);
  runtime::RunMessageLoop();  // nothing left: returns at once
}

TEST_F(Windows, UnitsInAContainerAreOwnedOnce) {
  // A template whose board panel holds two labels and a button: the members are drawn inside the
  // panel, and destroying the window or the panel lets each of them go exactly once.
  runtime::WindowRecord& record = *runtime::LoadedWindowTemplate().FindWindow(kMainWindow);
  const std::vector<runtime::UnitId> members = {kStepLabel.unit, kStatusLabel.unit,
                                                kNewGameButton.unit};
  for (runtime::UnitRecord& unit : record.units)
    if (std::find(members.begin(), members.end(), unit.id) != members.end())
      unit.container = kBoardPanel.unit;
  for (int round = 0; round < 100; ++round) {
    ASSERT_TRUE(runtime::LoadWindowFromTemplate(kMainWindow, 0, false));
    ASSERT_EQ(WidgetOf(kStepLabel).parentWidget(), &WidgetOf(kBoardPanel));
    if (round % 2 == 1) {
      // The container goes first, and its members with it.
      runtime::Destroy(kBoardPanel);
      EXPECT_EQ(runtime::LiveUnit(kMainWindow, kStepLabel.unit), nullptr);
      EXPECT_EQ(runtime::LiveUnit(kMainWindow, kNewGameButton.unit), nullptr);
      EXPECT_NE(runtime::LiveUnit(kMainWindow, kBufferPanel.unit), nullptr);
      Settle();
    }
    runtime::DestroyWindow(WindowOf(kMainWindow));
    Settle();
    ASSERT_EQ(runtime::LiveWindow(kMainWindow), nullptr);
  }
}

// Input that arrives for a window on its way out is dropped, whether the window is closing or
// already destroyed and only waiting for its deferred delete: no event, no runtime error.
TEST_F(Windows, InputForAClosingOrDestroyedWindowIsDropped) {
  for (bool atOnce : {false, true}) {
    runtime::LoadStartWindow(kMainWindow);
    QPointer<QWidget> window = &WindowOf(kMainWindow);
    QPointer<QWidget> panel = &WidgetOf(kBoardPanel);
    auto* button = qobject_cast<QAbstractButton*>(&WidgetOf(kNewGameButton));
    HeardEvents().clear();
    runtime::Destroy(kMain, atOnce);
    EXPECT_EQ(runtime::LiveWindow(kMainWindow) == nullptr, atOnce);
    QTest::keyRelease(window, Qt::Key_Escape);
    QTest::keyPress(window, Qt::Key_A);
    QTest::mouseMove(panel, QPoint(60, 60));
    QTest::mousePress(panel, Qt::LeftButton, {}, QPoint(60, 60));
    button->click();
    EXPECT_TRUE(HeardEvents().empty()) << HeardEvents()[0].handler;
    Settle();
    EXPECT_TRUE(window.isNull());
    EXPECT_EQ(runtime::LiveWindowCount(), 0);
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
  }
}

// The same through the real loop: a key release queued behind the close request reaches the
// window after it has been destroyed, and the loop still ends normally.
TEST_F(Windows, AKeyQueuedBehindTheCloseRequestEndsTheLoopQuietly) {
  runtime::LoadStartWindow(kMainWindow);
  QWidget* window = &WindowOf(kMainWindow);
  QWidget* panel = &WidgetOf(kBoardPanel);
  runtime::Destroy(kMain);
  QCoreApplication::postEvent(window, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Escape, {}));
  QCoreApplication::postEvent(
      panel, new QMouseEvent(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton,
                             Qt::NoButton, Qt::NoModifier));
  runtime::RunMessageLoop();
  EXPECT_EQ(runtime::LiveWindowCount(), 0);
  EXPECT_TRUE(HeardEvents().size() == 1 && HeardEvents()[0].handler == "OnMainWindowCreated");
}

TEST_F(Windows, CommonPropertiesClampAndComeFromTheRecordWhileNotLoaded) {
  EXPECT_EQ(runtime::GetIntegerProperty(kBoardPanel, 2), 436);  // from the record
  runtime::SetIntegerProperty(kStepLabel, 0, 40000);
  runtime::SetIntegerProperty(kStepLabel, 1, -40000);
  runtime::SetIntegerProperty(kStepLabel, 2, 99999);
  runtime::SetIntegerProperty(kStepLabel, 3, -5);
  EXPECT_EQ(runtime::GetIntegerProperty(kStepLabel, 0), 32627);
  EXPECT_EQ(runtime::GetIntegerProperty(kStepLabel, 1), -32627);
  EXPECT_EQ(runtime::GetIntegerProperty(kStepLabel, 2), 32627);
  EXPECT_EQ(runtime::GetIntegerProperty(kStepLabel, 3), 0);

  runtime::LoadStartWindow(kMainWindow);
  runtime::SetLogicProperty(kBoardPanel, 5, false);
  EXPECT_FALSE(WidgetOf(kBoardPanel).isVisible());
  EXPECT_FALSE(runtime::GetLogicProperty(kBoardPanel, 5));
  runtime::SetIntegerProperty(kBoardPanel, 16, 70000);  // the pen width keeps to 0..32767
  EXPECT_EQ(runtime::GetIntegerProperty(kBoardPanel, 16), 32767);
  runtime::SetIntegerProperty(kBoardPanel, 14, 99);  // a panel caps its choices
  EXPECT_EQ(runtime::GetIntegerProperty(kBoardPanel, 14), 6);
  runtime::SetTextProperty(kStepLabel, 8, runtime::Text(Gb("步数:3")));
  EXPECT_EQ(runtime::GetTextProperty(kStepLabel, 8).View(), Gb("步数:3"));
}

// A unit the main window's template does not hold.
constexpr runtime::UnitRef kMissingButton{kMainWindow, 0x16017777, runtime::unit_type::kButton};

TEST(WindowsDeathTest, ErrorsOfPropertiesCommandsAndDispatch) {
  struct Case {
    void (*run)();
    const char* message;
  };
  const Case cases[] = {
      {[] { runtime::GetProperty(0x52999999, 0x06010000, 0, -1); },
       "未载入欲访问窗口组件所在的窗口"},
      {[] { runtime::GetTextProperty(kStepLabel, 8); }, "指定窗口尚未载入"},
      {[] { runtime::Clear(kBoardPanel); }, "指定窗口或窗口组件不存在或尚未载入"},
      {[] { runtime::GetIntegerProperty(kMissingButton, 0); }, "未载入欲访问窗口组件所在的窗口"},
      {[] {
         runtime::LoadStartWindow(kMainWindow);
         runtime::Destroy(kMissingButton);
       },
       "指定窗口或窗口组件不存在或尚未载入"},
      {[] { runtime::RaiseEvent(0x52999999, 0x06010000, 0, {}); }, "未找到引发事件的窗口"},
      {[] {
         runtime::LoadStartWindow(kMainWindow);
         runtime::RaiseEvent(kMainWindow, kMissingButton.unit, 0, {});
       },
       "未找到引发事件的窗口组件"},
      {[] {
         runtime::LoadStartWindow(kMainWindow);
         runtime::RaiseEvent(kMainWindow, kDialog.unit, 0, {});
       },
       "引发事件的窗口组件无效"},
  };
  for (const Case& c : cases)
    EXPECT_RUNTIME_ERROR(
        {
          StartWindows();
          c.run();
        },
        c.message);
}

TEST(WindowsDeathTest, ASettingsVersionTooNewFailsTheStartWindow) {
  EXPECT_RUNTIME_ERROR(
      {
        StartWindows();
        runtime::LoadWindowTemplate(ReadSource("fuzz/seeds/template_fuzz/too-new.bin"));
        runtime::LoadStartWindow(0x52000001);
      },
      "载入启动窗口失败");
}

TEST(WindowsVirtualKeys, QtKeysBecomeTheSystemCodes) {
  struct Case {
    int key;
    int32_t vk;
  };
  for (Case c : {Case{Qt::Key_A, 'A'}, Case{Qt::Key_7, '7'}, Case{Qt::Key_F1, 0x70},
                 Case{Qt::Key_Escape, 0x1B}, Case{Qt::Key_Return, 0x0D}, Case{Qt::Key_Left, 0x25},
                 Case{Qt::Key_Down, 0x28}, Case{Qt::Key_Space, 0x20}, Case{Qt::Key_MediaPlay, 0}})
    EXPECT_EQ(runtime::VirtualKeyOf(c.key), c.vk) << c.key;
}

}  // namespace
