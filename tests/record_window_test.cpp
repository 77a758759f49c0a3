// The record window and PGN through the real main window, offscreen: the moves listed as they
// are played, replay by keys without touching the game, games saved and opened as PGN, files
// that cannot be used, and a game as black.
#include "ui/record_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolTip>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/game_files.h"
#include "game/game_menu.h"
#include "game/menu_items.h"
#include "game/record/xqf.h"
#include "game/record_file.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/system/clipboard.h"
#include "runtime/system/questions.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::PressSquare;

QWidget* RecordWidget() {
  for (QWidget* widget : QApplication::topLevelWidgets())
    if (widget->isVisible() && widget->objectName() == QStringLiteral("SideWindow")) return widget;
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
  testing_support::Window().Windows()->ToggleRecordWindow();
  testing_support::AnswerDialogs({path});
  game::SavePgn(testing_support::Window());
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("[Game \"Chinese Chess\"]"), std::string::npos);
  EXPECT_NE(text.find("炮二平五"), std::string::npos) << text;
  EXPECT_NE(text.find("[Black \"电脑（难度 2）\"]"), std::string::npos) << text;
  // A new game's name comes from its players; the save is said and named in the title.
  ASSERT_EQ(testing_support::DialogRequests().size(), 1u);
  EXPECT_NE(testing_support::DialogRequests()[0].fileName.find(" — 电脑（难度 2） "),
            std::string::npos)
      << testing_support::DialogRequests()[0].fileName;
  EXPECT_EQ(testing_support::Window().Notice(), "已保存：saved.pgn");
  EXPECT_EQ(RecordWidget()->windowTitle(), QStringLiteral("棋谱 — saved.pgn"));

  testing_support::Game().NewGame();
  EXPECT_EQ(RecordWidget()->windowTitle(), QStringLiteral("棋谱"));
  testing_support::AnswerDialogs({path});
  game::OpenPgn(testing_support::Window());
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  EXPECT_EQ(testing_support::Game().Line().moves, played.moves);
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 2);
  EXPECT_NE(RecordWidget(), nullptr);  // an opened game shows its record
  EXPECT_TRUE(testing_support::Game().CanTakeBack());
  // The open dialog started where the game was saved; saving again offers the same file.
  EXPECT_EQ(testing_support::DialogRequests()[0].initialFolder + "/",
            std::filesystem::path(path).parent_path().string() + "/");
  testing_support::AnswerDialogs({std::nullopt});
  game::SavePgn(testing_support::Window());
  EXPECT_EQ(testing_support::DialogRequests()[0].fileName, "saved.pgn");
}

TEST(SuggestedFileName, FromThePlayersAndTheDateWithNothingAFileNameCannotHold) {
  auto name = [](std::vector<std::pair<std::string, std::string>> tags) {
    record::PgnTags all;
    for (auto& [tag, value] : tags) all.Set(tag, value);
    return game::SuggestedFileName(all);
  };
  EXPECT_EQ(name({{"Red", "许银川"}, {"Black", "吕钦"}, {"Date", "1998.05.01"}}),
            "许银川 — 吕钦 1998.05.01.pgn");
  EXPECT_EQ(name({{"红方", "a/b"}, {"Black", "?"}, {"Date", "????.??.??"}}), "a_b.pgn");
  EXPECT_EQ(name({}), "棋谱.pgn");
  EXPECT_EQ(name({{"Red", ".."}}), "棋谱...pgn");
}

// Each row: a file, and the box it gets (empty: it opens); the game on the board stays when a
// file is refused, and a game with an illegal move opens up to the move before it.
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
      // The moves before the illegal one open, and the box says where it is and why.
      {"illegal.pgn", "[Game \"Chinese Chess\"]\n\n1. 炮二平五 炮８平５\n2. 炮五进九 *\n",
       "第 4 行：着法 炮五进九 不合规则", 2},
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
      if (c.plies != 0) {
        EXPECT_EQ(testing_support::Game().Line().moves.size(), c.plies);
      } else {
        EXPECT_EQ(Position(), before);
      }
    }
  }
}

