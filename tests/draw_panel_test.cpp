// The drawing panel and its commands: the line rules, the raster modes, copying between panels,
// transparent pictures, clearing and the redraw lock, on the game's own panels.
#include <gtest/gtest.h>

#include <QTest>
#include <array>
#include <fstream>
#include <iterator>
#include <limits>
#include <random>
#include <set>

#include "runtime/pictures/picture_commands.h"
#include "runtime/windows/properties.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/window_harness.h"

using namespace testing_support;

namespace {

constexpr uint32_t kGrey = 0xC0C0C0;  // the panels' background colour

class Panels : public ::testing::Test {
 protected:
  void SetUp() override {
    StartWindows();
    runtime::LoadStartWindow(kMainWindow);
  }
  void TearDown() override { StopWindows(); }
};

using Pixels = std::set<std::pair<int, int>>;

// The pixels of a surface that differ from the background colour.
Pixels Drawn(const runtime::Surface& s) {
  Pixels drawn;
  for (int y = 0; y < s.Height(); ++y)
    for (int x = 0; x < s.Width(); ++x)
      if (s.Pixel(x, y) != kGrey) drawn.insert({x, y});
  return drawn;
}

Pixels Box(int x0, int y0, int x1, int y1) {  // inclusive corners
  Pixels p;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) p.insert({x, y});
  return p;
}

TEST_F(Panels, LinesLandOnThePixelsOfTheLineRulesEvenOnAHiddenPanel) {
  struct Case {
    int width, x1, y1, x2, y2;
    Pixels expected;
  };
  const Case cases[] = {
      {0, 10, 20, 30, 20, Box(10, 20, 29, 20)},  // the end point is left out
      {1, 10, 20, 10, 30, Box(10, 20, 10, 29)},
      {2, 10, 20, 30, 20, Box(9, 19, 30, 20)},  // a 2 x 2 square at every point
      {3, 10, 20, 30, 20, Box(9, 19, 31, 21)},
      {3, 19, 19, 19, 40, Box(18, 18, 20, 41)},
      {1, 0, 0, 5, 5, Pixels{{0, 0}, {1, 1}, {2, 2}, {3, 3}, {4, 4}}},
      {1, 7, 7, 7, 7, Pixels{}},  // a line of one point draws nothing
  };
  runtime::DrawPanel& panel = PanelOf(kCleanPanel);
  ASSERT_FALSE(panel.isVisible());
  for (const Case& c : cases) {
    runtime::Clear(kCleanPanel);
    runtime::SetIntegerProperty(kCleanPanel, 16, c.width);
    runtime::DrawLine(kCleanPanel, c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(Drawn(panel.Bitmap()), c.expected) << "width " << c.width << " from " << c.x1;
  }
  // Dotted: three on, three off.
  runtime::Clear(kCleanPanel);
  runtime::SetIntegerProperty(kCleanPanel, 16, 1);
  runtime::SetIntegerProperty(kCleanPanel, 14, runtime::kDotPen);
  runtime::DrawLine(kCleanPanel, 0, 0, 12, 0);
  EXPECT_EQ(Drawn(panel.Bitmap()), (Pixels{{0, 0}, {1, 0}, {2, 0}, {6, 0}, {7, 0}, {8, 0}}));
}

// The error-term walk of a line inside w x h: one pixel a point without the end point, or a square
// of the pen's width at every point.
Pixels WalkedLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, int pen, int w, int h) {
  Pixels p;
  const int64_t dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int64_t sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  for (int64_t err = dx + dy, x = x1, y = y1;;) {
    if (pen == 1 && x == x2 && y == y2) break;
    for (int64_t py = y - pen / 2; py < y - pen / 2 + pen; ++py)
      for (int64_t px = x - pen / 2; px < x - pen / 2 + pen; ++px)
        if (px >= 0 && py >= 0 && px < w && py < h) p.insert({int(px), int(py)});
    if (x == x2 && y == y2) break;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) err += dy, x += sx;
    if (e2 <= dx) err += dx, y += sy;
  }
  return p;
}

