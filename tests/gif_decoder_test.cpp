// The GIF decoder against giflib: files made by giflib's encoder and by a reference encoder,
// decoded by both and compared pixel by pixel; then the files it must refuse.
#include "runtime/pictures/gif_decoder.h"

#include <gif_lib.h>
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "tests/support/picture_samples.h"

namespace {

using runtime::DecodeGif;
using runtime::GifDetails;
using runtime::PicturePtr;
using test_pictures::Bytes;

struct Cursor {
  const Bytes* data;
  size_t at = 0;
};

int WriteToBytes(GifFileType* gif, const GifByteType* bytes, int n) {
  auto* out = static_cast<Bytes*>(gif->UserData);
  out->insert(out->end(), bytes, bytes + n);
  return n;
}

int ReadFromBytes(GifFileType* gif, GifByteType* bytes, int n) {
  auto* in = static_cast<Cursor*>(gif->UserData);
  size_t available = in->data->size() - in->at;
  size_t count = std::min(available, size_t(n));
  std::memcpy(bytes, in->data->data() + in->at, count);
  in->at += count;
  return int(count);
}

Bytes RandomTable(int entries, std::mt19937& random) {
  Bytes table(size_t(entries) * 3);
  for (auto& b : table) b = uint8_t(random());
  return table;
}

ColorMapObject* MapOf(const Bytes& table) {
  std::vector<GifColorType> colours(table.size() / 3);
  for (size_t i = 0; i < colours.size(); ++i)
    colours[i] = {table[3 * i], table[3 * i + 1], table[3 * i + 2]};
  return GifMakeMapObject(int(colours.size()), colours.data());
}

// Rows in the order the file stores them.
std::vector<int> FileRowOrder(int height, bool interlaced) {
  std::vector<int> rows;
  if (!interlaced) {
    for (int y = 0; y < height; ++y) rows.push_back(y);
    return rows;
  }
  const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
  for (int pass = 0; pass < 4; ++pass)
    for (int y = start[pass]; y < height; y += step[pass]) rows.push_back(y);
  return rows;
}

struct Case {
  int width, height, bits;
  bool interlaced, local, noisy;
};

// Encodes with giflib: `pixels` are row-major indexes below 2^bits.
Bytes EncodeWithGiflib(const Case& c, const Bytes& table, Bytes pixels, bool withGlobal) {
  Bytes out;
  int error = 0;
  GifFileType* gif = EGifOpen(&out, WriteToBytes, &error);
  EXPECT_NE(gif, nullptr);
  EGifSetGifVersion(gif, true);
  ColorMapObject* map = MapOf(table);
  ColorMapObject* junk = nullptr;
  if (!withGlobal) {
    EXPECT_EQ(EGifPutScreenDesc(gif, c.width, c.height, 8, 0, nullptr), GIF_OK);
  } else if (c.local) {
    // A different global table, so that using it by mistake shows.
    std::mt19937 r(7);
    junk = MapOf(RandomTable(256, r));
    EXPECT_EQ(EGifPutScreenDesc(gif, c.width, c.height, 8, 0, junk), GIF_OK);
  } else {
    EXPECT_EQ(EGifPutScreenDesc(gif, c.width, c.height, 8, 0, map), GIF_OK);
  }
  EXPECT_EQ(EGifPutComment(gif, "made by the test"), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(gif, 0, 0, c.width, c.height, c.interlaced,
                             c.local || !withGlobal ? map : nullptr),
            GIF_OK);
  for (int y : FileRowOrder(c.height, c.interlaced))
    EXPECT_EQ(EGifPutLine(gif, pixels.data() + size_t(y) * size_t(c.width), c.width), GIF_OK);
  EXPECT_EQ(EGifCloseFile(gif, &error), GIF_OK);
  GifFreeMapObject(map);
  if (junk) GifFreeMapObject(junk);
  return out;
}

struct Oracle {
  int width = 0, height = 0;
  Bytes table;  // the palette the image uses, as triples
  Bytes pixels;
};

Oracle DecodeWithGiflib(const Bytes& file) {
  Oracle o;
  Cursor cursor{&file};
  int error = 0;
  GifFileType* gif = DGifOpen(&cursor, ReadFromBytes, &error);
  EXPECT_NE(gif, nullptr);
  if (gif == nullptr) return o;
  EXPECT_EQ(DGifSlurp(gif), GIF_OK);
  const SavedImage& image = gif->SavedImages[0];
  o.width = image.ImageDesc.Width;
  o.height = image.ImageDesc.Height;
  const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
  for (int i = 0; map && i < map->ColorCount; ++i)
    o.table.insert(o.table.end(), {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue});
  o.pixels.assign(image.RasterBits, image.RasterBits + o.width * o.height);
  DGifCloseFile(gif, &error);
  return o;
}

void ExpectSameAsOracle(const Bytes& file, const std::string& what) {
  SCOPED_TRACE(what);
  Oracle want = DecodeWithGiflib(file);
  GifDetails details;
  PicturePtr got = DecodeGif(file, &details);
  ASSERT_TRUE(got) << what;
  ASSERT_EQ(got->kind, runtime::kGifPicture);
  ASSERT_EQ(got->width, want.width);
  ASSERT_EQ(got->height, want.height);
  ASSERT_EQ(got->dataSize, want.width * want.height + 25640);
  // The header: 40 bytes, top-down, 8 bits, 256 colours used and important.
  int32_t header[10];
  std::memcpy(header, got->data, 40);
  EXPECT_EQ(header[0], 40);
  EXPECT_EQ(header[1], want.width);
  EXPECT_EQ(header[2], -want.height);
  EXPECT_EQ(header[3], 1 | 8 << 16);
  EXPECT_EQ(header[4], 0);
  EXPECT_EQ(header[8], 256);
  EXPECT_EQ(header[9], 256);
  for (size_t i = 0; i < 256; ++i) {
    const uint8_t* e = got->data + 40 + 4 * i;
    Bytes entry = {e[2], e[1], e[0]};
    Bytes expected = 3 * i < want.table.size() ? Bytes(want.table.begin() + long(3 * i),
                                                       want.table.begin() + long(3 * i + 3))
                                               : Bytes{0, 0, 0};
    ASSERT_EQ(entry, expected) << "palette entry " << i;
    ASSERT_EQ(e[3], 0);
  }
  const uint8_t* pixels = got->data + 1064;
  for (int i = 0; i < want.width * want.height; ++i)
    ASSERT_EQ(pixels[i], want.pixels[size_t(i)])
        << "pixel " << i % want.width << "," << i / want.width;
}

Bytes MakePixels(const Case& c, std::mt19937& random) {
  Bytes pixels(size_t(c.width) * size_t(c.height));
  const int colours = 1 << c.bits;
  for (int y = 0; y < c.height; ++y)
    for (int x = 0; x < c.width; ++x)
      pixels[size_t(y * c.width + x)] =
          uint8_t(c.noisy ? random() % unsigned(colours) : ((x / 3 + y / 5) * 7) % colours);
  return pixels;
}

TEST(GifDecoder, AgreesWithGiflibOnEveryDepthLayoutAndPalette) {
  std::mt19937 random(2024);
  const std::pair<int, int> sizes[] = {{1, 1}, {44, 44}, {37, 23}, {3, 17}, {300, 7}, {128, 96}};
  int checked = 0;
  for (int bits = 1; bits <= 8; ++bits)
    for (auto [w, h] : sizes)
      for (bool interlaced : {false, true})
        for (bool local : {false, true})
          for (bool noisy : {false, true}) {
            Case c{w, h, bits, interlaced, local, noisy};
            Bytes table = RandomTable(1 << bits, random);
            Bytes file = EncodeWithGiflib(c, table, MakePixels(c, random), true);
            ExpectSameAsOracle(file, "bits " + std::to_string(bits) + " size " + std::to_string(w) +
                                         "x" + std::to_string(h) +
                                         (interlaced ? " interlaced" : "") +
                                         (local ? " local" : "") + (noisy ? " noisy" : ""));
            ++checked;
          }
  EXPECT_EQ(checked, 8 * 6 * 8);
}

TEST(GifDecoder, LargeNoisyImagesFillAndClearTheDictionary) {
  std::mt19937 random(99);
  for (int bits : {2, 5, 8}) {
    Case c{640, 480, bits, bits == 5, false, true};
    Bytes file = EncodeWithGiflib(c, RandomTable(1 << bits, random), MakePixels(c, random), true);
    ExpectSameAsOracle(file, "large, bits " + std::to_string(bits));
  }
}

// Streams from the reference encoder: every minimum code size from 1, and a dictionary that
// fills up without a clear code (the decoder must keep 12-bit codes and stop adding entries).
TEST(GifDecoder, AgreesWithGiflibOnEveryMinimumCodeSizeAndAFullDictionary) {
  std::mt19937 random(5);
  for (int m = 1; m <= 8; ++m)
    for (bool clearWhenFull : {true, false}) {
      const int colours = std::min(256, 1 << std::max(m, 1));
      Bytes pixels(200 * 150);
      for (auto& p : pixels) p = uint8_t(random() % unsigned(colours));
      Bytes table = RandomTable(256, random);
      Bytes file = test_pictures::GifHeader(200, 150, table);
      test_pictures::AppendImage(
          file, {200, 150, {}, false, m, test_pictures::EncodeLzw(pixels, m, clearWhenFull)});
      file.push_back(0x3B);
      EXPECT_EQ(DecodeWithGiflib(file).pixels, pixels);
      ExpectSameAsOracle(
          file, "minimum code size " + std::to_string(m) + (clearWhenFull ? "" : " without clear"));
    }
}

TEST(GifDecoder, NotesTransparencyWithoutChangingThePalette) {
  Bytes file = test_pictures::MakeSpriteGif();
  GifDetails details;
  PicturePtr p = DecodeGif(file, &details);
  ASSERT_TRUE(p);
  EXPECT_EQ(p->width, 44);
  EXPECT_EQ(p->height, 44);
  EXPECT_TRUE(details.transparent);
  EXPECT_EQ(details.transparentIndex, 255);
  EXPECT_EQ(details.transparentColour, 0xFFFFFFu);
  const uint8_t* entry255 = p->data + 40 + 4 * 255;
  EXPECT_EQ(entry255[0], 255);
  EXPECT_EQ(entry255[1], 255);
  EXPECT_EQ(entry255[2], 255);
  EXPECT_EQ(p->data[1064], 255);                 // a corner
  EXPECT_NE(p->data[1064 + 22 * 44 + 22], 255);  // the middle of the disc
}

// A one-pixel-wide image of 4 x 1 pixels, minimum code size 2, with the codes given.
Bytes TinyGif(const std::vector<std::pair<int, int>>& codes, int width = 4) {
  Bytes file = test_pictures::GifHeader(width, 1, Bytes{0, 0, 0, 255, 255, 255, 1, 2, 3, 4, 5, 6});
  test_pictures::AppendImage(file, {width, 1, {}, false, 2, test_pictures::PackCodes(codes)});
  file.push_back(0x3B);
  return file;
}

TEST(GifDecoder, DecodesTheCodeThatIsBeingDefined) {
  // clear, 1, 6 (= "1 1", the entry the decoder is making), end: pixels 1 1 1.
  PicturePtr p = DecodeGif(TinyGif({{4, 3}, {1, 3}, {6, 3}, {5, 3}}, 3));
  ASSERT_TRUE(p);
  EXPECT_EQ(Bytes(p->data + 1064, p->data + 1067), (Bytes{1, 1, 1}));
}

TEST(GifDecoder, RefusesCodesTheDictionaryDoesNotHold) {
  // 7 right after the clear code: nothing is defined above the end code yet.
  EXPECT_FALSE(DecodeGif(TinyGif({{4, 3}, {7, 3}, {5, 3}})));
  // 6 as the first code: the entry being defined needs a previous code.
  EXPECT_FALSE(DecodeGif(TinyGif({{4, 3}, {6, 3}, {5, 3}})));
  // 0, then 7 while 6 is the next entry.
  EXPECT_FALSE(DecodeGif(TinyGif({{4, 3}, {0, 3}, {7, 3}, {5, 3}})));
  // A clear code forgets entries: 6 is defined before it and not after.
  EXPECT_FALSE(DecodeGif(TinyGif({{4, 3}, {0, 3}, {1, 3}, {4, 3}, {6, 3}, {5, 3}})));
  EXPECT_TRUE(DecodeGif(TinyGif({{4, 3}, {0, 3}, {1, 3}, {6, 3}, {5, 3}})));
}

TEST(GifDecoder, RefusesAStreamThatEndsBeforeTheLastPixel) {
  EXPECT_FALSE(DecodeGif(TinyGif({{4, 3}, {3, 3}, {5, 3}})));  // the end code after one pixel
  EXPECT_FALSE(DecodeGif(TinyGif({{4, 3}, {3, 3}})));          // the terminator after one pixel
  // No end code needed once the last pixel is in (the fifth code is 4 bits wide: entry 7 is made).
  PicturePtr full = DecodeGif(TinyGif({{4, 3}, {3, 3}, {2, 3}, {1, 3}, {0, 4}}));
  ASSERT_TRUE(full);
  EXPECT_EQ(Bytes(full->data + 1064, full->data + 1068), (Bytes{3, 2, 1, 0}));
  // A big image with a few bytes of data is refused before its pixels are allocated: no stream
  // of that length could fill it.
  Bytes file = test_pictures::GifHeader(4000, 4000, Bytes(6, 0));
  test_pictures::AppendImage(file, {4000, 4000, {}, false, 2, Bytes(40, 0xFF)});
  file.push_back(0x3B);
  EXPECT_FALSE(DecodeGif(file));
}

TEST(GifDecoder, RefusesBadMinimumCodeSizes) {
  for (int m : {0, 9, 12, 255}) {
    Bytes file = test_pictures::GifHeader(2, 2, Bytes(6, 0));
    test_pictures::AppendImage(file, {2, 2, {}, false, m, Bytes{0, 0, 0, 0}});
    file.push_back(0x3B);
    EXPECT_FALSE(DecodeGif(file)) << m;
  }
}

Bytes ValidGif() {
  Bytes pixels = {0, 1, 2, 3, 3, 2, 1, 0};
  Bytes file = test_pictures::GifHeader(4, 2, Bytes{0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255});
  test_pictures::AppendGraphicControl(file, false, 0, 10);
  test_pictures::AppendComment(file, "a comment");
  test_pictures::AppendImage(file, {4, 2, {}, false, 2, test_pictures::EncodeLzw(pixels, 2)});
  file.push_back(0x3B);
  return file;
}

TEST(GifDecoder, EveryTruncationIsRefusedWithoutReadingPastTheEnd) {
  Bytes whole = ValidGif();
  ASSERT_TRUE(DecodeGif(whole));
  // Cut anywhere before the image's last sub-block ends: null. Each prefix is copied into its own
  // buffer so that the address sanitizer sees any read past it.
  const size_t imageDataEnd = whole.size() - 2;  // the terminator and the trailer may go
  for (size_t n = 0; n < imageDataEnd; ++n) {
    Bytes prefix(whole.begin(), whole.begin() + long(n));
    EXPECT_FALSE(DecodeGif(prefix)) << n;
  }
  EXPECT_TRUE(DecodeGif(Bytes(whole.begin(), whole.end() - 1)));
}

TEST(GifDecoder, AFileWithoutAnImageIsRefusedAfterOneWalk) {
  Bytes table(6, 0);
  Bytes onlyTrailer = test_pictures::GifHeader(4, 4, table);
  onlyTrailer.push_back(0x3B);
  EXPECT_FALSE(DecodeGif(onlyTrailer));

  Bytes extensionsOnly = test_pictures::GifHeader(4, 4, table);
  test_pictures::AppendComment(extensionsOnly, "nothing to see");
  test_pictures::AppendGraphicControl(extensionsOnly, true, 1);
  extensionsOnly.push_back(0x00);  // a zero byte rewinds like the trailer
  EXPECT_FALSE(DecodeGif(extensionsOnly));

  Bytes noEnd = test_pictures::GifHeader(4, 4, table);
  test_pictures::AppendComment(noEnd, "and then nothing");
  EXPECT_FALSE(DecodeGif(noEnd));
}

TEST(GifDecoder, RefusesMalformedHeadersAndBlocks) {
  Bytes good = ValidGif();
  auto with = [&](size_t at, uint8_t value) {
    Bytes b = good;
    b[at] = value;
    return b;
  };
  EXPECT_FALSE(DecodeGif(Bytes(good.begin(), good.begin() + 13)));  // 13 bytes or less
  EXPECT_FALSE(DecodeGif(with(4, '8')));                            // "GIF88a"
  EXPECT_FALSE(DecodeGif(with(5, 'b')));
  EXPECT_FALSE(DecodeGif(with(10, 0xF7)));  // a global table of 256 entries past the data
  // An extension label nobody defined.
  size_t gce = 13 + 12;
  ASSERT_EQ(good[gce], 0x21);
  EXPECT_FALSE(DecodeGif(with(gce + 1, 0x55)));
  // A block introducer that is neither extension, image nor trailer.
  EXPECT_FALSE(DecodeGif(with(gce, 0x42)));
  // A sub-block length running past the data.
  EXPECT_FALSE(DecodeGif(with(gce + 2, 200)));

  // Width or height 0, and sizes whose pixels would not fit the picture's bounds.
  for (auto [w, h] : {std::pair{0, 5}, {5, 0}, {65535, 65535}, {65535, 2}, {4097, 4097}}) {
    Bytes file = test_pictures::GifHeader(w, h, Bytes(6, 0));
    test_pictures::AppendImage(file, {w, h, {}, false, 2, Bytes{0x04, 0x05}});
    file.push_back(0x3B);
    EXPECT_FALSE(DecodeGif(file)) << w << "x" << h;
  }
  // A local table past the data.
  Bytes local = test_pictures::GifHeader(2, 2, {});
  local.insert(local.end(), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0x87, 1, 2, 3});
  EXPECT_FALSE(DecodeGif(local));
}

TEST(GifDecoder, AnImageWithoutAnyColourTableIsBlack) {
  Bytes file = test_pictures::GifHeader(2, 1, {});
  test_pictures::AppendImage(file, {2, 1, {}, false, 2, test_pictures::EncodeLzw({1, 2}, 2)});
  file.push_back(0x3B);
  PicturePtr p = DecodeGif(file);
  ASSERT_TRUE(p);
  EXPECT_EQ(runtime::PictureColours(*p), (std::vector<uint32_t>{0, 0}));
  EXPECT_EQ(p->data[1064], 1);
  EXPECT_EQ(p->data[1065], 2);
}

}  // namespace
