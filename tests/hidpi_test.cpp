// The board on a screen that scales (QT_SCALE_FACTOR 2 here, 1.5 in a second run): the straight
// lines keep sharp edges, the palace diagonals stay unbroken lines, the pieces are smooth, and
// what the game draws is at its place, while the panel's own pixels stay those of scale 1.
#include <gtest/gtest.h>

#include <QImage>
#include <QWidget>
#include <cmath>
#include <cstdlib>

#include "game/twoply/board.h"
#include "game/units.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_manager.h"
#include "tests/support/game_window.h"

namespace {

// Before the application exists: a run without a scale of its own gets 2.
const bool kScaled = [] { return ::setenv("QT_SCALE_FACTOR", "2", /*overwrite=*/0) == 0; }();

using testing_support::PanelPixels;

class HiDpi : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kScaled);
    testing_support::StartGame();
    scale_ = std::atof(std::getenv("QT_SCALE_FACTOR"));
  }
  void TearDown() override { testing_support::StopGame(); }

  // The panel as the screen shows it, at the device's pixels.
  QImage Screen() const {
    QWidget* panel = runtime::LiveUnit(game::BoardPanel.window, game::BoardPanel.unit)->Widget();
    return panel->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  int Device(int logical) const { return int(std::round(logical * scale_)); }
  static int Lightness(QRgb p) { return (qRed(p) + qGreen(p) + qBlue(p)) / 3; }

  double scale_ = 1;
};

TEST_F(HiDpi, StraightLinesAreSharpAndDiagonalsUnbroken) {
  const QImage screen = Screen();
  ASSERT_EQ(screen.width(), Device(436));
  ASSERT_EQ(screen.devicePixelRatio(), scale_);
  // The vertical line at x 24 (pen 2: pixels 23 and 24) beside the empty cells of rows 2 and 3:
  // black from its first device pixel to its last, the wood right beside it.
  for (int y = Device(76); y < Device(110); ++y) {
    for (int x = Device(23); x < Device(25); ++x)
      ASSERT_EQ(screen.pixel(x, y) & 0xFFFFFF, 0u) << x << "," << y;
    ASSERT_GT(Lightness(screen.pixel(Device(23) - 1, y)), 100) << y;
    ASSERT_GT(Lightness(screen.pixel(Device(25), y)), 100) << y;
  }
  // The palace diagonal from (168, 24) down to the right, through the empty cell of row 2: the
  // ink of every device row touches the ink of the next one, where pixels blown up from the
  // stepped line would meet only at their corners.
  auto inked = [&](int y) {
    std::pair<int, int> run{1 << 20, -1};
    const double x = (y / scale_) + 144;  // the line x = y + 144
    for (int dx = Device(int(x) - 4); dx <= Device(int(x) + 5); ++dx)
      if (Lightness(screen.pixel(dx, y)) < 100) run = {std::min(run.first, dx), dx};
    return run;
  };
  for (int y = Device(50); y < Device(64); ++y) {
    const auto [a0, a1] = inked(y);
    const auto [b0, b1] = inked(y + 1);
    ASSERT_LE(a0, a1) << "no ink in row " << y;
    EXPECT_TRUE(b0 <= a1 && a0 <= b1) << "rows " << y << " and " << y + 1;
    EXPECT_LE(a1 - a0 + 1, int(std::ceil(2 * scale_)) + 1) << "a blot, not a line, in row " << y;
  }
}

// After a move and the computer's reply (drawn by copies between the panels), the screen shows
// what the panel holds: averaged back to the panel's pixels it differs only at edges that are
// now smooth; the panel's own pixels are those of scale 1.
TEST_F(HiDpi, TheScreenShowsThePanelsDrawingSmoothly) {
  testing_support::PressSquare(2, 8);
  testing_support::PressSquare(5, 8);
  const runtime::Surface bitmap = PanelPixels(game::BoardPanel);
  EXPECT_EQ(testing_support::FirstDifference(testing_support::ExpectedBoard(twoply::Board), bitmap),
            "");
  const QImage screen = Screen();
  int far = 0, total = 0;
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x) {
      // The device pixels that lie wholly inside the panel pixel.
      const int x0 = int(std::ceil(x * scale_)), x1 = int(std::floor((x + 1) * scale_));
      const int y0 = int(std::ceil(y * scale_)), y1 = int(std::floor((y + 1) * scale_));
      if (x1 <= x0 || y1 <= y0) continue;
      int sum[3] = {0, 0, 0}, n = 0;
      for (int dy = y0; dy < y1; ++dy)
        for (int dx = x0; dx < x1; ++dx, ++n) {
          const QRgb p = screen.pixel(dx, dy);
          sum[0] += qRed(p), sum[1] += qGreen(p), sum[2] += qBlue(p);
        }
      const uint32_t want = bitmap.Pixel(x, y);
      const int diff = std::max({std::abs(sum[0] / n - int(want & 0xFF)),
                                 std::abs(sum[1] / n - int(want >> 8 & 0xFF)),
                                 std::abs(sum[2] / n - int(want >> 16 & 0xFF))});
      far += diff > 64;
      ++total;
    }
  EXPECT_LT(far, total / 50) << far << " of " << total << " pixels far from the panel's";

  // A piece is smooth, not the sprite's pixels blown up: in the Human's chariot at the lower
  // left, most blocks of the size of one sprite pixel hold more than one colour.
  if (scale_ != 2) return;
  int mixed = 0, blocks = 0;
  for (int y = Device(9 * 48 + 4); y < Device(9 * 48 + 40); y += 2)
    for (int x = Device(4); x < Device(40); x += 2, ++blocks)
      mixed += screen.pixel(x, y) != screen.pixel(x + 1, y) ||
               screen.pixel(x, y) != screen.pixel(x, y + 1) ||
               screen.pixel(x, y) != screen.pixel(x + 1, y + 1);
  EXPECT_GT(mixed, blocks / 2) << mixed << " of " << blocks;
}

}  // namespace
