// The picture loader: format recognition, each decoder against pictures decoded by ImageMagick,
// and the refusals.
#include "runtime/pictures/picture.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/support/picture_samples.h"

namespace {

using runtime::LoadPictureFromFile;
using runtime::LoadPictureFromMemory;
using runtime::PictureColours;
using runtime::PicturePtr;
using runtime::RecognizePicture;
using test_pictures::Bytes;
using test_pictures::ReadPpm;
using test_pictures::ReadSample;

Bytes Padded(Bytes b, size_t size = 16) {
  b.resize(std::max(size, b.size()), 0);
  return b;
}

TEST(PictureRecognition, FollowsTheOrderOfTheSignatures) {
  struct Row {
    Bytes bytes;
    runtime::PictureKind kind;
  };
  const Row rows[] = {
      {Padded({'B', 'M'}), runtime::kBmpPicture},
      {Padded({0xFF, 0xD8}), runtime::kJpegPicture},
      {Padded({0, 0, 1, 0, 1, 0}), runtime::kIconPicture},
      {Padded({0, 0, 1, 0, 0, 1}), runtime::kIconPicture},  // 256 images
      {Padded({0, 0, 2, 0, 3, 0}), runtime::kCursorPicture},
      {Padded({0, 0, 1, 0, 0, 0}), runtime::kNoPicture},  // no images
      {Padded({0, 0, 3, 0, 1, 0}), runtime::kNoPicture},
      {Padded({'G', 'I', 'F', '8', '9', 'a'}), runtime::kGifPicture},
      {Padded({'G', 'I', 'F', '8', '7', 'a'}), runtime::kGifPicture},
      {Padded({'G', 'I', 'F', '8', '8', 'a'}), runtime::kNoPicture},
      {Padded({'G', 'I', 'F', '8', '9', 'b'}), runtime::kNoPicture},
      {Padded({0x0A, 0, 1, 8}), runtime::kPcx8Picture},
      {Padded({0x0A, 5, 1, 8}), runtime::kPcx8Picture},
      {Padded({0x0A, 6, 1, 8}), runtime::kNoPicture},
      {Padded({0x0A, 5, 0, 8}), runtime::kNoPicture},  // not run-length encoded
      {Padded({0x0A, 3, 1, 1}), runtime::kPcx1Picture},
      {Padded({0x0A, 5, 1, 1}), runtime::kNoPicture},
      {Padded({0x0A, 3, 1, 4}), runtime::kNoPicture},
      {Padded({0x89, 'P', 'N', 'G'}), runtime::kNoPicture},
      // "BM" wins over what follows it.
      {Padded({'B', 'M', 'G', 'I', 'F', '8'}), runtime::kBmpPicture},
      {Bytes{'B', 'M', 0, 0, 0}, runtime::kNoPicture},  // fewer than 6 bytes
      {Bytes{0xFF, 0xD8, 0xFF, 0xE0, 0}, runtime::kNoPicture},
      {Bytes{}, runtime::kNoPicture},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(RecognizePicture(row.bytes), row.kind) << testing::PrintToString(row.bytes);
  }
}

TEST(PictureLoader, RefusesEmptyShortAndUnknownData) {
  EXPECT_FALSE(LoadPictureFromMemory(nullptr, 10));
  Bytes five = {'B', 'M', 1, 2, 3};
  EXPECT_FALSE(LoadPictureFromMemory(five));
  EXPECT_FALSE(LoadPictureFromMemory(five.data(), 0));
  EXPECT_FALSE(LoadPictureFromMemory(five.data(), -5));
  EXPECT_FALSE(LoadPictureFromMemory(Padded({'P', '6'}, 100)));
  // Recognised but not decodable.
  EXPECT_FALSE(LoadPictureFromMemory(Padded({'B', 'M'}, 100)));
  EXPECT_FALSE(LoadPictureFromMemory(Padded({0xFF, 0xD8}, 100)));
  EXPECT_FALSE(LoadPictureFromMemory(Padded({0, 0, 1, 0, 1, 0}, 100)));
  EXPECT_FALSE(LoadPictureFromMemory(Padded({0x0A, 5, 1, 8}, 100)));
}

// Compares a decoded picture with the pixels ImageMagick read from the same file.
void ExpectPixelsOf(const std::string& file, runtime::PictureKind kind, int tolerance = 0) {
  SCOPED_TRACE(file);
  PicturePtr p = LoadPictureFromMemory(ReadSample(file));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, kind);
  auto want = ReadPpm(ReadSample(file.substr(0, file.find('.')) + ".ppm"));
  ASSERT_EQ(p->width, want.width);
  ASSERT_EQ(p->height, want.height);
  auto got = PictureColours(*p);
  ASSERT_EQ(got.size(), want.colours.size());
  for (size_t i = 0; i < got.size(); ++i)
    for (int shift : {0, 8, 16}) {
      int a = int(got[i] >> shift & 0xFF), b = int(want.colours[i] >> shift & 0xFF);
      ASSERT_LE(std::abs(a - b), tolerance)
          << "pixel " << i % size_t(want.width) << "," << i / size_t(want.width);
    }
}

