// Drawing pictures onto the surface: copy modes, raster operations, the transparent key, nearest
// stretching, clipping and background placements.
#include "runtime/pictures/surface.h"

#include <gtest/gtest.h>

#include <QImage>

#include "runtime/pictures/gif_decoder.h"
#include "runtime/windows/qt_image.h"
#include "tests/support/picture_samples.h"

namespace {

using runtime::PaintPicture;
using runtime::PicturePtr;
using runtime::Rect;
using runtime::Surface;

// A kind-2 picture with the given 0x00BBGGRR colours, top row first.
PicturePtr MakePicture(int32_t width, int32_t height, const std::vector<uint32_t>& colours) {
  PicturePtr p = runtime::NewPicture(runtime::kBmpPicture, width, height, width * height * 3);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint32_t c = colours[size_t(y * width + x)];
      uint8_t* px = p->data + 3 * ((height - 1 - y) * width + x);
      px[0] = uint8_t(c >> 16);
      px[1] = uint8_t(c >> 8);
      px[2] = uint8_t(c);
    }
  return p;
}

std::vector<uint32_t> Pixels(const Surface& s, Rect r) {
  std::vector<uint32_t> out;
  for (int32_t y = r.y; y < r.y + r.height; ++y)
    for (int32_t x = r.x; x < r.x + r.width; ++x) out.push_back(s.Pixel(x, y));
  return out;
}

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr uint32_t kGreen = 0x208040;

TEST(PaintPicture, SpritesDrawnWithTheWhiteKeyLeaveTheirCornersShowingTheSurface) {
  PicturePtr sprite = runtime::LoadPictureFromMemory(test_pictures::MakeSpriteGif());
  ASSERT_TRUE(sprite);
  ASSERT_EQ(sprite->kind, runtime::kGifPicture);
  auto colours = runtime::PictureColours(*sprite);
  for (auto [w, h] : {std::pair{-1, -1}, {44, 44}, {88, 88}, {30, 57}}) {
    Surface s(100, 100, kGreen);
    PaintPicture(sprite.get(), s, 3, 5, w, h, -int32_t(kWhite));
    const int32_t dw = w == -1 ? 44 : w, dh = h == -1 ? 44 : h;
    EXPECT_EQ(s.Pixel(3, 5), kGreen);
    EXPECT_EQ(s.Pixel(3 + dw - 1, 5), kGreen);
    EXPECT_EQ(s.Pixel(3, 5 + dh - 1), kGreen);
    EXPECT_EQ(s.Pixel(3 + dw - 1, 5 + dh - 1), kGreen);
    EXPECT_EQ(s.Pixel(3 + dw / 2, 5 + dh / 2), colours[22 * 44 + 22]) << w;
    for (int32_t y = 0; y < 100; ++y)
      for (int32_t x = 0; x < 100; ++x) {
        uint32_t c = s.Pixel(x, y);
        ASSERT_NE(c, kWhite) << "a key pixel was drawn at " << x << "," << y;
        bool inside = x >= 3 && x < 3 + dw && y >= 5 && y < 5 + dh;
        if (!inside) {
          ASSERT_EQ(c, kGreen) << x << "," << y;
        } else if (c != kGreen) {
          // Nearest pixels only: every drawn colour is one of the sprite's own.
          ASSERT_NE(std::find(colours.begin(), colours.end(), c), colours.end()) << x << "," << y;
        }
      }
  }
}

TEST(PaintPicture, CopyModesCombineSourceAndTarget) {
  const uint32_t source = 0x0F3C5A, target = 0x33CC99;
  PicturePtr p = MakePicture(1, 1, {source});
  struct Row {
    int32_t copyMode;
    uint32_t expected;
  };
  for (Row row : {Row{1, source}, Row{2, ~source & 0xFFFFFF}, Row{3, source ^ target},
                  Row{4, source | target}, Row{5, source & target}}) {
    Surface s(3, 3, target);
    PaintPicture(p.get(), s, 1, 1, -1, -1, runtime::RasterOpForCopyMode(row.copyMode));
    EXPECT_EQ(s.Pixel(1, 1), row.expected) << row.copyMode;
    EXPECT_EQ(s.Pixel(0, 0), target);
    EXPECT_EQ(s.Pixel(2, 2), target);
  }
  EXPECT_EQ(runtime::RasterOpForCopyMode(1), 0x00CC0020);
  EXPECT_EQ(runtime::RasterOpForCopyMode(2), 0x00330008);
  EXPECT_EQ(runtime::RasterOpForCopyMode(3), 0x00660046);
  EXPECT_EQ(runtime::RasterOpForCopyMode(4), 0x00EE0086);
  EXPECT_EQ(runtime::RasterOpForCopyMode(5), 0x008800C6);
  EXPECT_EQ(runtime::RasterOpForCopyMode(0x00550009), 0x00550009);
  EXPECT_EQ(runtime::RasterOpForCopyMode(0), 0);
}

