// The side window: where it goes beside the main window, what it shows, and what of the player's
// keys, clicks and closing reaches the game.
#include "ui/side_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QLabel>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTableView>
#include <QTest>
#include <QTextBoundaryFinder>
#include <QTextDocument>
#include <QToolTip>
#include <cstdio>

#include "runtime/error.h"
#include "runtime/lifecycle.h"
#include "runtime/services.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/death.h"
#include "tests/support/window_harness.h"

using namespace testing_support;
using ui::ScreenRect;
using ui::SideKey;

namespace {

QWidget& Side() {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "SideWindow" && w->isVisible()) return *w;
  throw std::runtime_error("no side window");
}

QTableView& List() {
  return *Side().findChild<QTableView*>("SideMoveList");
}

QWidget& Graph() {
  return *Side().findChild<QWidget*>("SideGraph");
}

QString Cell(int row, int column) {
  return List().model()->index(row, column).data().toString();
}

bool Marked(int row, int column) {
  return List().model()->index(row, column).data(Qt::FontRole).value<QFont>().bold();
}

std::vector<std::array<std::string, 3>> Rounds(int count) {
  std::vector<std::array<std::string, 3>> rows;
  for (int i = 1; i <= count; ++i)
    rows.push_back({std::to_string(i) + ".", "炮二平五", i == count ? "" : "马８进７"});
  return rows;
}

// What reached the game.
struct Heard {
  std::vector<std::pair<int32_t, int32_t>> cells;
  std::vector<SideKey> keys;
  std::vector<int32_t> graph;
  std::vector<int32_t> choices;
  int closed = 0;
  bool openWhileClosing = true;
};

class SideWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    StartWindows();
    runtime::LoadStartWindow(kMainWindow);
  }
  void TearDown() override {
    side.Close();
    StopWindows();
  }

  void Open() {
    ASSERT_TRUE(side.Open(kMainWindow, "棋谱", Recording()));
    Settle();
  }

  ui::SideWindowCallbacks Recording() {
    return {
        [this](int32_t row, int32_t column) {
          heard.cells.push_back({row, column});
        },
        [this](SideKey key) { heard.keys.push_back(key); },
        [this](int32_t index) { heard.graph.push_back(index); },
        [this] {
          ++heard.closed;
          heard.openWhileClosing = side.IsOpen();
        },
        [this](int32_t index) { heard.choices.push_back(index); },
    };
  }

  Heard heard;
  ui::SideWindow side;
};