TEST(BmpDecoder, DecodesEveryDepthLikeImageMagick) {
  for (const char* f : {"bmp1.bmp", "bmp4.bmp", "bmp8.bmp", "bmp24.bmp", "bmp32.bmp"})
    ExpectPixelsOf(f, runtime::kBmpPicture);
}

TEST(BmpDecoder, KeepsBlueGreenRedRowsBottomUpWithoutPadding) {
  Bytes file = ReadSample("bmp24.bmp");
  PicturePtr p = LoadPictureFromMemory(file);
  ASSERT_TRUE(p);
  ASSERT_EQ(p->dataSize, 37 * 23 * 3);
  // The file's rows are bottom-up and padded to 112 bytes; the picture's are 111 bytes.
  const uint8_t* fileRows = file.data() + 54;
  for (int r = 0; r < 23; ++r)
    ASSERT_EQ(0, std::memcmp(p->data + r * 111, fileRows + r * 112, 111)) << r;
}

// A 24-bit bitmap file of the given size with pixel (x, y) = (x, y, x ^ y) in red-green-blue.
Bytes MakeBmp24(int32_t width, int32_t height) {
  const int32_t w = std::abs(width), h = std::abs(height);
  const int32_t stride = (w * 3 + 3) / 4 * 4;
  Bytes b(54 + size_t(stride * h), 0);
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put(2, uint32_t(b.size()));
  put(10, 54);
  put(14, 40);
  put(18, uint32_t(width));
  put(22, uint32_t(height));
  b[26] = 1;
  b[28] = 24;
  for (int32_t r = 0; r < h; ++r) {
    int32_t y = height < 0 ? r : h - 1 - r;
    for (int32_t x = 0; x < w; ++x) {
      uint8_t* px = &b[54 + size_t(r * stride + x * 3)];
      px[0] = uint8_t(x ^ y);
      px[1] = uint8_t(y);
      px[2] = uint8_t(x);
    }
  }
  return b;
}

TEST(BmpDecoder, ReadsTopDownFilesAndNegativeWidths) {
  for (auto [w, h] : {std::pair{5, 3}, {5, -3}, {-5, 3}}) {
    PicturePtr p = LoadPictureFromMemory(MakeBmp24(w, h));
    ASSERT_TRUE(p) << w << "x" << h;
    EXPECT_EQ(p->width, 5);
    EXPECT_EQ(p->height, 3);
    auto colours = PictureColours(*p);
    for (uint32_t y = 0; y < 3; ++y)
      for (uint32_t x = 0; x < 5; ++x)
        EXPECT_EQ(colours[y * 5 + x], x | y << 8 | (x ^ y) << 16) << w << "x" << h;
  }
}

TEST(BmpDecoder, RefusesOtherDepthsCompressionAndBadSizes) {
  Bytes good = ReadSample("bmp24.bmp");
  ASSERT_TRUE(LoadPictureFromMemory(good));
  auto patched = [&](size_t at, std::initializer_list<uint8_t> bytes) {
    Bytes b = good;
    for (uint8_t v : bytes) b.at(at++) = v;
    return b;
  };
  EXPECT_FALSE(LoadPictureFromMemory(patched(28, {16})));  // 16 bits per pixel
  EXPECT_FALSE(LoadPictureFromMemory(patched(28, {2})));
  EXPECT_FALSE(LoadPictureFromMemory(patched(30, {3})));              // bit fields
  EXPECT_FALSE(LoadPictureFromMemory(ReadSample("bmp8-rle.bmp")));    // run-length compressed
  EXPECT_FALSE(LoadPictureFromMemory(patched(10, {53, 0, 0, 0})));    // pixels inside the header
  EXPECT_FALSE(LoadPictureFromMemory(patched(10, {0, 0, 0, 1})));     // pixels past the end
  EXPECT_FALSE(LoadPictureFromMemory(patched(14, {12, 0, 0, 0})));    // a core header
  EXPECT_FALSE(LoadPictureFromMemory(patched(14, {0, 0, 1, 0})));     // a header past the end
  EXPECT_FALSE(LoadPictureFromMemory(patched(18, {0, 0, 0, 0})));     // width 0
  EXPECT_FALSE(LoadPictureFromMemory(patched(22, {0, 0, 0, 0x80})));  // height -2^31
  EXPECT_FALSE(LoadPictureFromMemory(patched(18, {0xFF, 0xFF, 0xFF, 0x7F})));
  EXPECT_FALSE(LoadPictureFromMemory(patched(18, {0, 0x20, 0, 0})));  // rows past the end
  Bytes eight = ReadSample("bmp8.bmp");
  eight[46] = eight[47] = eight[48] = 0xFF;  // a palette far past the end
  EXPECT_FALSE(LoadPictureFromMemory(eight));

  // The last row may go without its padding; any shorter and the rows run past the end.
  EXPECT_TRUE(LoadPictureFromMemory(good.data(), int64_t(good.size()) - 1));
  for (size_t n = 0; n + 1 < good.size(); ++n)
    EXPECT_FALSE(LoadPictureFromMemory(Bytes(good.begin(), good.begin() + long(n)))) << n;
}