TEST(PaintPicture, OtherCodesAreTernaryRasterOperationsWithTheBrush) {
  const uint32_t P = 0x4080C0, S = 0x0F3C5A, D = 0x33CC99;
  struct Row {
    int32_t rop;
    uint32_t expected;
    const char* name;
  };
  const uint32_t M = 0xFFFFFF;
  const Row rows[] = {
      {0x00000042, 0, "blackness"},
      {0x00FF0062, M, "whiteness"},
      {0x00F00021, P, "pattern copy"},
      {0x005A0049, P ^ D, "pattern invert"},
      {0x00550009, ~D & M, "target invert"},
      {0x00AA0029, D, "no operation"},
      {0x00C000CA, P & S, "merge copy"},
      {0x00BB0226, (~S | D) & M, "merge paint"},
      {0x00FB0A09, (P | ~S | D) & M, "pattern paint"},
      {0x00440328, S & ~D, "source erase"},
      {0x001100A6, ~(S | D) & M, "not source erase"},
      {0x00B8074A, (P & ~S) | (S & D), "pattern where source is black"},
  };
  PicturePtr p = MakePicture(1, 1, {S});
  for (const Row& row : rows) {
    Surface s(1, 1, D);
    s.SetBrush(P);
    PaintPicture(p.get(), s, 0, 0, -1, -1, row.rop);
    EXPECT_EQ(s.Pixel(0, 0), row.expected) << row.name;
  }
}

TEST(PaintPicture, EveryOperationIndexIsItsOwnTruthTable) {
  // With pattern 0xF0, source 0xCC and target 0xAA in every byte, an operation's result is its
  // index: that is how the 256 operations are numbered.
  for (uint32_t index = 0; index < 256; ++index) {
    const int32_t rop = int32_t(index << 16);
    EXPECT_EQ(runtime::ApplyRasterOp(rop, 0xF0F0F0, 0xCCCCCC, 0xAAAAAA), index * 0x010101u)
        << index;
  }
}

TEST(PaintPicture, TheKeyColourLeavesTheTargetAndEverythingElseIsCopied) {
  PicturePtr p = MakePicture(3, 1, {0x0000FF, 0x00FF00, 0xFF0000});
  Surface s(3, 1, 0x123456);
  PaintPicture(p.get(), s, 0, 0, -1, -1, -0x00FF00);
  EXPECT_EQ(Pixels(s, {0, 0, 3, 1}), (std::vector<uint32_t>{0x0000FF, 0x123456, 0xFF0000}));
  // A key no pixel has copies all; the most negative mode is such a key.
  Surface t(3, 1, 0x123456);
  PaintPicture(p.get(), t, 0, 0, -1, -1, INT32_MIN);
  EXPECT_EQ(Pixels(t, {0, 0, 3, 1}), (std::vector<uint32_t>{0x0000FF, 0x00FF00, 0xFF0000}));
}

TEST(PaintPicture, StretchesToNearestPixelsAndMirrorsNegativeSizes) {
  const uint32_t a = 0x0000AA, b = 0x00BB00, c = 0xCC0000, d = 0x0D0D0D;
  PicturePtr p = MakePicture(2, 2, {a, b, c, d});
  Surface big(4, 4, 0);
  PaintPicture(p.get(), big, 0, 0, 4, 4, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(big, {0, 0, 4, 4}),
            (std::vector<uint32_t>{a, a, b, b, a, a, b, b, c, c, d, d, c, c, d, d}));
  Surface mirrored(2, 2, 0);
  PaintPicture(p.get(), mirrored, 2, 0, -2, 2, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(mirrored, {0, 0, 2, 2}), (std::vector<uint32_t>{b, a, d, c}));
  Surface flipped(2, 2, 0);
  PaintPicture(p.get(), flipped, 0, 2, 2, -2, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(flipped, {0, 0, 2, 2}), (std::vector<uint32_t>{c, d, a, b}));

  std::vector<uint32_t> ramp;
  for (uint32_t i = 0; i < 16; ++i) ramp.push_back(i);
  PicturePtr wide = MakePicture(16, 1, ramp);
  Surface small(4, 1, 0xFFFFFF);
  PaintPicture(wide.get(), small, 0, 0, 4, -1, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(small, {0, 0, 4, 1}), (std::vector<uint32_t>{2, 6, 10, 14}));
}