TEST_F(Panels, LinesFollowTheErrorTermWalkAndFarEndsAreClippedFirst) {
  runtime::DrawPanel& panel = PanelOf(kCleanPanel);
  const int w = panel.Bitmap().Width(), h = panel.Bitmap().Height();
  std::mt19937 random(7);
  std::uniform_int_distribution<int> coordinate(-80, 520);
  for (int i = 0; i < 300; ++i) {
    const int pen = std::array{1, 1, 2, 3, 8}[size_t(i) % 5];
    const int x1 = coordinate(random), y1 = coordinate(random);
    const int x2 = coordinate(random), y2 = coordinate(random);
    runtime::Clear(kCleanPanel);
    runtime::SetIntegerProperty(kCleanPanel, 16, pen);
    runtime::DrawLine(kCleanPanel, x1, y1, x2, y2);
    ASSERT_EQ(Drawn(panel.Bitmap()), WalkedLine(x1, y1, x2, y2, pen, w, h))
        << pen << ": " << x1 << "," << y1 << " " << x2 << "," << y2;
  }
  // Ends billions of pixels away: only the part on the panel is worked out (a walk from end to
  // end would not finish), and the arithmetic stays in range.
  constexpr int kMin = std::numeric_limits<int32_t>::min(),
                kMax = std::numeric_limits<int32_t>::max();
  struct Far {
    int width, x1, y1, x2, y2;
    Pixels expected;
  };
  Pixels diagonal;
  for (int i = 0; i < std::min(w, h); ++i) diagonal.insert({i, i});
  const Far cases[] = {
      {1, 0, 0, kMax, kMax, diagonal},
      {1, kMin, kMin, kMax, kMax, diagonal},
      {1, kMax, kMax, kMin, kMin, diagonal},
      {5, kMin, 20, kMax, 20, Box(0, 18, w - 1, 22)},
      {3, 10, kMax, 10, kMin, Box(9, 0, 11, h - 1)},
      {32767, kMin, kMin, kMax, kMax, Box(0, 0, w - 1, h - 1)},
      {1, kMin, kMax, kMin, kMin, Pixels{}},
  };
  for (const Far& c : cases) {
    runtime::Clear(kCleanPanel);
    runtime::SetIntegerProperty(kCleanPanel, 16, c.width);
    runtime::DrawLine(kCleanPanel, c.x1, c.y1, c.x2, c.y2);
    EXPECT_EQ(Drawn(panel.Bitmap()), c.expected) << "width " << c.width << " from " << c.x1;
  }
}

TEST(PenModes, TwoOperandCodesCombinePenAndTarget) {
  struct Case {
    int32_t code;
    uint32_t pen, target, result;
  };
  for (Case c : {Case{1, 0x123456, 0xABCDEF, 0x000000}, Case{16, 0x123456, 0xABCDEF, 0xFFFFFF},
                 Case{13, 0x123456, 0xABCDEF, 0x123456}, Case{11, 0x123456, 0xABCDEF, 0xABCDEF},
                 Case{7, 0xFF00FF, 0x0F0F0F, 0xF00FF0}, Case{6, 0x000000, 0x0F0F0F, 0xF0F0F0},
                 Case{9, 0xFF00FF, 0x0F0F0F, 0x0F000F}, Case{15, 0xFF0000, 0x0000FF, 0xFF00FF},
                 Case{4, 0x0000FF, 0x123456, 0xFFFF00}})
    EXPECT_EQ(runtime::ApplyPenMode(c.code, c.pen, c.target), c.result) << c.code;
}

TEST_F(Panels, CopyToIsPixelExactAndClipsToTheTarget) {
  runtime::DrawPanel& board = PanelOf(kBoardPanel);
  runtime::DrawPanel& buffer = PanelOf(kBufferPanel);
  runtime::SetIntegerProperty(kBoardPanel, 16, 1);
  runtime::DrawLine(kBoardPanel, 20, 30, 90, 75);
  runtime::CopyTo(kBoardPanel, 24, 24, 48, 48, kBufferPanel, 0, 0);
  for (int y = 0; y < 44; ++y)
    for (int x = 0; x < 44; ++x)
      ASSERT_EQ(buffer.Bitmap().Pixel(x, y), board.Bitmap().Pixel(24 + x, 24 + y)) << x << "," << y;

  // Within one panel, overlapping: the source is read before it is overwritten.
  const runtime::Surface before = board.Bitmap();
  runtime::CopyTo(kBoardPanel, 0, 0, 100, 100, kBoardPanel, 10, 10);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      ASSERT_EQ(board.Bitmap().Pixel(10 + x, 10 + y), before.Pixel(x, y)) << x << "," << y;

  // Nothing for empty sizes or a source wholly outside.
  const runtime::Surface kept = buffer.Bitmap();
  runtime::CopyTo(kBoardPanel, 0, 0, 0, 10, kBufferPanel, 0, 0);
  runtime::CopyTo(kBoardPanel, 500, 0, 10, 10, kBufferPanel, 0, 0);
  for (int y = 0; y < 44; ++y)
    for (int x = 0; x < 44; ++x) ASSERT_EQ(buffer.Bitmap().Pixel(x, y), kept.Pixel(x, y));
}