// A file of several games opens the list: every game with its players and plies, the broken ones
// marked with their lines and reasons, a filter; the game chosen opens.
TEST_F(RecordWindow, SeveralGamesInAFileOfferAChoice) {
  const std::string path = Temp("three.pgn");
  std::ofstream(path) << "[Game \"Chinese Chess\"]\n[Red \"甲\"]\n\n1. 炮二平五 *\n\n"
                         "[Game \"Chinese Chess\"]\n[Red \"乙\"]\n\n1. 兵七进一 卒７进１ *\n\n"
                         "[Game \"Chinese Chess\"]\n[Red \"丙\"]\n\n1. 炮二平五 {没有结束\n\n"
                         "[Red \"丁\"]\n\n1. 相三进五 *\n\n"
                         "[Red \"戊\"]\n\n1. 炮二平五 炮８平５ 2. 炮五进九 *\n";
  testing_support::AnswerDialogs({path});
  const bool driven = testing_support::DriveDialog(
      "GameListDialog",
      [](QWidget& list) {
        auto* table = list.findChild<QTableView*>("GameListTable");
        ASSERT_EQ(table->model()->rowCount(), 5);
        EXPECT_EQ(table->model()->index(1, 1).data().toString(), "乙");
        EXPECT_EQ(table->model()->index(1, 6).data().toString(), "1");  // rounds, not plies
        EXPECT_TRUE(table->model()->index(1, 7).data().toString().isEmpty());
        EXPECT_EQ(table->model()->index(2, 7).data().toString().toStdString(),
                  "第 14 行：注释 { 没有结束的 }");
        EXPECT_EQ(table->model()->index(3, 1).data().toString(), "丁");  // not swallowed
        // An illegal move is found by opening the game, while the list is shown.
        const QModelIndex illegal = table->model()->index(4, 7);
        EXPECT_TRUE(testing_support::WaitFor([&] { return !illegal.data().toString().isEmpty(); }));
        EXPECT_EQ(illegal.data().toString().toStdString(), "第 22 行：着法 炮五进九 不合规则");
        list.findChild<QLineEdit*>("GameListFilter")->setText("乙");
        ASSERT_EQ(table->model()->rowCount(), 1);
        QTest::mouseClick(list.findChild<QPushButton*>("GameListOpen"), Qt::LeftButton);
      },
      [] { game::OpenPgn(testing_support::Window()); });
  EXPECT_TRUE(driven);
  EXPECT_EQ(testing_support::Game().Line().moves.size(), 2u);
  EXPECT_EQ(testing_support::Game().Record().tags.Get("Red"), "乙");
}

// The game of the variation tests: a comment before the first move, a variation with a comment
// at the first move, and a comment after it.
constexpr const char* kStudy =
    "[Game \"Chinese Chess\"]\n[Event \"象棋研究\"]\n[Red \"许银川\"]\n[Black \"吕钦\"]\n\n"
    "{开局前} 1. 炮二平五 {中炮} (1. 兵七进一 {仙人指路}) 1... 马８进７ 2. 马二进三 *\n";

QAbstractItemModel& Moves() {
  return *RecordWidget()->findChild<QTableView*>("SideMoveList")->model();
}

std::string Cell(int row, int column) {
  return Moves().index(row, column).data().toString().toStdString();
}

std::string ShownComment() {
  auto* comment = RecordWidget()->findChild<QPlainTextEdit*>("SideComment");
  return comment->isVisible() ? comment->toPlainText().toStdString() : "";
}

