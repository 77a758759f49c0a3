// Helpers of the picture tests: golden files, and GIF files put together byte by byte.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace test_pictures {

using Bytes = std::vector<uint8_t>;

#ifdef XQ_SOURCE_DIR
// A file of tests/data/pictures; fails the test when it is missing. (Inline: the source folder
// is known to the test programs only.)
inline Bytes ReadSample(const std::string& name) {
  std::ifstream in(std::string(XQ_SOURCE_DIR) + "/tests/data/pictures/" + name, std::ios::binary);
  EXPECT_TRUE(in.good()) << name;
  return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
#endif

// A binary PPM as 0x00BBGGRR colours, top row first; empty when it is not a P6 file of 8-bit
// samples.
struct Ppm {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> colours;
};
Ppm ReadPpm(const Bytes& bytes);

// A reference LZW encoder as the GIF standard describes it: a clear code first, then codes whose
// width follows the dictionary, and an end code. With `clearWhenFull` false the encoder goes on
// with a full dictionary (never adding to it) instead of starting afresh.
Bytes EncodeLzw(const Bytes& pixels, int minimumCodeSize, bool clearWhenFull = true);
// Codes of the given widths packed least significant bit first.
Bytes PackCodes(const std::vector<std::pair<int, int>>& codesAndWidths);
// Data split into sub-blocks of at most 255 bytes, with the terminator.
Bytes SubBlocks(const Bytes& data);

// A GIF89a put together from parts: screen descriptor with an optional global table, the given
// blocks, a trailer.
struct GifImage {
  int32_t width = 0;
  int32_t height = 0;
  Bytes localTable;  // red-green-blue triples; a power of two of them, or empty
  bool interlaced = false;
  int minimumCodeSize = 8;
  Bytes lzw;  // the packed codes (split into sub-blocks when written)
};
Bytes GifHeader(int32_t width, int32_t height, const Bytes& globalTable);
void AppendImage(Bytes& gif, const GifImage& image);
void AppendGraphicControl(Bytes& gif, bool transparent, uint8_t index, int delay = 0);
void AppendComment(Bytes& gif, const std::string& text);

// A 44 x 44 sprite like the game's: a disc of shades on white (palette entry 255) corners.
Bytes MakeSpriteGif();

}  // namespace test_pictures
