// The game's other unit types: the transparent label, the link, the file dialog unit, the
// interface look and the about window's label and picture.
#include <gtest/gtest.h>

#include <QEnterEvent>
#include <QPushButton>
#include <QTest>

#include "runtime/system/file_dialog.h"
#include "runtime/system/web_opener.h"
#include "runtime/text_codec.h"
#include "runtime/windows/hyperlinker.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/window_harness.h"

using namespace testing_support;
using runtime::Gb;

namespace {

class Units : public ::testing::Test {
 protected:
  void SetUp() override {
    StartWindows();
    runtime::LoadStartWindow(kMainWindow);
  }
  void TearDown() override {
    runtime::SetDesktopOpener({});
    runtime::SetCommandStarter({});
    runtime::SetFileDialogHandler({});
    runtime::SetInterfaceStyle(0);
    StopWindows();
  }
};

// The main window's pixels around a unit, as a person would see them.
QImage AroundUnit(const runtime::UnitRef& ref) {
  QWidget& unit = WidgetOf(ref);
  return WindowOf(ref.window).grab(unit.geometry().adjusted(-2, -2, 2, 2)).toImage();
}

bool HasColour(const QImage& image, uint32_t bgr) {
  const QColor want(int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF));
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (image.pixelColor(x, y).rgb() == want.rgb()) return true;
  return false;
}

TEST_F(Units, ATransparentLabelLeavesNoTraceOfItsOldText) {
  runtime::SetTextProperty(kStepLabel, 8, runtime::Text(Gb("步数:12")));
  runtime::SetTextProperty(kStepLabel, 8, runtime::Text(Gb("步数:1")));
  const QImage rewritten = AroundUnit(kStepLabel);
  StopWindows();
  StartWindows();
  runtime::LoadStartWindow(kMainWindow);
  runtime::SetTextProperty(kStepLabel, 8, runtime::Text(Gb("步数:1")));
  EXPECT_EQ(rewritten, AroundUnit(kStepLabel));
  runtime::SetTextProperty(kStepLabel, 8, runtime::Text(Gb("步数:12")));
  EXPECT_NE(rewritten, AroundUnit(kStepLabel));
}

TEST_F(Units, TheLinkHoversOpensItsAddressAndShowsItWasVisited) {
  auto& link = dynamic_cast<runtime::HyperLinker&>(LiveUnitOf(kLink));
  EXPECT_TRUE(HasColour(AroundUnit(kLink), 0xFF0000));
  QEnterEvent enter(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
  QCoreApplication::sendEvent(&link, &enter);
  EXPECT_TRUE(HasColour(AroundUnit(kLink), 0x6A240A));

  std::vector<std::string> opened;
  runtime::SetDesktopOpener([&](const std::string& address) {
    opened.push_back(address);
    return false;
  });
  std::vector<std::string> started;
  runtime::SetCommandStarter([&](const std::string& command) {
    started.push_back(command);
    return false;
  });
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(opened, std::vector<std::string>{"https://velmora.example/"});
  EXPECT_FALSE(link.Visited());  // neither the desktop nor a browser took it

  runtime::SetDesktopOpener([&](const std::string& address) {
    opened.push_back(address);
    return true;
  });
  QTest::mouseClick(&link, Qt::LeftButton, {}, QPoint(10, 10));
  EXPECT_EQ(opened.size(), 2u);
  EXPECT_TRUE(link.Visited());
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(&link, &leave);
  EXPECT_TRUE(HasColour(AroundUnit(kLink), 0x000080));
  EXPECT_EQ(link.cursor().hotSpot(), QPoint(6, 1));
}

TEST_F(Units, TheDialogUnitDescribesItsDialogAndKeepsTheChosenName) {
  std::vector<runtime::FileDialogRequest> asked;
  std::optional<std::string> answer = "/tmp/对局.ces";
  runtime::SetFileDialogHandler([&](const runtime::FileDialogRequest& r) {
    asked.push_back(r);
    return answer;
  });
  runtime::SetIntegerProperty(kDialog, 8, 1);
  runtime::SetTextProperty(kDialog, 9, runtime::Text(Gb("保存棋局")));
  EXPECT_TRUE(runtime::OpenDialog(kDialog));
  EXPECT_EQ(runtime::GetTextProperty(kDialog, 10).View(), Gb("/tmp/对局.ces"));

  answer.reset();  // cancelled: the name stays
  runtime::SetIntegerProperty(kDialog, 8, 0);
  EXPECT_FALSE(runtime::OpenDialog(kDialog));
  EXPECT_EQ(runtime::GetTextProperty(kDialog, 10).View(), Gb("/tmp/对局.ces"));

  ASSERT_EQ(asked.size(), 2u);
  EXPECT_TRUE(asked[0].save);
  EXPECT_EQ(asked[0].title, "保存棋局");
  EXPECT_EQ(asked[0].fileName, "");
  EXPECT_EQ(asked[0].filters,
            (std::vector<runtime::FileFilter>{{"象棋棋局文件（*.ces）", "*.ces"}}));
  EXPECT_EQ(asked[0].defaultExtension, ".ces");
  EXPECT_TRUE(asked[0].fileMustExist && asked[0].confirmOverwrite && asked[0].pathMustExist);
  EXPECT_FALSE(asked[1].save);
  EXPECT_EQ(asked[1].fileName, "/tmp/对局.ces");  // the previous choice is offered again
}

TEST_F(Units, TheInterfaceLookComesAndGoesOnEveryButton) {
  auto& button = dynamic_cast<QPushButton&>(WidgetOf(kNewGameButton));
  QStyle* plain = button.style();
  const QImage before = button.grab().toImage();
  EXPECT_TRUE(runtime::SetInterfaceStyle(1));
  EXPECT_NE(button.style(), plain);
  EXPECT_NE(button.grab().toImage(), before);
  EXPECT_TRUE(runtime::SetInterfaceStyle(3));
  EXPECT_FALSE(runtime::SetInterfaceStyle(9));
  EXPECT_EQ(button.style(), plain);
  EXPECT_EQ(button.grab().toImage(), before);
}

TEST_F(Units, TheAboutWindowShowsItsPictureAndWrapsItsText) {
  ASSERT_TRUE(runtime::LoadWindow(kAbout, true));
  runtime::WindowUnit& about = WindowOf(kAboutWindow);
  EXPECT_EQ(about.size(), QSize(379, 281));
  const runtime::UnitRef label{kAboutWindow, 0x1601054d, runtime::unit_type::kLabel};
  runtime::SetTextProperty(label, 8,
                           runtime::Text(Gb("一二三四五六七八九十一二三四五六七八九十一二三四五")));
  // Wrapped: ink on the second line, none on the first line's far right beyond the label.
  const QImage text = WidgetOf(label).grab().toImage();
  bool secondLine = false;
  for (int x = 0; x < text.width(); ++x) secondLine |= text.pixelColor(x, 30).lightness() < 100;
  EXPECT_TRUE(secondLine);
  // A line cut at the edge instead of wrapped would have ink up to the last column.
  for (int y = 0; y < 20; ++y)
    for (int x = text.width() - 4; x < text.width(); ++x)
      ASSERT_GE(text.pixelColor(x, y).lightness(), 100) << x << "," << y;
}

}  // namespace
