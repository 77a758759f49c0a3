// The board's pixels as the drawing rules make them: the lines on the clean board, the sprites,
// and the pictures decoded for a draw and released after it.
#include "game/board_drawing.h"

#include <gtest/gtest.h>

#include "game/units.h"
#include "runtime/pictures/picture_commands.h"
#include "tests/support/game_window.h"

namespace {

using testing_support::PanelPixels;

constexpr uint32_t kInk = 0x000000;

class BoardDrawing : public testing::Test {
 protected:
  void SetUp() override {
    testing_support::StartGame();
    clean_ = PanelPixels(game::CleanBoardPanel);
  }
  void TearDown() override { testing_support::StopGame(); }

  bool Inked(int32_t x, int32_t y) const { return clean_.Pixel(x, y) == kInk; }
  // Every pixel of the rectangle is ink.
  bool AllInk(int32_t x0, int32_t y0, int32_t x1, int32_t y1) const {
    for (int32_t y = y0; y <= y1; ++y)
      for (int32_t x = x0; x <= x1; ++x)
        if (!Inked(x, y)) return false;
    return true;
  }

  runtime::Surface clean_;
};

// Width 2 covers the point and the pixel before it, width 3 one pixel either side, width 1 the
// Bresenham line itself.
TEST_F(BoardDrawing, TheLinesFollowThePenRules) {
  for (int32_t i = 0; i < 10; ++i) {
    int32_t y = 24 + 48 * i;
    EXPECT_TRUE(AllInk(23, y - 1, 408, y)) << "row line " << i + 1;
    EXPECT_FALSE(Inked(150, y - 2) || Inked(150, y + 1)) << "row line " << i + 1;
  }
  for (int32_t j = 0; j < 9; ++j) {
    int32_t x = 24 + 48 * j;
    EXPECT_TRUE(AllInk(x - 1, 23, x, 216) && AllInk(x - 1, 263, x, 456)) << "column " << j + 1;
    EXPECT_EQ(AllInk(x - 1, 217, x, 262), j == 0 || j == 8) << "river at column " << j + 1;
  }
  // The frame.
  EXPECT_TRUE(AllInk(18, 18, 20, 462) && AllInk(412, 18, 414, 462));
  EXPECT_TRUE(AllInk(18, 18, 414, 20) && AllInk(18, 460, 414, 462));
  EXPECT_FALSE(Inked(17, 240) || Inked(21, 240) || Inked(415, 240) || Inked(240, 17));
  // The palace diagonals.
  for (int32_t k = 0; k < 96; ++k) {
    EXPECT_TRUE(Inked(168 + k, 24 + k) && Inked(168 + k, 120 - k)) << k;
    EXPECT_TRUE(Inked(168 + k, 456 - k) && Inked(264 - k, 456 - k)) << k;
  }
  EXPECT_FALSE(Inked(190, 47) || Inked(191, 46));
}

TEST_F(BoardDrawing, SpritesDecodeForEachDrawAndAreReleased) {
  EXPECT_EQ(game::NormalSprite(0), 0);
  EXPECT_EQ(game::HighlightSprite(15), 0);
  int32_t before = runtime::RegisteredPictureCount();
  for (int32_t code = 1; code <= twoply::kLastPieceCode; ++code) {
    int32_t normal = game::NormalSprite(code), lit = game::HighlightSprite(code);
    const runtime::Picture* picture = runtime::PictureForHandle(lit);
    ASSERT_NE(picture, nullptr) << code;
    EXPECT_EQ(picture->width, 44);
    EXPECT_NE(normal, 0);
    runtime::UnloadPicture(normal);
    runtime::UnloadPicture(lit);
  }
  game::RedrawBoard();
  game::Highlight lit;
  game::HighlightSelection(lit, twoply::Square{1, 10}, false);
  game::DrawMove(twoply::Square{1, 10}, twoply::Square{1, 9});
  EXPECT_EQ(runtime::RegisteredPictureCount(), before);
}

}  // namespace