TEST(JpegDecoder, DecodesColourAndGreyLikeImageMagick) {
  ExpectPixelsOf("colour.jpg", runtime::kJpegPicture, 1);
  ExpectPixelsOf("grey.jpg", runtime::kJpegPicture, 1);
}

TEST(JpegDecoder, AGreyPictureHasEqualBytesInEveryPixel) {
  PicturePtr p = LoadPictureFromMemory(ReadSample("grey.jpg"));
  ASSERT_TRUE(p);
  ASSERT_EQ(p->dataSize, p->width * p->height * 3);
  bool sawShade = false;
  for (int32_t i = 0; i < p->width * p->height; ++i) {
    const uint8_t* px = p->data + 3 * i;
    ASSERT_EQ(px[0], px[1]);
    ASSERT_EQ(px[1], px[2]);
    sawShade = sawShade || (px[0] > 20 && px[0] < 235);
  }
  EXPECT_TRUE(sawShade);
}

TEST(JpegDecoder, StoresBlueGreenRedBottomUp) {
  PicturePtr p = LoadPictureFromMemory(ReadSample("colour.jpg"));
  ASSERT_TRUE(p);
  auto want = ReadPpm(ReadSample("colour.ppm"));
  // The block's first pixel is the bottom-left one, blue first.
  uint32_t bottomLeft = want.colours[size_t((want.height - 1) * want.width)];
  EXPECT_NEAR(p->data[0], bottomLeft >> 16 & 0xFF, 1);
  EXPECT_NEAR(p->data[2], bottomLeft & 0xFF, 1);
}

TEST(JpegDecoder, BrokenDataComesBackAsNull) {
  Bytes good = ReadSample("colour.jpg");
  // Cut inside the header: libjpeg's error comes back to the loader.
  for (size_t n : {size_t(2), size_t(20), size_t(100), size_t(300)})
    EXPECT_FALSE(LoadPictureFromMemory(Bytes(good.begin(), good.begin() + long(n)))) << n;
  // Cut inside the scan: libjpeg fills in the rest and the picture stands.
  Bytes cut(good.begin(), good.end() - 200);
  PicturePtr p = LoadPictureFromMemory(cut);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 37);
  // A frame header that says 0 x 0.
  Bytes zero = good;
  for (size_t i = 2; i + 8 < zero.size(); ++i)
    if (zero[i] == 0xFF && zero[i + 1] == 0xC0) {
      zero[i + 5] = zero[i + 6] = zero[i + 7] = zero[i + 8] = 0;
      break;
    }
  EXPECT_FALSE(LoadPictureFromMemory(zero));
  // A frame of 3000 x 3000 over the same few hundred bytes: far too little data for its blocks.
  Bytes huge = good;
  for (size_t i = 2; i + 8 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0x0B;
      huge[i + 6] = huge[i + 8] = 0xB8;
      break;
    }
  EXPECT_FALSE(LoadPictureFromMemory(huge));
}

TEST(PcxDecoder, DecodesEightBitsLikeImageMagick) {
  ExpectPixelsOf("pcx8.pcx", runtime::kPcx8Picture);
  PicturePtr p = LoadPictureFromMemory(ReadSample("pcx8.pcx"));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->dataSize, 37 * 23 + 1064);
}