// The record window lists the line with its branch and comment marks, the variations at the
// move shown to choose from, its comment; another move played while replaying is a variation the
// game goes on in.
TEST_F(RecordWindow, ShowsVariationsAndCommentsAndTakesANewVariation) {
  const std::string path = Temp("study.pgn");
  std::ofstream(path) << kStudy;
  testing_support::AnswerDialogs({path});
  game::OpenPgn(testing_support::Window());
  ASSERT_NE(RecordWidget(), nullptr);
  EXPECT_EQ(Cell(0, 1), "炮二平五 ◇※");
  EXPECT_EQ(Cell(1, 1), "马二进三");
  QTest::keyClick(RecordWidget(), Qt::Key_Home);
  EXPECT_EQ(ShownComment(), "开局前");
  auto* choices = RecordWidget()->findChild<QListWidget*>("SideChoiceList");
  ASSERT_TRUE(choices->isVisible());
  ASSERT_EQ(choices->count(), 2);
  EXPECT_EQ(choices->item(1)->text(), "2. 兵七进一");
  const QLabel& title = *RecordWidget()->findChild<QLabel*>("SideChoicesTitle");
  EXPECT_EQ(title.text().toStdString(), "下一步（第 1 回合红方）的变着：");
  QTest::mouseClick(choices->viewport(), Qt::LeftButton, {},
                    choices->visualItemRect(choices->item(1)).center());
  const record::GameTree& tree = testing_support::Game().Record();
  EXPECT_EQ(testing_support::Game().ShownNode(), tree.Children(record::kRootNode)[1]);
  EXPECT_EQ(Cell(0, 1), "兵七进一 ◇※");
  EXPECT_EQ(ShownComment(), "仙人指路");
  EXPECT_EQ(title.text().toStdString(), "第 1 回合红方的变着：");
  // Back at the start, a third opening on the board: a variation of its own, the game in it.
  QTest::keyClick(RecordWidget(), Qt::Key_Home);
  Move(8, 10, 7, 8);  // 马二进三
  EXPECT_FALSE(testing_support::Game().Viewed());
  EXPECT_EQ(tree.Children(record::kRootNode).size(), 3u);
  EXPECT_EQ(Cell(0, 1), "马二进三 ◇");
  EXPECT_EQ(testing_support::Game().Line().moves.size(), 2u);  // and the Computer's answer
  // The graph follows the game, in the variation: its first move is the one just played.
  QWidget& graph = *RecordWidget()->findChild<QWidget*>("SideGraph");
  const QPoint first(graph.width() / 2, 40);
  QHelpEvent help(QEvent::ToolTip, first, graph.mapToGlobal(first));
  QApplication::sendEvent(&graph, &help);
  EXPECT_TRUE(QToolTip::text().startsWith(QString::fromUtf8("第 1 回合红方 马二进三")))
      << QToolTip::text().toStdString();
  QToolTip::hideText();
}

// 升为主线, 删除此变 (asked first), 编辑注释 and 棋局信息 from the record window's menu, each
// taken back with Ctrl+Z there.
TEST_F(RecordWindow, EditsOfTheRecordAreUndoneWithCtrlZ) {
  const std::string path = Temp("edits.pgn");
  std::ofstream(path) << kStudy;
  testing_support::AnswerDialogs({path});
  game::OpenPgn(testing_support::Window());
  game::WindowGame& window = testing_support::Window();
  const record::GameTree& tree = testing_support::Game().Record();
  const record::NodeId variation = tree.Children(record::kRootNode)[1];
  bool agree = false;
  runtime::SetQuestionHandler([&](const std::string&, const std::string&,
                                  const std::vector<std::string>&) -> std::optional<size_t> {
    return agree ? std::optional<size_t>(0) : std::nullopt;
  });
  using Act = std::function<void()>;
  // The action with its dialog answered: `field` typed into, then OK.
  auto typing = [](const char* dialog, const char* field, const char* text, const char* ok) {
    return [=](const Act& act) {
      EXPECT_TRUE(testing_support::DriveDialog(
          dialog,
          [=](QWidget& d) {
            if (auto* line = d.findChild<QLineEdit*>(field)) line->setText(text);
            if (auto* plain = d.findChild<QPlainTextEdit*>(field)) plain->setPlainText(text);
            QTest::mouseClick(d.findChild<QPushButton*>(ok), Qt::LeftButton);
          },
          act));
    };
  };
  auto answering = [&](bool yes) {
    return [&agree, yes](const Act& act) {
      agree = yes;
      act();
    };
  };
  auto children = [&] { return std::to_string(tree.Children(record::kRootNode).size()); };
  struct Case {
    const char* name;
    game::MenuItemId item;
    std::function<void(const Act&)> run;
    std::function<std::string()> state;
    bool changes;
  };
  const Case cases[] = {
      {"升为主线", game::kPromoteItem, answering(true),
       [&] { return std::to_string(tree.Children(record::kRootNode)[0]); }, true},
      {"删除此变, refused", game::kRemoveVariationItem, answering(false), children, false},
      {"删除此变", game::kRemoveVariationItem, answering(true), children, true},
      {"编辑注释", game::kCommentItem,
       typing("CommentDialog", "CommentText", "新的注释", "CommentOk"),
       [&] { return tree.At(variation).comment; }, true},
      {"棋局信息", game::kInfoItem, typing("GameInfoDialog", "Info_Event", "全国赛", "InfoOk"),
       [&] { return tree.tags.Get("Event"); }, true},
  };
  QWidget* record = RecordWidget();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing_support::Game().ViewNode(variation);
    const std::string before = c.state();
    ASSERT_TRUE(game::MenuItemStateOf(window, c.item).enabled);
    c.run([&] { game::ActOnMenuItem(window, c.item); });
    EXPECT_EQ(c.state() != before, c.changes) << c.state();
    // The key works where the record window has the keyboard.
    record->activateWindow();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return QGuiApplication::focusWindow() == record->windowHandle(); }));
    QTest::keyClick(record, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(c.state(), before);
  }
}

