// Saving and opening game records through the main window's buttons and the file dialog, and
// opening one named when the program starts.
#include "game/record_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "game/board_drawing.h"
#include "game/controller.h"
#include "game/play/session.h"
#include "game/twoply/position_text.h"
#include "game/units.h"
#include "game/window_host.h"
#include "runtime/lifecycle.h"
#include "tests/support/engine_positions.h"
#include "tests/support/game_window.h"

namespace {

namespace fs = std::filesystem;
using testing_support::AnswerDialogs;
using testing_support::Caption;
using testing_support::ClickButton;
using testing_support::DialogRequests;
using testing_support::FirstDifference;
using testing_support::PanelPixels;
using testing_support::PressSquare;

const std::string kHeader = "\xcf\xf3\xc6\xe5\xc6\xe5\xbe\xd6";

class RecordFile : public testing::Test {
 protected:
  void SetUp() override {
    folder_ =
        fs::temp_directory_path() / ("xq-records-" + std::to_string(::getpid()) + "-" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    testing_support::StartGame();
  }
  void TearDown() override {
    testing_support::StopGame();
    fs::remove_all(folder_);
  }

  std::string Path(const std::string& name) const { return (folder_ / name).string(); }
  void Write(const std::string& name, const std::string& bytes) const {
    std::ofstream(folder_ / name, std::ios::binary) << bytes;
  }
  std::string Read(const std::string& name) const {
    std::ifstream in(folder_ / name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  void Open(const std::string& name) {
    AnswerDialogs({Path(name)});
    ClickButton(game::OpenButton);
  }
  void Save(const std::string& name) {
    AnswerDialogs({Path(name)});
    ClickButton(game::SaveButton);
  }
  static std::string Position() { return twoply::FormatFen(twoply::Board, twoply::Human); }
  // A 98-byte record of a FEN.
  static std::string RecordOf(const char* fen) {
    twoply::BoardArray board = testing_support::Fen(fen);
    std::string bytes = kHeader;
    for (int32_t row = 1; row <= twoply::kRows; ++row)
      for (int32_t col = 1; col <= twoply::kCols; ++col) bytes += char(board(row, col));
    return bytes;
  }

  fs::path folder_;
};

TEST_F(RecordFile, SavedAndOpenedThroughTheDialogOpeningChangesOnlyTheBoard) {
  Save("start.ces");
  ASSERT_EQ(DialogRequests().size(), 1u);
  const runtime::FileDialogRequest& asked = DialogRequests()[0];
  EXPECT_TRUE(asked.save && asked.fileMustExist && asked.confirmOverwrite);
  EXPECT_EQ(asked.title, "保存棋局");
  EXPECT_EQ(Read("start.ces"), RecordOf(testing_support::kStartFen));

  PressSquare(2, 8);
  PressSquare(5, 8);
  const std::string saved = Position();
  Save("game.ces");
  ClickButton(game::NewGameButton);
  PressSquare(8, 8);  // a selection in progress survives the opening
  Open("game.ces");
  EXPECT_FALSE(DialogRequests()[0].save);
  EXPECT_EQ(DialogRequests()[0].title, "打开象棋棋局");
  EXPECT_EQ(Position(), saved);
  EXPECT_EQ(testing_support::Game().Turn().StepCount, 0);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 1);
  EXPECT_TRUE((testing_support::Game().Turn().SelectedSquare == twoply::Square{8, 8}));
  EXPECT_EQ(Caption(game::StepLabel), "步数:");
  EXPECT_EQ(
      FirstDifference(testing_support::ExpectedBoard(twoply::Board), PanelPixels(game::BoardPanel)),
      "");
}

TEST_F(RecordFile, CancelledDialogsDoNothing) {
  AnswerDialogs({std::nullopt, std::nullopt});
  ClickButton(game::SaveButton);
  ClickButton(game::OpenButton);
  EXPECT_EQ(DialogRequests().size(), 2u);
  EXPECT_TRUE(fs::is_empty(folder_));
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
}

TEST_F(RecordFile, UnusableRecordsLeaveBoardAndScreenAsTheyWere) {
  const std::string good = RecordOf(testing_support::kStartFen);
  std::string unknownCode = good, highCode = good, zeroInHeader = good;
  unknownCode[8 + 40] = 15;
  highCode[97] = char(255);
  zeroInHeader[4] = 0;
  const std::pair<const char*, std::string> files[] = {
      {"empty", ""},
      {"seven bytes", kHeader.substr(0, 7)},
      {"header only", kHeader},
      {"89 squares", good.substr(0, 97)},
      {"wrong header", "XIANGQI!" + good.substr(8)},
      {"zero in the header", zeroInHeader},
      {"code 15", unknownCode},
      {"code 255", highCode},
  };
  twoply::Board(5, 5) = twoply::kHumanCodeOffset + twoply::Chariot;
  game::RedrawBoard();
  PressSquare(5, 5);
  const std::string position = Position();
  const runtime::Surface screen = PanelPixels(game::BoardPanel);
  // The button passes over a file it cannot use without a word; the same file named on the
  // command line, where nothing else would tell, says why under the button's caption.
  const std::string refused = "读取棋局|棋局没有打开。\n";
  auto expectOneBox = [&](const std::string& reason, const char* name) {
    std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << name;
    EXPECT_EQ(boxes[0].substr(0, refused.size()), refused) << name;
    if (!reason.empty()) {
      EXPECT_EQ(boxes[0].substr(refused.size()), reason) << name;
    }
    EXPECT_GT(boxes[0].size(), refused.size()) << name << ": the reason is missing";
  };
  Open("missing.ces");
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  EXPECT_FALSE(game::OpenRecordAtStart(testing_support::Window(), Path("missing.ces").c_str()));
  expectOneBox("", "missing");
  for (const auto& [name, bytes] : files) {
    Write("bad.ces", bytes);
    Open("bad.ces");
    const std::string reason = std::string(name).starts_with("code") ? "棋局中有未知的棋子代码。"
                               : name == std::string("89 squares") ? "棋局不完整：不足 90 个棋位。"
                                                                   : "这不是象棋棋局文件。";
    EXPECT_TRUE(testing_support::TakeMessageBoxes().empty()) << name;
    EXPECT_EQ(Position(), position) << name;
    EXPECT_EQ(FirstDifference(screen, PanelPixels(game::BoardPanel)), "") << name;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(game::OpenRecordAtStart(testing_support::Window(), Path("bad.ces").c_str()))
        << name;
    const std::string line = testing::internal::GetCapturedStderr();
    EXPECT_EQ(line, "xiangqi: " + Path("bad.ces") + ": 棋局没有打开：" + reason + "\n");
    expectOneBox(reason, name);
  }
}

TEST_F(RecordFile, ALongerRecordOpensAndAnEndedGameStaysEnded) {
  // A game ended on the board: the Computer resigned.
  testing_support::Game().LoadGame(twoply::Board, twoply::Human, {},
                                   game::Outcome{game::Winner::kHuman, game::Ending::kResigned});
  Write("long.ces", RecordOf("4k4/9/9/9/9/9/9/9/9/3KR4") + std::string(30, '\7'));
  Open("long.ces");
  EXPECT_EQ(Position(), "4k4/9/9/9/9/9/9/9/9/3KR4 w");
  PressSquare(5, 10);
  EXPECT_EQ(testing_support::Game().Turn().PieceSelected, 0);
  EXPECT_EQ(testing_support::Game().Turn().GameOver, 1);
}

TEST_F(RecordFile, AFailedSaveSaysWhyUnderTheSaveCaption) {
  Save("no-such-folder/game.ces");
  std::vector<std::string> boxes = testing_support::TakeMessageBoxes();
  ASSERT_EQ(boxes.size(), 1u);
  const std::string start = "保存棋局|棋局没有保存。\n";
  EXPECT_EQ(boxes[0].substr(0, start.size()), start);
  EXPECT_GT(boxes[0].size(), start.size()) << "the system's reason is missing";
  Save("fine.ces");
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
}

TEST_F(RecordFile, ARecordNamedAtStartOpensFromTheStartingFolder) {
  Write("named.ces", RecordOf("4k4/9/9/9/9/9/9/9/9/3KR4"));
  const std::filesystem::path previous = std::filesystem::current_path();
  std::filesystem::current_path(folder_);  // where the program was started
  // The runtime remembers that folder and moves into the program's own, so the name is found only
  // if it is taken from the folder remembered.
  runtime::InitRuntime(0, nullptr);
  ASSERT_NE(std::filesystem::current_path(), folder_);
  ASSERT_FALSE(std::filesystem::exists("named.ces"));
  EXPECT_TRUE(game::OpenRecordAtStart(testing_support::Window(), "named.ces"));
  std::filesystem::current_path(previous);
  EXPECT_EQ(Position(), "4k4/9/9/9/9/9/9/9/9/3KR4 w");
  EXPECT_TRUE(testing_support::TakeMessageBoxes().empty());
  testing::internal::CaptureStderr();
  EXPECT_FALSE(game::OpenRecordAtStart(testing_support::Window(), ""));
  EXPECT_FALSE(game::OpenRecordAtStart(testing_support::Window(), nullptr));
  EXPECT_EQ(testing::internal::GetCapturedStderr().find("xiangqi: : "), 0u);
  EXPECT_EQ(testing_support::TakeMessageBoxes().size(), 1u);
  testing_support::StopGame();
  EXPECT_EQ(testing_support::Host().Game(), nullptr);  // the game went with its window
  testing_support::StartGame();
}

}  // namespace