// A version-3 PCX file with one plane at the given depth; `lines` holds the decoded scan lines.
Bytes MakePcx(int depth, int width, int height, int bytesPerLine, const Bytes& lines) {
  Bytes b(128, 0);
  b[0] = 0x0A;
  b[1] = depth == 1 ? 3 : 5;
  b[2] = 1;
  b[3] = uint8_t(depth);
  b[8] = uint8_t(width - 1);
  b[10] = uint8_t(height - 1);
  b[65] = 1;
  b[66] = uint8_t(bytesPerLine);
  for (uint8_t v : lines) {
    if (v >= 0xC0) b.push_back(0xC1);  // a byte that looks like a run goes as a run of one
    b.push_back(v);
  }
  return b;
}

TEST(PcxDecoder, DecodesOneBitIntoSixteenBitRows) {
  // 10 x 2: row 0 alternates white and black, row 1 is white then black halves.
  Bytes lines = {0xAA, 0xBF, 0xF8, 0x00};
  PicturePtr p = LoadPictureFromMemory(MakePcx(1, 10, 2, 2, lines));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, runtime::kPcx1Picture);
  ASSERT_EQ(p->dataSize, 4);
  EXPECT_EQ(Bytes(p->data, p->data + 4), (Bytes{0xAA, 0x80, 0xF8, 0x00}));
  auto colours = PictureColours(*p);
  const uint32_t W = 0xFFFFFF;
  EXPECT_EQ(colours, (std::vector<uint32_t>{W, 0, W, 0, W, 0, W, 0, W, 0,  //
                                            W, W, W, W, W, 0, 0, 0, 0, 0}));
}

TEST(PcxDecoder, UsesGreyWithoutAPaletteAndRefusesShortData) {
  Bytes lines = {0, 100, 200, 255};
  PicturePtr p = LoadPictureFromMemory(MakePcx(8, 2, 2, 2, lines));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, runtime::kPcx8Picture);
  EXPECT_EQ(PictureColours(*p), (std::vector<uint32_t>{0, 0x646464, 0xC8C8C8, 0xFFFFFF}));

  Bytes shortRuns = MakePcx(8, 2, 2, 2, lines);
  shortRuns.pop_back();
  EXPECT_FALSE(LoadPictureFromMemory(shortRuns));
  Bytes good = ReadSample("pcx8.pcx");
  for (size_t n = 6; n < 128; n += 7)
    EXPECT_FALSE(LoadPictureFromMemory(Bytes(good.begin(), good.begin() + long(n)))) << n;
  // Scan lines shorter than the width, three planes, and a size no run-length data could fill.
  Bytes narrow = MakePcx(8, 4, 1, 2, {1, 2});
  EXPECT_FALSE(LoadPictureFromMemory(narrow));
  Bytes planes = MakePcx(8, 2, 2, 2, lines);
  planes[65] = 3;
  EXPECT_FALSE(LoadPictureFromMemory(planes));
  Bytes huge = MakePcx(8, 2, 2, 2, lines);
  huge[8] = huge[9] = huge[10] = huge[11] = 0x0F;
  huge[66] = huge[67] = 0x0F;
  EXPECT_FALSE(LoadPictureFromMemory(huge));
}

// An icon or cursor image entry of colour 0xRRGGBB: a 32-bit bitmap with alpha (pixel = colour) or
// a 24-bit one with a mask that hides the left column.
Bytes IconBitmap(int size, uint32_t colour, bool withAlpha) {
  const int depth = withAlpha ? 32 : 24;
  Bytes b(40, 0);
  auto put = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  put(0, 40);
  put(4, uint32_t(size));
  put(8, uint32_t(2 * size));
  b[12] = 1;
  b[14] = uint8_t(depth);
  const int stride = (size * depth / 8 + 3) / 4 * 4;
  for (int r = 0; r < size; ++r) {
    Bytes row(size_t(stride), 0);
    for (int x = 0; x < size; ++x) {
      row[size_t(x * depth / 8)] = uint8_t(colour);  // blue, green, red
      row[size_t(x * depth / 8 + 1)] = uint8_t(colour >> 8);
      row[size_t(x * depth / 8 + 2)] = uint8_t(colour >> 16);
      if (withAlpha) row[size_t(x * 4 + 3)] = x == 0 ? 0 : 255;
    }
    b.insert(b.end(), row.begin(), row.end());
  }
  const int maskStride = (size + 31) / 32 * 4;
  for (int r = 0; r < size; ++r) {
    Bytes row(size_t(maskStride), 0);
    row[0] = 0x80;  // the left column is transparent
    b.insert(b.end(), row.begin(), row.end());
  }
  return b;
}