TEST(PaintPicture, ClipsToTheSurfaceAndDrawsNothingForEmptySizesOrNoPicture) {
  PicturePtr p = MakePicture(2, 2, {1, 2, 3, 4});
  Surface s(3, 3, 9);
  PaintPicture(p.get(), s, -1, -1, -1, -1, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(s, {0, 0, 3, 3}), (std::vector<uint32_t>{4, 9, 9, 9, 9, 9, 9, 9, 9}));
  PaintPicture(p.get(), s, 2, 2, -1, -1, runtime::kSourceCopy);
  EXPECT_EQ(s.Pixel(2, 2), 1u);
  Surface untouched(3, 3, 9);
  PaintPicture(p.get(), untouched, 0, 0, 0, 2, runtime::kSourceCopy);
  PaintPicture(p.get(), untouched, 0, 0, 2, 0, runtime::kSourceCopy);
  PaintPicture(nullptr, untouched, 0, 0, -1, -1, runtime::kSourceCopy);
  PaintPicture(p.get(), untouched, INT32_MAX, INT32_MIN, -1, -1, runtime::kSourceCopy);
  PaintPicture(p.get(), untouched, 5, 5, -1, -1, runtime::kSourceCopy);
  runtime::Picture broken;
  broken.kind = runtime::kGifPicture;
  broken.width = broken.height = 2;
  PaintPicture(&broken, untouched, 0, 0, -1, -1, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(untouched, {0, 0, 3, 3}), std::vector<uint32_t>(9, 9));
  // Enormous stretches are clipped before any work is done.
  PaintPicture(p.get(), untouched, -1000000000, 0, INT32_MAX, 3, runtime::kSourceCopy);
  EXPECT_EQ(untouched.Pixel(0, 0), 1u);
  Surface empty(-5, 3);
  PaintPicture(p.get(), empty, 0, 0, -1, -1, runtime::kSourceCopy);
  EXPECT_EQ(empty.Width(), 0);
}

TEST(PaintPicture, IconsBlendThroughTheirAlpha) {
  PicturePtr icon = runtime::NewPicture(runtime::kIconPicture, 3, 1, 0);
  icon->icon = new runtime::IconImage{3, 1, 1, 0, {0x00FF0000, 0xFF0000FF, 0x80FFFFFF}};
  Surface s(3, 1, 0x000000);
  PaintPicture(icon.get(), s, 0, 0, -1, -1, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(s, {0, 0, 3, 1}), (std::vector<uint32_t>{0, 0xFF0000, 0x808080}));
}

TEST(PaintPicture, IconsBecomeImagesWithAlphaForWindows) {
  runtime::IconImage icon{2, 1, 0, 0, {0x80112233, 0xFF445566}};
  QImage image = runtime::IconToImage(icon);
  ASSERT_EQ(image.size(), QSize(2, 1));
  EXPECT_EQ(image.pixel(0, 0), qRgba(0x11, 0x22, 0x33, 0x80));
  EXPECT_EQ(image.pixel(1, 0), qRgba(0x44, 0x55, 0x66, 0xFF));
  icon.argb.pop_back();  // fewer pixels than the size says
  EXPECT_TRUE(runtime::IconToImage(icon).isNull());
}

TEST(PaintPicture, MonochromePicturesAreBlackAndWhite) {
  runtime::Picture p;
  p.kind = runtime::kPcx1Picture;
  p.width = 3;
  p.height = 2;
  uint8_t bits[4] = {0xA0, 0, 0x40, 0};
  p.data = bits;
  p.dataSize = 4;
  Surface s(3, 2, 0x123456);
  PaintPicture(&p, s, 0, 0, -1, -1, runtime::kSourceCopy);
  EXPECT_EQ(Pixels(s, {0, 0, 3, 2}), (std::vector<uint32_t>{kWhite, 0, kWhite, 0, kWhite, 0}));
  p.data = nullptr;  // not ours to free
}