// The nodes of two trees, their tags and results left aside (formats keep different tags).
std::string TreeDifference(record::GameTree a, const record::GameTree& b) {
  a.tags = b.tags;
  a.result = b.result;
  return record::FirstDifference(a, b);
}

record::GameTree Opened(const std::string& path) {
  testing_support::AnswerDialogs({path});
  game::OpenPgn(testing_support::Window());
  return testing_support::Game().Record();
}

// A game opened from a file keeps its tags, its comments and its whole tree when saved, with
// what was edited in the window, as PGN or as XQF by the name's ending; the dialog asks before it
// replaces a file.
TEST_F(RecordWindow, SavedAsPgnOrXqfAGameComesBackWhole) {
  const std::string path = Temp("keep.pgn"), xqf = Temp("keep.xqf");
  std::remove(xqf.c_str());
  std::ofstream(path) << kStudy;
  Opened(path);  // with the Computer's answer at its end
  game::Session& game = testing_support::Game();
  ASSERT_TRUE(game.SetComment(game.Record().MainLine()[1], "屏风马"));
  record::PgnTags tags = game.Record().tags;
  tags.Set("Site", "北京");
  ASSERT_TRUE(game.SetInfo(tags, "*"));
  const record::GameTree played = game.Record();
  for (const std::string& target : {path, xqf}) {
    testing_support::AnswerDialogs({target});
    game::SavePgn(testing_support::Window());
    ASSERT_EQ(testing_support::DialogRequests().size(), 1u);
    EXPECT_TRUE(testing_support::DialogRequests()[0].confirmOverwrite);
  }
  const std::string text = ReadText(path);
  EXPECT_NE(text.find("[Event \"象棋研究\"]"), std::string::npos) << text;
  EXPECT_EQ(text.find("人机对局"), std::string::npos) << text;
  EXPECT_EQ(ReadText(xqf).substr(0, 3), std::string("XQ\x0A"));
  for (const std::string& saved : {path, xqf}) {
    SCOPED_TRACE(saved);
    EXPECT_EQ(TreeDifference(Opened(saved), played), "");
    EXPECT_EQ(game.Record().tags.Get("Red"), "许银川");
    EXPECT_EQ(game.Record().tags.Get("Site"), "北京");
  }
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
}

// An XQF file named on the command line opens; 复制棋谱 puts the game on the clipboard as PGN and
// as DhtmlXQ, and 粘贴局面 opens either text, or refuses what is neither a game nor a position.
TEST_F(RecordWindow, XqfFromTheCommandLineAndGamesThroughTheClipboard) {
  const std::string pgn = Temp("clip.pgn"), xqf = Temp("clip.xqf");
  std::ofstream(pgn) << kStudy;
  const record::GameTree study = Opened(pgn);
  std::ofstream(xqf, std::ios::binary) << record::WriteXqf(study);
  testing_support::Game().NewGame();
  ASSERT_TRUE(game::OpenRecordAtStart(testing_support::Window(), xqf.c_str()));
  EXPECT_EQ(TreeDifference(testing_support::Game().Record(), study), "");

  game::ActOnMenuItem(testing_support::Window(), game::kCopyRecordItem);
  const std::string copied = runtime::ClipboardText();
  const std::string block = runtime::ClipboardData("application/x-dhtmlxq");
  EXPECT_NE(copied.find("1. 炮二平五 {中炮}"), std::string::npos) << copied;
  EXPECT_NE(block.find("[DhtmlXQ]"), std::string::npos) << block;
  for (const std::string& text : {block, copied}) {
    testing_support::Game().NewGame();
    runtime::CopyTextToClipboard(text);
    game::ActOnMenuItem(testing_support::Window(), game::kPasteItem);
    EXPECT_EQ(TreeDifference(testing_support::Game().Record(), study), "") << text;
  }
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  runtime::CopyTextToClipboard("不是棋谱");
  game::ActOnMenuItem(testing_support::Window(), game::kPasteItem);
  const std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("剪贴板里不是一个有效的局面"), std::string::npos) << boxes[0];
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
    if (!boxes.empty()) {
      EXPECT_NE(boxes[0].find("黑胜（认输）"), std::string::npos) << boxes[0];
    }
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