Bytes IconFile(int type, const std::vector<std::pair<int, Bytes>>& images, int hotX = 0,
               int hotY = 0) {
  Bytes b = {0, 0, uint8_t(type), 0, uint8_t(images.size()), 0};
  size_t offset = 6 + 16 * images.size();
  for (const auto& [size, data] : images) {
    Bytes e(16, 0);
    e[0] = e[1] = uint8_t(size);
    e[4] = uint8_t(type == 2 ? hotX : 1);
    e[6] = uint8_t(type == 2 ? hotY : 32);
    uint32_t n = uint32_t(data.size()), at = uint32_t(offset);
    std::memcpy(&e[8], &n, 4);
    std::memcpy(&e[12], &at, 4);
    b.insert(b.end(), e.begin(), e.end());
    offset += data.size();
  }
  for (const auto& image : images) b.insert(b.end(), image.second.begin(), image.second.end());
  return b;
}

TEST(IconDecoder, TakesTheLargestImageOfAnImageMagickIcon) {
  PicturePtr p = LoadPictureFromMemory(ReadSample("icon.ico"));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, runtime::kIconPicture);
  EXPECT_EQ(p->dataSize, 0);
  ASSERT_NE(p->icon, nullptr);
  EXPECT_EQ(p->icon->width, 32);
  ExpectPixelsOf("icon.ico", runtime::kIconPicture);
}

TEST(IconDecoder, ReadsCursorsWithTheirHotSpotAndMask) {
  Bytes file = IconFile(
      2, {{16, IconBitmap(16, 0x112233, false)}, {32, IconBitmap(32, 0x445566, false)}}, 6, 1);
  PicturePtr p = LoadPictureFromMemory(file);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, runtime::kCursorPicture);
  ASSERT_EQ(p->width, 32);
  EXPECT_EQ(p->icon->hotX, 6);
  EXPECT_EQ(p->icon->hotY, 1);
  EXPECT_EQ(p->icon->argb[0] >> 24, 0u);  // masked
  EXPECT_EQ(p->icon->argb[1], 0xFF445566u);
  EXPECT_EQ(p->icon->argb[31 * 32 + 5], 0xFF445566u);
}

TEST(IconDecoder, UsesTheAlphaOfThirtyTwoBitImages) {
  PicturePtr p = LoadPictureFromMemory(IconFile(1, {{16, IconBitmap(16, 0xABCDEF, true)}}));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, runtime::kIconPicture);
  EXPECT_EQ(p->icon->argb[16], 0x00ABCDEFu);
  EXPECT_EQ(p->icon->argb[17], 0xFFABCDEFu);
}

TEST(IconDecoder, SkipsEntriesItCannotReadAndRefusesWhenNoneIsLeft) {
  Bytes png = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  png.resize(64, 0);
  Bytes mixed = IconFile(1, {{48, png}, {16, IconBitmap(16, 0x010203, false)}});
  PicturePtr p = LoadPictureFromMemory(mixed);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 16);

  EXPECT_FALSE(LoadPictureFromMemory(IconFile(1, {{48, png}})));
  Bytes pastEnd = IconFile(1, {{16, IconBitmap(16, 0x010203, false)}});
  pastEnd[6 + 12] = 0xF0;  // the image's offset past the end
  EXPECT_FALSE(LoadPictureFromMemory(pastEnd));
  Bytes manyEntries = {0, 0, 1, 0, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0};
  EXPECT_FALSE(LoadPictureFromMemory(manyEntries));
  Bytes good = IconFile(2, {{16, IconBitmap(16, 0x010203, false)}});
  for (size_t n = 6; n < good.size(); ++n)
    EXPECT_FALSE(LoadPictureFromMemory(Bytes(good.begin(), good.begin() + long(n)))) << n;
}

TEST(PictureLoader, LoadsFilesByName) {
  const std::string folder = std::string(XQ_SOURCE_DIR) + "/tests/data/pictures/";
  PicturePtr p = LoadPictureFromFile(folder + "bmp4.bmp");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->kind, runtime::kBmpPicture);
  EXPECT_FALSE(LoadPictureFromFile(""));
  EXPECT_FALSE(LoadPictureFromFile(folder + "no such file.bmp"));
  EXPECT_FALSE(LoadPictureFromFile(folder));
  EXPECT_FALSE(LoadPictureFromFile(folder + "bmp4.ppm"));
}

TEST(PictureLoader, ColoursOfABrokenPictureAreEmpty) {
  runtime::Picture p;
  EXPECT_TRUE(PictureColours(p).empty());
  p.kind = runtime::kBmpPicture;
  p.width = 2;
  p.height = 2;
  EXPECT_TRUE(PictureColours(p).empty());  // no block
  uint8_t block[11] = {};
  p.data = block;
  p.dataSize = 11;  // one byte short of 2 x 2 x 3
  EXPECT_TRUE(PictureColours(p).empty());
}

}  // namespace