TEST_F(Panels, TransparentPictureKeepsTheBackgroundWhereItIsWhite) {
  std::ifstream in(std::string(XQ_SOURCE_DIR) + "/assets/sprites/piece08.gif", std::ios::binary);
  const std::vector<uint8_t> gif{std::istreambuf_iterator<char>(in), {}};
  const int32_t handle = runtime::RegisterPicture(runtime::LoadPictureFromMemory(gif));
  ASSERT_NE(handle, 0);
  const std::vector<uint32_t> sprite = runtime::PictureColours(*runtime::PictureForHandle(handle));

  runtime::Clear(kBufferPanel);
  runtime::DrawPicture(kBufferPanel, handle, 0, 0, 44, 44, -0xFFFFFF);
  const runtime::Surface& s = PanelOf(kBufferPanel).Bitmap();
  int kept = 0;
  for (int y = 0; y < 44; ++y)
    for (int x = 0; x < 44; ++x) {
      const uint32_t want = sprite[size_t(y * 44 + x)];
      EXPECT_EQ(s.Pixel(x, y), want == 0xFFFFFF ? kGrey : want);
      kept += want == 0xFFFFFF;
    }
  EXPECT_GT(kept, 100);  // the corners around the disc

  runtime::DrawPicture(kBufferPanel, 987654, 0, 0);  // not a picture: nothing happens
  runtime::UnloadPicture(handle);
}

TEST_F(Panels, ClearPutsBackTheBackgroundOfThatPlaceOnly) {
  runtime::DrawPanel& board = PanelOf(kBoardPanel);
  const runtime::Surface picture = board.Bitmap();
  runtime::SetIntegerProperty(kBoardPanel, 16, 5);
  runtime::DrawLine(kBoardPanel, 0, 50, 435, 50);
  runtime::Clear(kBoardPanel, 100, 40, 50, 20);
  for (int y = 40; y < 60; ++y)
    for (int x = 0; x < 436; ++x) {
      const bool cleared = x >= 100 && x < 150;
      if (cleared || y < 48 || y > 52)
        ASSERT_EQ(board.Bitmap().Pixel(x, y), picture.Pixel(x, y));
      else
        ASSERT_EQ(board.Bitmap().Pixel(x, y), 0u);
    }
}

TEST_F(Panels, TheScreenShowsTheBitmapAndTheRedrawLockHoldsOneWindowForItsOwner) {
  runtime::SetIntegerProperty(kBoardPanel, 16, 3);
  runtime::DrawLine(kBoardPanel, 19, 19, 413, 19);
  QImage shown = WidgetOf(kBoardPanel).grab().toImage().convertToFormat(QImage::Format_RGB32);
  const runtime::Surface& bitmap = PanelOf(kBoardPanel).Bitmap();
  for (int y = 10; y < 30; ++y)
    for (int x = 0; x < 436; x += 7) {
      QRgb p = shown.pixel(x, y);
      ASSERT_EQ(uint32_t(qRed(p)) | uint32_t(qGreen(p)) << 8 | uint32_t(qBlue(p)) << 16,
                bitmap.Pixel(x, y));
    }

  runtime::DisableRedraw(kBoardPanel);
  EXPECT_FALSE(WidgetOf(kBoardPanel).updatesEnabled());
  runtime::DisableRedraw(kNewGameButton);  // refused while the board holds the lock
  EXPECT_TRUE(WidgetOf(kNewGameButton).updatesEnabled());
  runtime::AllowRedraw(kNewGameButton);  // the lock is the board's: another unit cannot lift it
  EXPECT_FALSE(WidgetOf(kBoardPanel).updatesEnabled());
  runtime::AllowRedraw(kBoardPanel);
  EXPECT_TRUE(WidgetOf(kBoardPanel).updatesEnabled());
  runtime::DisableRedraw(kNewGameButton);  // free again
  EXPECT_FALSE(WidgetOf(kNewGameButton).updatesEnabled());
  runtime::AllowRedraw(kNewGameButton);

  // A panel narrower than its two borders has no client area: it paints its border only.
  runtime::SetIntegerProperty(kBoardPanel, 8, runtime::kSunkenBorder);
  runtime::SetIntegerProperty(kBoardPanel, 2, 3);
  EXPECT_EQ(PanelOf(kBoardPanel).Bitmap().Width(), 0);
  EXPECT_EQ(WidgetOf(kBoardPanel).grab().width(), 3);
}

}  // namespace
