#include "runtime/pictures/bmp_decoder.h"

#include <cstdlib>
#include <vector>

namespace runtime {

namespace {

uint32_t Long(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t Word(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

constexpr size_t kFileHeaderSize = 14;
constexpr size_t kInfoHeaderSize = 40;

}  // namespace

bool ReadBitmapRows(std::span<const uint8_t> pixels, int32_t width, int32_t height, int32_t depth,
                    bool topDown, const uint32_t* palette, int32_t paletteCount, uint32_t* out) {
  const int64_t bitsPerRow = int64_t{width} * depth;
  const int64_t stride = (bitsPerRow + 31) / 32 * 4;
  // The last row need not carry its padding.
  const int64_t needed = stride * (height - 1) + (bitsPerRow + 7) / 8;
  if (width <= 0 || height <= 0 || needed > int64_t(pixels.size())) return false;
  auto colour = [&](uint32_t index) {
    return index < uint32_t(paletteCount) ? palette[index] : 0u;
  };
  for (int32_t r = 0; r < height; ++r) {
    const uint8_t* row = pixels.data() + stride * r;
    uint32_t* o = out + size_t(topDown ? r : height - 1 - r) * size_t(width);
    switch (depth) {
      case 1:
        for (int32_t x = 0; x < width; ++x) o[x] = colour(row[x >> 3] >> (7 - (x & 7)) & 1);
        break;
      case 4:
        for (int32_t x = 0; x < width; ++x) o[x] = colour(row[x >> 1] >> ((x & 1) ? 0 : 4) & 15);
        break;
      case 8:
        for (int32_t x = 0; x < width; ++x) o[x] = colour(row[x]);
        break;
      case 24:
        for (int32_t x = 0; x < width; ++x, row += 3)
          o[x] = row[2] | row[1] << 8 | uint32_t(row[0]) << 16;
        break;
      case 32:
        for (int32_t x = 0; x < width; ++x, row += 4)
          o[x] = row[2] | row[1] << 8 | uint32_t(row[0]) << 16;
        break;
      default:
        return false;
    }
  }
  return true;
}

PicturePtr DecodeBmp(std::span<const uint8_t> d) {
  if (d.size() < kFileHeaderSize + kInfoHeaderSize || d[0] != 'B' || d[1] != 'M') return nullptr;
  const int64_t offset = Long(&d[10]);
  const int64_t infoSize = Long(&d[14]);
  const int32_t rawWidth = int32_t(Long(&d[18]));
  const int32_t rawHeight = int32_t(Long(&d[22]));
  const int32_t depth = Word(&d[28]);
  const uint32_t compression = Long(&d[30]);
  const int64_t coloursUsed = Long(&d[46]);
  if (compression != 0 || infoSize < int64_t(kInfoHeaderSize)) return nullptr;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return nullptr;
  const int64_t width = std::llabs(int64_t{rawWidth});
  const int64_t height = std::llabs(int64_t{rawHeight});
  if (!PictureSizeAllowed(width, height)) return nullptr;

  // The palette follows the information header, whatever version of it the file carries.
  int64_t readEnd = int64_t(kFileHeaderSize) + infoSize;
  if (readEnd > int64_t(d.size())) return nullptr;
  uint32_t palette[256] = {};
  int32_t paletteCount = 0;
  if (depth <= 8) {
    const int64_t count = coloursUsed != 0 ? coloursUsed : int64_t{1} << depth;
    if (count * 4 > int64_t(d.size()) - readEnd) return nullptr;
    const uint8_t* e = d.data() + readEnd;
    paletteCount = int32_t(count < 256 ? count : 256);
    for (int32_t i = 0; i < paletteCount; ++i, e += 4)
      palette[i] = e[2] | e[1] << 8 | uint32_t(e[0]) << 16;
    readEnd += count * 4;
  }
  if (offset < readEnd || offset > int64_t(d.size())) return nullptr;

  const int32_t w = int32_t(width), h = int32_t(height);
  std::vector<uint32_t> colours(size_t(w) * size_t(h));
  if (!ReadBitmapRows(d.subspan(size_t(offset)), w, h, depth, rawHeight < 0, palette, paletteCount,
                      colours.data()))
    return nullptr;

  PicturePtr picture = NewPicture(kBmpPicture, w, h, int64_t{w} * h * 3);
  uint8_t* o = picture->data;
  for (int32_t y = h - 1; y >= 0; --y) {
    const uint32_t* row = colours.data() + size_t(y) * size_t(w);
    for (int32_t x = 0; x < w; ++x, o += 3) {
      o[0] = uint8_t(row[x] >> 16);
      o[1] = uint8_t(row[x] >> 8);
      o[2] = uint8_t(row[x]);
    }
  }
  return picture;
}

}  // namespace runtime
