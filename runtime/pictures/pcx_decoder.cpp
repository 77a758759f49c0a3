#include "runtime/pictures/pcx_decoder.h"

#include <cstring>
#include <vector>

namespace runtime {

namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteTrailer = 769;  // 0x0C and 256 red-green-blue triples
constexpr int64_t kLongestRun = 63;

uint16_t Word(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

// Expands the run-length data into `out`; runs may cross scan lines. False when the data ends
// first.
bool ExpandRuns(std::span<const uint8_t> d, std::vector<uint8_t>& out) {
  size_t at = 0, i = 0;
  while (at < out.size()) {
    if (i >= d.size()) return false;
    uint8_t b = d[i++];
    size_t count = 1;
    if ((b & 0xC0) == 0xC0) {
      if (i >= d.size()) return false;
      count = b & 0x3F;
      b = d[i++];
    }
    if (count > out.size() - at) count = out.size() - at;
    std::memset(out.data() + at, b, count);
    at += count;
  }
  return true;
}

}  // namespace

PicturePtr DecodePcx(std::span<const uint8_t> d) {
  if (d.size() < kHeaderSize || d[0] != 0x0A || d[2] != 1) return nullptr;
  const int version = d[1], depth = d[3], planes = d[65];
  const bool eightBit = depth == 8 && version <= 5;
  const bool oneBit = depth == 1 && version == 3;
  if (planes != 1 || (!eightBit && !oneBit)) return nullptr;
  const int64_t width = int64_t{Word(&d[8])} - Word(&d[4]) + 1;
  const int64_t height = int64_t{Word(&d[10])} - Word(&d[6]) + 1;
  const int64_t bytesPerLine = Word(&d[66]);
  if (!PictureSizeAllowed(width, height)) return nullptr;
  if (bytesPerLine < (eightBit ? width : (width + 7) / 8)) return nullptr;

  std::span<const uint8_t> runs = d.subspan(kHeaderSize);
  const uint8_t* paletteRgb = nullptr;
  if (eightBit && d.size() >= kHeaderSize + kPaletteTrailer &&
      d[d.size() - kPaletteTrailer] == 0x0C) {
    paletteRgb = d.data() + d.size() - kPaletteTrailer + 1;
    runs = runs.first(runs.size() - kPaletteTrailer);
  }
  // Each data byte yields at most one run of 63: a larger image cannot be in the file.
  const int64_t total = bytesPerLine * height;
  if (total > int64_t(runs.size()) * kLongestRun) return nullptr;
  std::vector<uint8_t> lines(size_t(total), 0);
  if (!ExpandRuns(runs, lines)) return nullptr;

  const int32_t w = int32_t(width), h = int32_t(height);
  if (eightBit) {
    uint8_t grey[256 * 3];
    if (paletteRgb == nullptr) {
      // No palette at the end: the indexes are shades of grey.
      for (int i = 0; i < 256; ++i) grey[3 * i] = grey[3 * i + 1] = grey[3 * i + 2] = uint8_t(i);
      paletteRgb = grey;
    }
    PicturePtr picture = NewPicture(kPcx8Picture, w, h, int64_t{w} * h + kPaletteHeaderSize);
    WritePaletteHeader(picture->data, w, h, paletteRgb, 256);
    for (int32_t y = 0; y < h; ++y)
      std::memcpy(picture->data + kPaletteHeaderSize + size_t(y) * size_t(w),
                  lines.data() + size_t(y) * size_t(bytesPerLine), size_t(w));
    return picture;
  }
  const size_t stride = size_t(w + 15) / 16 * 2;
  PicturePtr picture = NewPicture(kPcx1Picture, w, h, int64_t(stride) * h);
  std::memset(picture->data, 0, size_t(picture->dataSize));
  const size_t used = size_t(w + 7) / 8;
  for (int32_t y = 0; y < h; ++y) {
    uint8_t* row = picture->data + size_t(y) * stride;
    std::memcpy(row, lines.data() + size_t(y) * size_t(bytesPerLine), used);
    if (w % 8 != 0) row[used - 1] &= uint8_t(0xFF << (8 - w % 8));  // no stray bits past the edge
  }
  return picture;
}

}  // namespace runtime