TEST(SideWindowPlacement, BesideThenAboveOrBelowAndNeverOverUnlessNoRoom) {
  const ui::ScreenSize preferred{280, 507}, smallest{200, 160};
  struct Case {
    const char* name;
    ScreenRect screen, beside, expected;
  };
  const Case cases[] = {
      {"right", {0, 0, 1920, 1080}, {100, 100, 562, 507}, {662, 100, 280, 507}},
      {"right, narrowed", {0, 0, 800, 600}, {0, 0, 562, 507}, {562, 0, 238, 507}},
      {"left", {0, 0, 1920, 1080}, {1300, 100, 562, 507}, {1020, 100, 280, 507}},
      {"left, narrowed", {0, 0, 800, 600}, {238, 0, 562, 507}, {0, 0, 238, 507}},
      {"moved up into the screen", {0, 0, 1920, 1080}, {100, 700, 562, 507}, {662, 573, 280, 507}},
      {"second screen", {1920, 0, 1280, 1024}, {1930, 0, 562, 507}, {2492, 0, 280, 507}},
      {"below", {0, 0, 800, 1000}, {119, 0, 562, 507}, {119, 507, 562, 493}},
      {"above", {0, 0, 800, 1000}, {119, 493, 562, 507}, {119, 0, 562, 493}},
      {"no room anywhere", {0, 0, 800, 600}, {0, 0, 800, 600}, {520, 0, 280, 507}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScreenRect got = ui::PlaceSideWindow(c.screen, c.beside, preferred, smallest);
    EXPECT_EQ(got, c.expected) << got.x << "," << got.y << " " << got.width << "x" << got.height;
  }
}

TEST_F(SideWindowTest, OpensBesideTheMainWindowOnEitherSide) {
  EXPECT_FALSE(side.Open(kAboutWindow, "棋谱", {}));  // not loaded
  EXPECT_FALSE(side.IsOpen());
  QWidget& main = WindowOf(kMainWindow);
  const QRect screen = main.screen()->availableGeometry();
  for (int x : {screen.left(), screen.right() + 1 - main.frameGeometry().width()}) {
    main.move(x, screen.top());
    Settle();
    Open();
    const QRect frame = Side().frameGeometry();
    EXPECT_FALSE(frame.intersects(main.frameGeometry())) << x;
    EXPECT_TRUE(screen.contains(frame)) << x;
    EXPECT_GE(frame.width(), 200) << x;
    EXPECT_EQ(Side().windowTitle(), "棋谱");
    side.Close();
    EXPECT_FALSE(side.IsOpen());
    Settle();
  }
  EXPECT_EQ(heard.closed, 0);  // closed by the program, not the player
}

TEST_F(SideWindowTest, GoesDownAndComesBackWithTheMainWindow) {
  Open();
  QWidget& main = WindowOf(kMainWindow);
  main.showMinimized();
  Settle();
  EXPECT_TRUE(Side().isMinimized());
  main.showNormal();
  Settle();
  EXPECT_FALSE(Side().isMinimized());
  EXPECT_TRUE(side.IsOpen());
}

TEST_F(SideWindowTest, ShowsRowsTheMarkedMoveAndNotesWithoutRebuildingTheList) {
  Open();
  side.SetRows(Rounds(100));
  side.SetCurrent(80, 2);
  Settle();
  ASSERT_EQ(List().model()->rowCount(), 100);
  EXPECT_EQ(Cell(0, 0), "1.");
  EXPECT_EQ(Cell(80, 2), "马８进７");
  EXPECT_TRUE(Marked(80, 2));
  EXPECT_FALSE(Marked(80, 1));
  const QRect shown = List().visualRect(List().model()->index(80, 2));
  EXPECT_TRUE(List().viewport()->rect().contains(shown.center()));

  // Changes announce only what changed: no reset, rows come and go at the end.
  QAbstractItemModel& model = *List().model();
  QSignalSpy resets(&model, &QAbstractItemModel::modelReset);
  QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
  QSignalSpy removed(&model, &QAbstractItemModel::rowsRemoved);
  QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
  side.SetRows(Rounds(101));  // row 99's black move filled in, row 100 added
  EXPECT_EQ(inserted.count(), 1);
  ASSERT_EQ(changed.count(), 1);
  EXPECT_EQ(changed[0][0].toModelIndex().row(), 99);
  side.SetRows(Rounds(60));
  EXPECT_EQ(removed.count(), 1);
  EXPECT_EQ(model.rowCount(), 60);
  side.SetRows(Rounds(100));
  EXPECT_FALSE(Marked(80, 2));  // the mark went with its row
  side.SetRows(Rounds(60));
  changed.clear();
  side.SetCurrent(10, 1);
  side.SetNotes({"回看", "红胜 将死"});
  side.SetGraph({0.3, 1.2}, 1);
  EXPECT_EQ(resets.count(), 0);
  EXPECT_EQ(changed.count(), 1);  // the new mark (the old one's row is gone)
  EXPECT_TRUE(Marked(10, 1));
  side.SetCurrent(-1, -1);
  EXPECT_FALSE(Marked(10, 1));

  QLabel& notes = *Side().findChild<QLabel*>("SideNotes");
  EXPECT_TRUE(notes.isVisible());
  EXPECT_EQ(notes.text(), "回看\n红胜 将死");
  side.SetNotes({});
  EXPECT_FALSE(notes.isVisible());
}

TEST_F(SideWindowTest, StepKeysReachTheGameWhereverTheFocusIs) {
  Open();
  side.SetRows(Rounds(30));
  side.SetCurrent(15, 1);
  struct Case {
    Qt::Key qt;
    Qt::KeyboardModifiers modifiers;
    std::optional<SideKey> expected;
  };
  const Case cases[] = {
      {Qt::Key_Home, {}, SideKey::kHome},
      {Qt::Key_End, {}, SideKey::kEnd},
      {Qt::Key_Left, {}, SideKey::kLeft},
      {Qt::Key_Right, {}, SideKey::kRight},
      {Qt::Key_Up, {}, SideKey::kUp},
      {Qt::Key_Down, {}, SideKey::kDown},
      {Qt::Key_PageUp, {}, SideKey::kPageUp},
      {Qt::Key_PageDown, {}, SideKey::kPageDown},
      {Qt::Key_Right, Qt::KeypadModifier, SideKey::kRight},
      {Qt::Key_Home, Qt::ControlModifier, {}},
      {Qt::Key_A, {}, {}},
  };
  // The window itself (no child takes the focus), and the list in case it ever has the focus.
  for (QWidget* target : {&Side(), static_cast<QWidget*>(&List())})
    for (const Case& c : cases) {
      heard.keys.clear();
      const int scrolled = List().verticalScrollBar()->value();
      QTest::keyClick(target, c.qt, c.modifiers);
      SCOPED_TRACE(testing::Message() << target->objectName().toStdString() << " key " << c.qt);
      if (c.expected) {
        EXPECT_EQ(heard.keys, std::vector<SideKey>{*c.expected});
        EXPECT_EQ(List().verticalScrollBar()->value(), scrolled);  // the list did not act on it
      } else {
        EXPECT_TRUE(heard.keys.empty());
      }
    }
}

TEST_F(SideWindowTest, ClicksOnMovesReachTheGameAndOthersDoNot) {
  Open();
  side.SetRows({{"1.", "炮二平五", "马８进７"}, {"2.", "马二进三", ""}});
  Settle();
  struct Case {
    int row, column;
    bool heard;
  };
  const Case cases[] = {{0, 1, true}, {0, 2, true}, {1, 1, true}, {1, 2, false}, {0, 0, false}};
  for (const Case& c : cases) {
    heard.cells.clear();
    const QRect cell = List().visualRect(List().model()->index(c.row, c.column));
    QTest::mouseClick(List().viewport(), Qt::LeftButton, {}, cell.center());
    const std::vector<std::pair<int32_t, int32_t>> expected =
        c.heard ? std::vector<std::pair<int32_t, int32_t>>{{c.row, c.column}}
                : std::vector<std::pair<int32_t, int32_t>>{};
    EXPECT_EQ(heard.cells, expected) << c.row << "," << c.column;
  }
}

TEST_F(SideWindowTest, ClosingByThePlayerIsHeardOnceAfterTheWindowWent) {
  Open();
  Side().close();
  EXPECT_EQ(heard.closed, 1);
  EXPECT_FALSE(heard.openWhileClosing);
  EXPECT_FALSE(side.IsOpen());
  side.SetRows(Rounds(3));  // nothing to show it in: no effect
  Settle();
  // Opened again, it is new and empty.
  Open();
  EXPECT_EQ(List().model()->rowCount(), 0);
}

TEST_F(SideWindowTest, TheGraphMapsAClickToTheNearestPosition) {
  Open();
  side.SetGraph({}, -1);
  EXPECT_FALSE(Graph().isVisible());
  side.SetGraph({0.0, 0.5, std::nullopt, -3.0, 12.0, 2.0, std::nullopt, -20.0, 1.0, 0.0, 0.2}, 3);
  Settle();
  ASSERT_TRUE(Graph().isVisible());
  const double left = 4, step = (Graph().width() - 8) / 10.0;
  struct Case {
    double x;
    int32_t index;
  };
  const Case cases[] = {{0, 0},
                        {left + 5 * step, 5},
                        {left + 3.4 * step, 3},
                        {left + 6.6 * step, 7},
                        {double(Graph().width() - 1), 10}};
  for (const Case& c : cases) {
    heard.graph.clear();
    QTest::mouseClick(&Graph(), Qt::LeftButton, {}, QPoint(int(std::lround(c.x)), 40));
    EXPECT_EQ(heard.graph, std::vector<int32_t>{c.index}) << c.x;
  }
}

// The status line and its word, the analysis's table (a line wraps only between two moves), and
// the graph's tooltip over the point under the pointer.
TEST_F(SideWindowTest, StatusAnalysisTableAndGraphTips) {
  Open();
  QLabel& status = *Side().findChild<QLabel*>("SideStatus");
  QLabel& notice = *Side().findChild<QLabel*>("SideNotice");
  side.SetStatus("你执红 · 轮到你", "", false);
  EXPECT_TRUE(status.isVisible());
  EXPECT_FALSE(notice.isVisible());
  EXPECT_FALSE(status.font().bold());
  side.SetStatus("你执红 · 对局结束：红胜（将死）", "已保存：a.pgn", true);
  EXPECT_TRUE(status.font().bold());
  EXPECT_EQ(notice.text(), "已保存：a.pgn");

  QLabel& table = *Side().findChild<QLabel*>("SideAnalysis");
  EXPECT_FALSE(table.isVisible());
  const std::vector<std::string> moves = {"炮二平五", "马８进７", "马二进三", "…"};
  side.SetAnalysis({{"1", "12/18", "+0.35", "812 kN/s", moves}});
  ASSERT_TRUE(table.isVisible());
  QTextDocument document;
  document.setHtml(table.text());
  const QString text = document.toPlainText();
  for (const char* cell : {"12/18", "+0.35", "812 kN/s"})
    EXPECT_TRUE(QString(text)
                    .remove(QChar(0x2060))
                    .replace(QChar(0xa0), QLatin1Char(' '))
                    .contains(QString::fromUtf8(cell)))
        << cell;
  // Break opportunities fall only where one move ends and the next begins.
  const QString line = text.mid(text.indexOf(QChar(0x70ae)));  // from 炮
  QTextBoundaryFinder breaks(QTextBoundaryFinder::Line, line);
  int inside = 0;
  for (int at = breaks.toNextBoundary(); at > 0 && at < line.size(); at = breaks.toNextBoundary())
    if (line[at - 1] != QLatin1Char(' ')) ++inside;
  EXPECT_EQ(inside, 0) << line.toStdString();
  side.SetAnalysis({});
  EXPECT_FALSE(table.isVisible());

  side.SetGraph({0.0, 0.5, -3.0}, 2, {"开始的局面", "第 1 回合红方 炮二平五", "第 1 回合黑方 ?"});
  Settle();
  const QPoint last(Graph().width() - 5, 40);
  QHelpEvent help(QEvent::ToolTip, last, Graph().mapToGlobal(last));
  QApplication::sendEvent(&Graph(), &help);
  EXPECT_EQ(QToolTip::text(), QString::fromUtf8("第 1 回合黑方 ?"));
  QToolTip::hideText();
}

TEST_F(SideWindowTest, MenuKeysAskTheGameWhetherTheyAreEnabled) {
  Open();
  enum { kChinese = 1, kWxf = 2, kContinue = 3 };
  using Kind = runtime::MenuEntry::Kind;
  std::vector<int32_t> acted;
  bool continueEnabled = false;
  side.SetMenu(
      {{Kind::kSubmenu, 0, "记谱", "", ""},
       {Kind::kRadio, kChinese, "中文", "", ""},
       {Kind::kRadio, kWxf, "WXF", "", ""},
       {Kind::kEndSubmenu, 0, "", "", ""},
       {Kind::kSubmenu, 0, "对局", "", ""},
       {Kind::kAction, kContinue, "从此处继续", "Ctrl+K", ""},
       {Kind::kEndSubmenu, 0, "", "", ""}},
      [&](int32_t id) {
        return runtime::MenuItemState{id != kContinue || continueEnabled, id == kChinese};
      },
      [&](int32_t id) { acted.push_back(id); });
  Settle();
  QMenuBar* bar = Side().findChild<QMenuBar*>("SideMenuBar");
  ASSERT_NE(bar, nullptr);
  ASSERT_EQ(bar->actions().size(), 2);
  EXPECT_EQ(bar->actions()[0]->text(), "记谱");
  Side().windowHandle()->requestActivate();
  ASSERT_TRUE(
      QTest::qWaitFor([] { return QGuiApplication::focusWindow() == Side().windowHandle(); }));
  QTest::keyClick(&Side(), Qt::Key_K, Qt::ControlModifier);
  EXPECT_TRUE(acted.empty());
  continueEnabled = true;
  QTest::keyClick(&Side(), Qt::Key_K, Qt::ControlModifier);
  EXPECT_EQ(acted, std::vector<int32_t>{kContinue});
  bar->actions()[0]->menu()->actions()[1]->trigger();
  EXPECT_EQ(acted.back(), kWxf);
  // Replacing the menu from one of its own actions is safe; no entries remove the bar.
  side.SetMenu({{Kind::kAction, 9, "关闭", "", ""}}, {},
               [this](int32_t) { side.SetMenu({}, {}, {}); });
  Settle();
  Side().findChild<QMenuBar*>("SideMenuBar")->actions()[0]->trigger();
  Settle();
  EXPECT_EQ(Side().findChild<QMenuBar*>("SideMenuBar"), nullptr);
}

int heardDuringError = 0;

TEST(SideWindowDeathTest, NothingReachesTheGameWhileAFatalErrorIsReported) {
  EXPECT_RUNTIME_ERROR(
      {
        StartWindows();
        runtime::LoadStartWindow(kMainWindow);
        ui::SideWindowCallbacks calls;
        calls.keyPressed = [](SideKey) { ++heardDuringError; };
        calls.closedByUser = [] { ++heardDuringError; };
        static ui::SideWindow side;
        side.Open(kMainWindow, "棋谱", calls);
        runtime::InstallErrorReporter([](const std::string& text, const std::string&) {
          QTest::keyClick(&Side(), Qt::Key_Left);
          Side().close();
          std::fprintf(stderr, "%s\nheard %d\n", text.c_str(), heardDuringError);
        });
        runtime::RaiseError(1);
      },
      "heard 0");
}

TEST(SideWindowDeathTest, ItsOwnersEndDestroysTheWindowWithoutCallingTheGame) {
  EXPECT_EXIT(
      {
        StartWindows();
        runtime::LoadStartWindow(kMainWindow);
        ui::SideWindowCallbacks calls;
        calls.closedByUser = [] { std::_Exit(3); };  // never at the end
        auto side = std::make_unique<ui::SideWindow>();
        side->Open(kMainWindow, "棋谱", calls);
        QObject::connect(&Side(), &QObject::destroyed, [] { std::fputs("gone\n", stderr); });
        side.reset();  // the owner goes with the main window's game
        runtime::ShutdownRuntime();
        std::fputs("ended\n", stderr);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "\ngone\nended\n");
}

}  // namespace
