// Analysis and the evaluation graph: the own engine's lines (several by leaving out the earlier
// lines' first moves, scores from red's side), then both through the real main window offscreen:
// the lines in the record window, the arrow over the board that leaves its pixels alone, a
// stepped-back position analysed anew, the game untouched; the graph's scores, its click and the
// marks of mistakes.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTableView>
#include <QTest>
#include <QWindow>
#include <cmath>
#include <cstdlib>
#include <regex>
#include <set>

#include "engine/search.h"
#include "game/analysis/builtin_analysis.h"
#include "game/engine_choice.h"
#include "game/live_analysis.h"
#include "game/outside/option_settings.h"
#include "game/play/engine_bridge.h"
#include "game/score_graph.h"
#include "game/units.h"
#include "game/window_game.h"
#include "runtime/windows/panel_marks.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/game_window.h"
#include "tests/support/picked_line.h"

namespace {

using testing_support::WaitFor;

using analysis::AnalysisLine;

std::vector<AnalysisLine> Analyse(const std::string& fen, int lines, int depth) {
  engine::Searcher searcher;
  std::atomic<bool> stop{false};
  std::vector<AnalysisLine> last;
  int reports = 0;
  analysis::AnalyseWithOwnEngine(
      searcher, *engine::Position::FromFen(fen), lines, stop,
      [&](const std::vector<AnalysisLine>& found) {
        // Whatever the moment, no two lines begin with the same move.
        std::set<std::string> firsts;
        for (const AnalysisLine& line : found) firsts.insert(engine::ToIccs(line.pv.front()));
        EXPECT_EQ(firsts.size(), found.size());
        last = found;
        ++reports;
      },
      depth);
  EXPECT_EQ(reports, depth * int(last.size()));  // each line at each depth
  return last;
}

TEST(OwnEngineAnalysis, SeveralLinesHaveDifferentFirstMovesAndLegalLines) {
  const engine::Position start;
  const std::vector<AnalysisLine> lines = Analyse(engine::kStartFen, 3, 4);
  ASSERT_EQ(lines.size(), 3u);
  std::set<std::string> firsts;
  for (size_t k = 0; k < lines.size(); ++k) {
    EXPECT_EQ(lines[k].multipv, int(k) + 1);
    EXPECT_EQ(lines[k].depth, 4);
    ASSERT_FALSE(lines[k].pv.empty());
    firsts.insert(engine::ToIccs(lines[k].pv.front()));
    engine::Position position = start;
    for (engine::Move move : lines[k].pv) {
      ASSERT_TRUE(position.IsLegal(move)) << engine::ToIccs(move);
      position.MakeMove(move);
    }
    EXPECT_GT(lines[k].nodes, 0);
  }
  EXPECT_EQ(firsts.size(), 3u);
  // Fewer legal moves than lines wanted: one line each. Black's General alone can only step.
  // Fewer legal moves than lines wanted: a line for each. The General facing the other may only
  // step down; in check from the rook it takes it or steps aside.
  EXPECT_EQ(Analyse("3k5/9/9/9/9/9/9/9/9/4K4 b", 3, 2).size(), 1u);
  EXPECT_EQ(Analyse("3k5/3R5/9/9/9/9/9/9/9/5K3 b", 3, 2).size(), 2u);
}

constexpr const char* kRedRookUp = "1nbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w";
constexpr const char* kRedRookUpBlackToMove =
    "1nbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b";
constexpr const char* kBlackRookUp =
    "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABN1 w";

TEST(OwnEngineAnalysis, ScoresAndMatesAreFromRedsSide) {
  struct Case {
    const char* name;
    const char* fen;
    bool redAhead;
    std::optional<int> mate;  // red mates: positive
  };
  const Case cases[] = {
      {"red a rook up, red to move", kRedRookUp, true, {}},
      {"red a rook up, black to move", kRedRookUpBlackToMove, true, {}},
      {"black a rook up, red to move", kBlackRookUp, false, {}},
      {"red mates in one", "3k5/9/4R4/9/9/9/9/9/9/4K4 w", true, 1},
      {"black mates in one", "4k4/9/9/9/9/9/9/4r4/9/3K5 b", false, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<AnalysisLine> lines = Analyse(c.fen, 1, 5);
    ASSERT_EQ(lines.size(), 1u);
    if (c.mate) {
      EXPECT_EQ(lines[0].mate, c.mate);
    } else {
      ASSERT_TRUE(lines[0].score_cp.has_value());
      EXPECT_EQ(*lines[0].score_cp > 0, c.redAhead) << *lines[0].score_cp;
    }
  }
}

TEST(EngineOptionSettings, ReadAsWrittenOrRefusedWithTheItem) {
  using Settings = outside::OptionSettings;
  struct Case {
    const char* text;
    std::optional<Settings> read;
  };
  const Case cases[] = {
      {"", Settings{}},
      {" ; \n ;", Settings{}},
      {"Hash=64", Settings{{"Hash", "64"}}},
      {" Skill Level = 10 ;Threads=2\nPonder=",
       Settings{{"Skill Level", "10"}, {"Threads", "2"}, {"Ponder", ""}}},
      {"EvalFile=a=b.nnue", Settings{{"EvalFile", "a=b.nnue"}}},
      {"Hash 64", std::nullopt},
      {"=64", std::nullopt},
      {"Hash=64; Threads", std::nullopt},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_EQ(outside::ParseOptionSettings(c.text, &error), c.read) << c.text;
    EXPECT_EQ(error.empty(), c.read.has_value()) << c.text;
    if (c.read) {
      EXPECT_EQ(outside::ParseOptionSettings(outside::FormatOptionSettings(*c.read)), c.read);
    }
  }
}

TEST(ScoreGraphMarks, DropsForTheMoverAreMistakesOrBlunders) {
  struct Case {
    double before, after;
    bool redMoved;
    const char* mark;
  };
  const Case cases[] = {
      {0.5, 0.0, true, ""},   {0.5, -1.0, true, "?"},  {0.5, -2.6, true, "??"},
      {0.5, 2.5, true, ""},   {-0.5, 1.0, false, "?"}, {0.0, 3.0, false, "??"},
      {0.0, -5.0, false, ""}, {10.0, 8.6, true, ""},   {-10.0, 10.0, false, "??"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(game::MistakeMark(c.before, c.after, c.redMoved), c.mark)
        << c.before << " -> " << c.after << (c.redMoved ? " red" : " black");

  // Capped, from red's side, a side without a move lost.
  const engine::Position redToMove = *engine::Position::FromFen("3k5/9/9/9/9/9/9/9/9/R3K4 w");
  const engine::Position blackToMove = *engine::Position::FromFen("3k5/9/9/9/9/9/9/9/9/R3K4 b");
  engine::SearchResult result;
  result.best = engine::Move{1, 2};
  result.score = 250;
  EXPECT_DOUBLE_EQ(game::CappedRedScore(redToMove, result), 2.5);
  EXPECT_DOUBLE_EQ(game::CappedRedScore(blackToMove, result), -2.5);
  result.score = engine::kMateScore - 3;
  EXPECT_DOUBLE_EQ(game::CappedRedScore(redToMove, result), game::kGraphCap);
  EXPECT_DOUBLE_EQ(game::CappedRedScore(blackToMove, result), -game::kGraphCap);
  result.best = engine::kNoMove;
  EXPECT_DOUBLE_EQ(game::CappedRedScore(blackToMove, result), game::kGraphCap);
}

QWidget* SideWidget(const char* name) {
  for (QWidget* w : QApplication::topLevelWidgets())
    if (w->objectName() == "SideWindow" && w->isVisible()) return w->findChild<QWidget*>(name);
  return nullptr;
}

class AnalysisWindow : public testing::Test {
 protected:
  void SetUp() override { testing_support::StartGame(); }
  void TearDown() override { testing_support::StopGame(); }
  static void Move(int fromCol, int fromRow, int toCol, int toRow) {
    testing_support::PressSquare(fromCol, fromRow);
    testing_support::PressSquare(toCol, toRow);
  }
  // The analysis has reached `depth` on the position shown.
  static bool Reached(int depth) {
    return WaitFor([depth] {
      const auto lines = testing_support::Window().Analysis().Lines();
      return !lines.empty() && lines.front().depth >= depth;
    });
  }
};

TEST_F(AnalysisWindow, ShowsLinesAndAnArrowWithoutChangingTheBoardOrTheGame) {
  Move(2, 8, 5, 8);  // 炮二平五; the Computer answers inside the move at level 2
  const std::string fen = testing_support::Game().Fen();
  const runtime::Surface board = testing_support::PanelPixels(game::BoardPanel);
  ASSERT_FALSE(testing_support::Window().Windows()->RecordWindowShown());
  testing_support::Window().Analysis().Toggle();
  EXPECT_TRUE(testing_support::Window().Analysis().On());
  EXPECT_TRUE(
      testing_support::Window().Windows()->RecordWindowShown());  // the record window comes with it
  ASSERT_TRUE(Reached(3));

  const std::vector<std::string> notes = testing_support::Window().Analysis().Notes();
  ASSERT_EQ(notes.size(), 1u);
  EXPECT_EQ(notes[0].rfind("分析（内置引擎）  用时 ", 0), 0u) << notes[0];
  // The line as a table's cells: depth, score in pawns, speed in kN/s, the moves one by one in
  // the record's notation (Chinese by default, so a move reads 进, 退 or 平).
  const std::vector<analysis::LineCells> table = testing_support::Window().Analysis().Table();
  ASSERT_EQ(table.size(), 1u);
  EXPECT_EQ(table[0].line, "1");
  EXPECT_GE(std::stoi(table[0].depth), 3);
  EXPECT_TRUE(std::regex_match(table[0].score, std::regex(R"([+-]\d+\.\d\d)"))) << table[0].score;
  EXPECT_TRUE(std::regex_match(table[0].speed, std::regex(R"(\d+ kN/s)"))) << table[0].speed;
  ASSERT_FALSE(table[0].moves.empty());
  for (const std::string& move : table[0].moves)
    EXPECT_TRUE(move == "…" || move.find("进") != std::string::npos ||
                move.find("平") != std::string::npos || move.find("退") != std::string::npos)
        << move;

  // The arrow points from the edge of the best move's piece to its target, over the bitmap, not
  // in it.
  const twoply::Move best = game::FromEngineMove(
      testing_support::Window().Analysis().Lines().front().pv.front(), twoply::Colour::kRed);
  const std::vector<runtime::PanelArrow> arrows = runtime::PanelArrows(game::BoardPanel);
  ASSERT_EQ(arrows.size(), 1u);
  const QPoint from((best.from.col - 1) * 48 + 22, (best.from.row - 1) * 48 + 22);
  const QPoint to((best.to.col - 1) * 48 + 22, (best.to.row - 1) * 48 + 22);
  EXPECT_EQ(QPoint(arrows[0].x2, arrows[0].y2), to);
  const double off = std::hypot(arrows[0].x1 - from.x(), arrows[0].y1 - from.y());
  EXPECT_NEAR(off, 22, 1.5);  // half a piece from its middle, towards the target
  EXPECT_LT(std::hypot(arrows[0].x1 - to.x(), arrows[0].y1 - to.y()),
            std::hypot(from.x() - to.x(), from.y() - to.y()));
  EXPECT_EQ(testing_support::FirstDifference(board, testing_support::PanelPixels(game::BoardPanel)),
            "");
  // On the screen it tints what lies under its shaft, which still shows through.
  QWidget& panel = *runtime::LiveUnit(game::BoardPanel.window, game::BoardPanel.unit)->Widget();
  const QImage screen = panel.grab().toImage();
  if (const char* keep = std::getenv("XQ_KEEP_SCREENSHOT")) screen.save(keep);
  const int mx = (arrows[0].x1 + arrows[0].x2) / 2, my = (arrows[0].y1 + arrows[0].y2) / 2;
  const uint32_t under = board.Pixel(mx, my);
  const QColor shown = screen.pixelColor(mx, my);
  const QColor bitmap(int(under & 0xFF), int((under >> 8) & 0xFF), int((under >> 16) & 0xFF));
  EXPECT_NE(shown, bitmap);
  EXPECT_NE(shown, QColor(0x1E, 0x64, 0xB4));

  // Three lines when asked for.
  testing_support::Window().Analysis().ChooseLineCount(3);
  ASSERT_TRUE(WaitFor([] { return testing_support::Window().Analysis().Lines().size() == 3; }));

  // Off, by its key in the record window, where its lines are: the engine stops, the arrow and
  // the lines go, the game is as it was.
  QWidget* record = SideWidget("SideMenuBar")->window();
  record->windowHandle()->requestActivate();
  ASSERT_TRUE(QTest::qWaitFor(
      [record] { return QGuiApplication::focusWindow() == record->windowHandle(); }));
  QTest::keyClick(record, Qt::Key_A, Qt::ControlModifier);
  EXPECT_FALSE(testing_support::Window().Analysis().On());
  EXPECT_TRUE(runtime::PanelArrows(game::BoardPanel).empty());
  EXPECT_TRUE(testing_support::Window().Analysis().Notes().empty());
  EXPECT_EQ(testing_support::Game().Fen(), fen);
  EXPECT_EQ(testing_support::Game().LineEngineMoves().size(), 2u);
  EXPECT_EQ(testing_support::FirstDifference(board, testing_support::PanelPixels(game::BoardPanel)),
            "");
}

TEST_F(AnalysisWindow, SteppingBackAndMovingRestartIt) {
  Move(2, 8, 5, 8);
  testing_support::Window().Analysis().Toggle();
  ASSERT_TRUE(Reached(2));
  // The start position shown: red to move, and its best move is red's.
  testing_support::Game().View(0);
  EXPECT_TRUE(testing_support::Window().Analysis().Lines().empty());  // what was found for the
                                                                      // other position went
  ASSERT_TRUE(Reached(2));
  engine::Position start;
  EXPECT_TRUE(start.IsLegal(testing_support::Window().Analysis().Lines().front().pv.front()));
  // Back to the game and a move: the new position's lines.
  testing_support::Game().View(99);
  Move(8, 8, 8, 4);  // 炮八进四
  ASSERT_TRUE(Reached(2));
  engine::Position now = testing_support::Game().LineStartPosition();
  for (engine::Move move : testing_support::Game().LineEngineMoves()) now.MakeMove(move);
  EXPECT_TRUE(now.IsLegal(testing_support::Window().Analysis().Lines().front().pv.front()));
  testing_support::Window().Analysis().Toggle();
}

TEST_F(AnalysisWindow, TheGraphScoresEveryPositionAndItsClickStepsThere) {
  testing_support::Window().Analysis().Toggle();  // opens the record window, whose graph this is
  testing_support::Window().Analysis().Toggle();
  Move(2, 8, 5, 8);
  Move(8, 10, 7, 8);
  const size_t positions = testing_support::Game().LineEngineMoves().size() + 1;
  ASSERT_TRUE(WaitFor([&] {
    const auto scores = testing_support::Window().Graph().LineScores();
    return !testing_support::Window().Graph().Busy() && scores.size() == positions &&
           std::all_of(scores.begin(), scores.end(), [](auto s) { return s.has_value(); });
  }));
  for (const auto& score : testing_support::Window().Graph().LineScores())
    EXPECT_LE(std::abs(*score), game::kGraphCap);

  QWidget* graph = SideWidget("SideGraph");
  ASSERT_NE(graph, nullptr);
  ASSERT_TRUE(graph->isVisible());
  QTest::mouseClick(graph, Qt::LeftButton, {}, QPoint(1, graph->height() / 2));
  EXPECT_EQ(testing_support::Game().Viewed(), std::optional<size_t>(0));

  // A take-back keeps the scores of the positions that stay.
  testing_support::Game().View(99);
  const auto before = testing_support::Window().Graph().LineScores();
  testing_support::Game().TakeBack();
  const auto after = testing_support::Window().Graph().LineScores();
  ASSERT_EQ(after.size(), before.size() - 2);
  EXPECT_EQ(after[0], before[0]);
  EXPECT_EQ(after[1], before[1]);
}

TEST_F(AnalysisWindow, ALongLineIsScoredWholeThoughItChangesWhileScored) {
  testing_support::Window().Windows()->ToggleRecordWindow();
  // 40 plies picked by a fixed rule among the legal ones: the searches share the line out.
  testing_support::Game().NewGame();
  const twoply::BoardArray start = twoply::Board;
  const std::vector<twoply::Move> moves = testing_support::PickedLine(40, 7);
  testing_support::Game().LoadGame(start, twoply::Human, moves, game::Outcome{});
  auto complete = [] {
    const auto scores = testing_support::Window().Graph().LineScores();
    return !testing_support::Window().Graph().Busy() &&
           std::all_of(scores.begin(), scores.end(), [](auto s) { return s.has_value(); });
  };
  // Cut short while the searches go on: those past the new end are dropped, the rest go on.
  ASSERT_TRUE(
      WaitFor([] { return testing_support::Window().Graph().LineScores()[3].has_value(); }));
  testing_support::Game().TakeBack();
  const size_t positions = testing_support::Game().LineEngineMoves().size() + 1;
  ASSERT_TRUE(WaitFor(complete));
  ASSERT_EQ(testing_support::Window().Graph().LineScores().size(), positions);
  const std::vector<int> depths = testing_support::Window().Graph().LineScoreDepths();
  ASSERT_EQ(depths.size(), positions);
  for (size_t i = 0; i < positions; ++i) EXPECT_GT(depths[i], 0) << "position " << i;
}

TEST_F(AnalysisWindow, AMoveThatHangsARookIsMarkedABlunderInTheRecord) {
  testing_support::Window().Windows()->ToggleRecordWindow();
  ASSERT_EQ(testing_support::Game().Paste("1r3k3/9/9/9/9/R8/9/9/9/4K4 w"), std::nullopt);
  Move(1, 6, 2, 6);  // the rook onto the file of black's, which takes it
  ASSERT_EQ(testing_support::Game().LineEngineMoves().size(), 2u);
  ASSERT_TRUE(WaitFor([] {
    const auto scores = testing_support::Window().Graph().LineScores();
    return !testing_support::Window().Graph().Busy() && scores.size() == 3 &&
           std::all_of(scores.begin(), scores.end(), [](auto s) { return s.has_value(); });
  }));
  EXPECT_EQ(testing_support::Window().Graph().MoveMark(0), "??");
  EXPECT_EQ(testing_support::Window().Graph().MoveMark(1), "");  // taking it loses nothing
  auto* list = dynamic_cast<QTableView*>(SideWidget("SideMoveList"));
  ASSERT_NE(list, nullptr);
  const QString red = list->model()->index(0, 1).data().toString();
  EXPECT_TRUE(red.endsWith("??")) << red.toStdString();
  EXPECT_FALSE(list->model()->index(0, 2).data().toString().endsWith("?"));
}

TEST_F(AnalysisWindow, OutsideEnginesAnalyseThroughTheirProcessesAndAFailureFallsBack) {
  struct Case {
    std::string command;
    size_t lines;  // with three asked for: both offer MultiPV
  };
  const Case cases[] = {{"/usr/games/fairy-stockfish", 3},
                        {std::string(XQ_BINARY_DIR) + "/cli/xiangqi-cli uci", 3}};
  testing_support::Window().Analysis().ChooseLineCount(3);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    game::SaveEngines({{"", c.command, std::nullopt, ""}});
    game::ChooseAnalystEngine(1);
    testing_support::Window().Analysis().AnalystChoiceChanged();
    testing_support::Window().Analysis().Toggle();
    ASSERT_TRUE(WaitFor([&] {
      const auto lines = testing_support::Window().Analysis().Lines();
      return lines.size() == c.lines && lines.back().depth >= 3;
    }));
    EXPECT_EQ(testing_support::Window().Analysis().Notes()[0].find("分析（内置引擎）"),
              std::string::npos);
    EXPECT_TRUE(WaitFor([] { return runtime::PanelArrows(game::BoardPanel).size() == 1; }));
    testing_support::Window().Analysis().Toggle();
  }
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());

  // An analyst that dies when asked to search: named once, and the built-in engine analyses.
  game::SaveEngines(
      {{"坏引擎", "sh '" + std::string(XQ_SOURCE_DIR) + "/tests/support/fake_engine.sh' exit",
        std::nullopt, ""}});
  testing_support::Window().Analysis().AnalystChoiceChanged();
  testing_support::Window().Analysis().Toggle();
  std::vector<std::string> boxes;
  ASSERT_TRUE(WaitFor([&] {
    for (std::string& box : testing_support::TakeMessageBoxes()) boxes.push_back(box);
    return !boxes.empty();
  }));
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].find("引擎 坏引擎 意外退出"), std::string::npos) << boxes[0];
  ASSERT_TRUE(Reached(2));
  EXPECT_EQ(testing_support::Window().Analysis().Notes()[0].rfind("分析（内置引擎）", 0), 0u);
  testing_support::Window().Analysis().Toggle();
}

}  // namespace