TEST(DrawBackgroundPicture, PlacesAtTheCornerTiledOrCentred) {
  PicturePtr p = MakePicture(2, 1, {1, 2});
  Surface corner(5, 3, 0);
  runtime::DrawBackgroundPicture(p.get(), corner, {1, 1, 1, 2}, runtime::kBackgroundTopLeft);
  EXPECT_EQ(Pixels(corner, {0, 0, 5, 3}),
            (std::vector<uint32_t>{0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0}));

  Surface tiled(6, 3, 0);
  runtime::DrawBackgroundPicture(p.get(), tiled, {1, 0, 5, 2}, runtime::kBackgroundTiled);
  EXPECT_EQ(Pixels(tiled, {0, 0, 6, 3}), (std::vector<uint32_t>{0, 1, 2, 1, 2, 1,  //
                                                                0, 1, 2, 1, 2, 1,  //
                                                                0, 0, 0, 0, 0, 0}));
  // Tiles that start left of the surface still line up with the area's corner.
  Surface shifted(3, 1, 0);
  runtime::DrawBackgroundPicture(p.get(), shifted, {-3, 0, 10, 1}, runtime::kBackgroundTiled);
  EXPECT_EQ(Pixels(shifted, {0, 0, 3, 1}), (std::vector<uint32_t>{2, 1, 2}));

  Surface centred(6, 3, 0);
  runtime::DrawBackgroundPicture(p.get(), centred, {0, 0, 6, 3}, runtime::kBackgroundCentred);
  EXPECT_EQ(Pixels(centred, {0, 0, 6, 3}), (std::vector<uint32_t>{0, 0, 0, 0, 0, 0,  //
                                                                  0, 0, 1, 2, 0, 0,  //
                                                                  0, 0, 0, 0, 0, 0}));
}

TEST(DrawBackgroundPicture, ShrinksALargerPictureProportionallyButNeverEnlarges) {
  std::vector<uint32_t> colours(8 * 4);
  for (size_t i = 0; i < colours.size(); ++i) colours[i] = i % 8 < 4 ? 0x111111 : 0x222222;
  PicturePtr p = MakePicture(8, 4, colours);
  Surface s(4, 4, 0);
  runtime::DrawBackgroundPicture(p.get(), s, {0, 0, 4, 4}, runtime::kBackgroundCentred);
  // 8 x 4 into 4 x 4: 4 x 2 in the middle rows.
  EXPECT_EQ(Pixels(s, {0, 0, 4, 1}), std::vector<uint32_t>(4, 0));
  EXPECT_EQ(Pixels(s, {0, 1, 4, 1}),
            (std::vector<uint32_t>{0x111111, 0x111111, 0x222222, 0x222222}));
  EXPECT_EQ(Pixels(s, {0, 3, 4, 1}), std::vector<uint32_t>(4, 0));

  PicturePtr tall = MakePicture(1, 4, {5, 6, 7, 8});
  Surface narrow(3, 2, 0);
  runtime::DrawBackgroundPicture(tall.get(), narrow, {0, 0, 3, 2}, runtime::kBackgroundCentred);
  EXPECT_EQ(Pixels(narrow, {0, 0, 3, 2}), (std::vector<uint32_t>{0, 6, 0, 0, 8, 0}));

  PicturePtr one = MakePicture(1, 1, {7});
  Surface wide(5, 5, 0);
  runtime::DrawBackgroundPicture(one.get(), wide, {0, 0, 5, 5}, runtime::kBackgroundCentred);
  EXPECT_EQ(Pixels(wide, {0, 0, 5, 5}), [] {
    std::vector<uint32_t> v(25, 0);
    v[12] = 7;
    return v;
  }());
}

TEST(Surface, ShowsAsAnOpaqueImageWithTheSameColours) {
  Surface s(2, 1, 0);
  s.SetPixel(0, 0, 0x00332211);  // red 0x11, green 0x22, blue 0x33
  s.SetPixel(1, 0, 0xFF0000FF);  // the top byte is never kept
  s.SetPixel(5, 5, 1);           // outside: ignored
  EXPECT_EQ(s.Pixel(1, 0), 0x0000FFu);
  EXPECT_EQ(s.Pixel(-1, 0), 0u);
  QImage image = runtime::ToImage(s);
  EXPECT_EQ(image.pixel(0, 0), qRgb(0x11, 0x22, 0x33));
  EXPECT_EQ(image.pixel(1, 0), qRgb(0xFF, 0, 0));
  s.FillRect({1, -4, 10, 10}, 0x0A0B0C);
  EXPECT_EQ(s.Pixel(0, 0), 0x332211u);
  EXPECT_EQ(s.Pixel(1, 0), 0x0A0B0Cu);
}

}  // namespace
