#include "runtime/pictures/icon_decoder.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "runtime/pictures/bmp_decoder.h"

namespace runtime {

namespace {

constexpr size_t kDirectoryHeader = 6;
constexpr size_t kEntrySize = 16;
constexpr size_t kInfoHeaderSize = 40;

uint32_t Long(const uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | uint32_t(p[3]) << 24;
}
uint16_t Word(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

struct Entry {
  int32_t width, height, depth, hotX, hotY;
  std::span<const uint8_t> image;
};

uint32_t ToArgb(uint32_t bgr, uint32_t alpha) {
  return alpha << 24 | (bgr & 0xFF) << 16 | (bgr & 0xFF00) | (bgr >> 16 & 0xFF);
}

// One directory entry's bitmap: the information header (height counts the image and its mask),
// the palette, the colour rows and the 1-bit mask rows, all bottom-up.
bool DecodeEntry(std::span<const uint8_t> d, IconImage& icon) {
  if (d.size() < kInfoHeaderSize) return false;
  const int64_t headerSize = Long(&d[0]);
  const int32_t width = int32_t(Long(&d[4]));
  const int32_t doubledHeight = int32_t(Long(&d[8]));
  const int32_t depth = Word(&d[14]);
  const uint32_t compression = Long(&d[16]);
  const int64_t coloursUsed = Long(&d[32]);
  if (headerSize < int64_t(kInfoHeaderSize) || headerSize > int64_t(d.size())) return false;
  if (compression != 0 || doubledHeight <= 0) return false;
  const int32_t height = doubledHeight / 2;
  if (!PictureSizeAllowed(width, height)) return false;
  if (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32) return false;

  int64_t at = headerSize;
  uint32_t palette[256] = {};
  int32_t paletteCount = 0;
  if (depth <= 8) {
    const int64_t count = coloursUsed != 0 ? coloursUsed : int64_t{1} << depth;
    if (count * 4 > int64_t(d.size()) - at) return false;
    paletteCount = int32_t(std::min<int64_t>(count, 256));
    for (int32_t i = 0; i < paletteCount; ++i) {
      const uint8_t* e = d.data() + at + 4 * i;
      palette[i] = e[2] | e[1] << 8 | uint32_t(e[0]) << 16;
    }
    at += count * 4;
  }
  const size_t w = size_t(width), h = size_t(height);
  std::vector<uint32_t> colours(w * h);
  std::span<const uint8_t> rows = d.subspan(size_t(at));
  if (!ReadBitmapRows(rows, width, height, depth, false, palette, paletteCount, colours.data()))
    return false;
  const size_t colourStride = (w * size_t(depth) + 31) / 32 * 4;
  const size_t maskStride = (w + 31) / 32 * 4;

  // 32-bit images carry their own alpha; an image whose alpha is all zero is an old one that
  // relies on the mask like the others.
  std::vector<uint32_t> alpha(w * h, 255);
  bool ownAlpha = false;
  if (depth == 32) {
    for (size_t r = 0; r < h; ++r)
      for (size_t x = 0; x < w; ++x) {
        uint8_t a = rows[r * colourStride + 4 * x + 3];
        alpha[(h - 1 - r) * w + x] = a;
        ownAlpha = ownAlpha || a != 0;
      }
  }
  if (!ownAlpha) {
    const size_t maskStart = colourStride * h;
    const size_t needed = maskStart + maskStride * (h - 1) + (w + 7) / 8;
    if (needed > rows.size()) return false;
    for (size_t r = 0; r < h; ++r) {
      const uint8_t* m = rows.data() + maskStart + r * maskStride;
      for (size_t x = 0; x < w; ++x)
        alpha[(h - 1 - r) * w + x] = (m[x >> 3] >> (7 - (x & 7)) & 1) ? 0 : 255;
    }
  }
  icon.width = width;
  icon.height = height;
  icon.argb.resize(w * h);
  for (size_t i = 0; i < w * h; ++i) icon.argb[i] = ToArgb(colours[i], alpha[i]);
  return true;
}

}  // namespace

std::vector<IconImage> DecodeIconImages(std::span<const uint8_t> d) {
  std::vector<IconImage> images;
  if (d.size() < kDirectoryHeader || Word(&d[0]) != 0) return images;
  const int type = Word(&d[2]);
  const size_t count = Word(&d[4]);
  if ((type != 1 && type != 2) || count == 0) return images;
  if (count * kEntrySize > d.size() - kDirectoryHeader) return images;

  std::vector<Entry> entries;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* e = d.data() + kDirectoryHeader + i * kEntrySize;
    const int64_t bytes = Long(e + 8), offset = Long(e + 12);
    if (offset > int64_t(d.size()) || bytes > int64_t(d.size()) - offset) continue;
    Entry entry{e[0] ? e[0] : 256, e[1] ? e[1] : 256, type == 1 ? Word(e + 6) : 0,
                Word(e + 4),       Word(e + 6),       d.subspan(size_t(offset), size_t(bytes))};
    entries.push_back(entry);
  }
  // The largest image first, the deepest among equals.
  std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
    int64_t areaA = int64_t{a.width} * a.height, areaB = int64_t{b.width} * b.height;
    return areaA != areaB ? areaA > areaB : a.depth > b.depth;
  });
  for (const Entry& entry : entries) {
    IconImage icon;
    if (!DecodeEntry(entry.image, icon)) continue;
    if (type == 2) {
      icon.hotX = std::min(int32_t{entry.hotX}, icon.width - 1);
      icon.hotY = std::min(int32_t{entry.hotY}, icon.height - 1);
    } else {
      icon.hotX = icon.width / 2;
      icon.hotY = icon.height / 2;
    }
    images.push_back(std::move(icon));
  }
  return images;
}

PicturePtr DecodeIcon(std::span<const uint8_t> d) {
  std::vector<IconImage> images = DecodeIconImages(d);
  if (images.empty()) return nullptr;
  const bool cursor = Word(&d[2]) == 2;
  PicturePtr picture = NewPicture(cursor ? kCursorPicture : kIconPicture, images[0].width,
                                  images[0].height, 0);
  picture->icon = new IconImage(std::move(images[0]));
  return picture;
}

}  // namespace runtime
