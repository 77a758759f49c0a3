#include "runtime/pictures/surface.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace runtime {

namespace {

constexpr uint32_t kColourMask = 0xFFFFFF;

// What drawing reads from a picture: its colours, or for icons and cursors its colours with alpha.
struct Source {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint32_t> colours;                // 0x00BBGGRR
  const std::vector<uint32_t>* argb = nullptr;  // icons and cursors
};

bool MakeSource(const Picture* picture, Source& source) {
  if (picture == nullptr || picture->kind == kNoPicture) return false;
  source.width = picture->width;
  source.height = picture->height;
  source.colours = PictureColours(*picture);
  if (source.colours.empty()) return false;
  if (picture->kind == kIconPicture || picture->kind == kCursorPicture)
    source.argb = &picture->icon->argb;
  return true;
}

Rect Intersect(Rect a, Rect b) {
  int64_t left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  int64_t right = std::min(int64_t{a.x} + a.width, int64_t{b.x} + b.width);
  int64_t bottom = std::min(int64_t{a.y} + a.height, int64_t{b.y} + b.height);
  if (right <= left || bottom <= top) return Rect{};
  return Rect{int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)};
}

uint32_t Blend(uint32_t argb, uint32_t target) {
  const uint32_t a = argb >> 24;
  if (a == 255) return (argb >> 16 & 0xFF) | (argb & 0xFF00) | (argb & 0xFF) << 16;
  if (a == 0) return target;
  const uint32_t s[3] = {argb >> 16 & 0xFF, argb >> 8 & 0xFF, argb & 0xFF};  // red, green, blue
  uint32_t out = 0;
  for (int c = 0; c < 3; ++c) {
    uint32_t t = target >> (8 * c) & 0xFF;
    out |= ((s[c] * a + t * (255 - a) + 127) / 255) << (8 * c);
  }
  return out;
}

// Runs `op(sourceColour, sourceIndex, targetPixel&)` for every target pixel of the destination
// rectangle inside the clip, picking the nearest source pixel.
template <typename Op>
void ForEachPixel(const Source& src, Surface& target, int64_t x, int64_t y, int64_t width,
                  int64_t height, Rect clip, Op op) {
  const bool mirrorX = width < 0, mirrorY = height < 0;
  const int64_t dw = mirrorX ? -width : width, dh = mirrorY ? -height : height;
  const int64_t left = mirrorX ? x + width : x, top = mirrorY ? y + height : y;
  // The visible part of the destination, worked out in 64 bits: every pixel in it lies inside the
  // destination, so its source pixel exists.
  const Rect visible = Intersect(Rect{0, 0, target.Width(), target.Height()}, clip);
  const int64_t x0 = std::max<int64_t>(left, visible.x), y0 = std::max<int64_t>(top, visible.y);
  const int64_t x1 = std::min<int64_t>(left + dw, int64_t{visible.x} + visible.width);
  const int64_t y1 = std::min<int64_t>(top + dh, int64_t{visible.y} + visible.height);
  if (x1 <= x0 || y1 <= y0) return;
  const Rect area{int32_t(x0), int32_t(y0), int32_t(x1 - x0), int32_t(y1 - y0)};
  if (area.width <= 0 || area.height <= 0) return;
  std::vector<int32_t> columns(size_t(area.width));
  for (int32_t i = 0; i < area.width; ++i) {
    int64_t dx = area.x + i - left;
    int64_t sx = (2 * dx + 1) * src.width / (2 * dw);
    columns[size_t(i)] = int32_t(mirrorX ? src.width - 1 - sx : sx);
  }
  for (int32_t j = 0; j < area.height; ++j) {
    int64_t dy = area.y + j - top;
    int64_t sy = (2 * dy + 1) * src.height / (2 * dh);
    if (mirrorY) sy = src.height - 1 - sy;
    const size_t base = size_t(sy) * size_t(src.width);
    uint32_t* row = target.Row(area.y + j) + area.x;
    for (int32_t i = 0; i < area.width; ++i) {
      const size_t index = base + size_t(columns[size_t(i)]);
      op(src.colours[index], index, row[i]);
    }
  }
}

void Paint(const Source& src, Surface& target, int32_t x, int32_t y, int32_t width, int32_t height,
           int32_t mode, Rect clip) {
  const int64_t w = width == -1 ? src.width : width;
  const int64_t h = height == -1 ? src.height : height;
  if (w == 0 || h == 0) return;
  if (src.argb != nullptr) {
    const uint32_t* argb = src.argb->data();
    ForEachPixel(src, target, x, y, w, h, clip,
                 [argb](uint32_t, size_t i, uint32_t& t) { t = Blend(argb[i], t); });
    return;
  }
  if (mode < 0) {
    const int64_t key = -int64_t{mode};
    ForEachPixel(src, target, x, y, w, h, clip, [key](uint32_t s, size_t, uint32_t& t) {
      if (s != key) t = s;
    });
    return;
  }
  const uint32_t brush = target.Brush();
  switch (mode >> 16 & 0xFF) {
    case 0xCC:
      ForEachPixel(src, target, x, y, w, h, clip, [](uint32_t s, size_t, uint32_t& t) { t = s; });
      break;
    case 0x33:
      ForEachPixel(src, target, x, y, w, h, clip,
                   [](uint32_t s, size_t, uint32_t& t) { t = ~s & kColourMask; });
      break;
    case 0x66:
      ForEachPixel(src, target, x, y, w, h, clip,
                   [](uint32_t s, size_t, uint32_t& t) { t = (s ^ t) & kColourMask; });
      break;
    case 0xEE:
      ForEachPixel(src, target, x, y, w, h, clip,
                   [](uint32_t s, size_t, uint32_t& t) { t = (s | t) & kColourMask; });
      break;
    case 0x88:
      ForEachPixel(src, target, x, y, w, h, clip,
                   [](uint32_t s, size_t, uint32_t& t) { t = s & t & kColourMask; });
      break;
    default:
      ForEachPixel(src, target, x, y, w, h, clip, [mode, brush](uint32_t s, size_t, uint32_t& t) {
        t = ApplyRasterOp(mode, brush, s, t);
      });
  }
}

}  // namespace

Surface::Surface(int32_t width, int32_t height, uint32_t colour) {
  if (width <= 0 || height <= 0) return;
  width_ = width;
  height_ = height;
  pixels_.assign(size_t(width) * size_t(height), colour & kColourMask);
}

uint32_t Surface::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return 0;
  return pixels_[size_t(y) * size_t(width_) + size_t(x)];
}

void Surface::SetPixel(int32_t x, int32_t y, uint32_t colour) {
  if (x < 0 || y < 0 || x >= width_ || y >= height_) return;
  pixels_[size_t(y) * size_t(width_) + size_t(x)] = colour & kColourMask;
}

void Surface::Fill(uint32_t colour) {
  std::fill(pixels_.begin(), pixels_.end(), colour & kColourMask);
}

void Surface::FillRect(Rect area, uint32_t colour) {
  Rect r = Intersect(area, Rect{0, 0, width_, height_});
  for (int32_t y = r.y; y < r.y + r.height; ++y)
    std::fill_n(Row(y) + r.x, r.width, colour & kColourMask);
}

int32_t RasterOpForCopyMode(int32_t copyMode) {
  switch (copyMode) {
    case 1:
      return kSourceCopy;
    case 2:
      return kNotSourceCopy;
    case 3:
      return kSourceInvert;
    case 4:
      return kSourcePaint;
    case 5:
      return kSourceAnd;
    default:
      return copyMode;
  }
}

uint32_t ApplyRasterOp(int32_t rop, uint32_t pattern, uint32_t source, uint32_t target) {
  const uint32_t index = uint32_t(rop) >> 16 & 0xFF;
  uint32_t result = 0;
  for (int bit = 0; bit < 8; ++bit) {
    if (!(index >> bit & 1)) continue;
    // Bit n of the index is the result where pattern, source and target bits spell n.
    result |= ((bit & 4) ? pattern : ~pattern) & ((bit & 2) ? source : ~source) &
              ((bit & 1) ? target : ~target);
  }
  return result & kColourMask;
}

void PaintPicture(const Picture* picture, Surface& target, int32_t x, int32_t y, int32_t width,
                  int32_t height, int32_t mode) {
  PaintPicture(picture, target, x, y, width, height, mode,
               Rect{0, 0, target.Width(), target.Height()});
}

void PaintPicture(const Picture* picture, Surface& target, int32_t x, int32_t y, int32_t width,
                  int32_t height, int32_t mode, Rect clip) {
  Source source;
  if (!MakeSource(picture, source)) return;
  Paint(source, target, x, y, width, height, mode, clip);
}

Rect BlitSurface(const Surface& source, Rect from, Surface& target, int32_t tx, int32_t ty,
                 int32_t rop) {
  if (from.width <= 0 || from.height <= 0) return Rect{};
  // Clip the source, moving the destination with it, then clip the destination.
  const Rect src = Intersect(from, Rect{0, 0, source.Width(), source.Height()});
  if (src.width <= 0) return Rect{};
  const int64_t dx = int64_t{tx} + (src.x - from.x), dy = int64_t{ty} + (src.y - from.y);
  const int64_t left = std::max<int64_t>(dx, 0), top = std::max<int64_t>(dy, 0);
  const int64_t right = std::min<int64_t>(dx + src.width, target.Width());
  const int64_t bottom = std::min<int64_t>(dy + src.height, target.Height());
  if (right <= left || bottom <= top) return Rect{};
  const Rect dst{int32_t(left), int32_t(top), int32_t(right - left), int32_t(bottom - top)};
  const int32_t sx = src.x + int32_t(left - dx), sy = src.y + int32_t(top - dy);

  // Rows in the order that never reads a row already overwritten, and a row copy when the same
  // row is both read and written.
  const bool upward = &source == &target && sy < dst.y;
  std::vector<uint32_t> row(size_t(dst.width));
  const uint32_t pattern = target.Brush();
  for (int32_t j = 0; j < dst.height; ++j) {
    const int32_t r = upward ? dst.height - 1 - j : j;
    std::memcpy(row.data(), source.Row(sy + r) + sx, row.size() * sizeof(uint32_t));
    uint32_t* out = target.Row(dst.y + r) + dst.x;
    if (rop == kSourceCopy) {
      std::memcpy(out, row.data(), row.size() * sizeof(uint32_t));
      continue;
    }
    for (int32_t i = 0; i < dst.width; ++i)
      out[i] = ApplyRasterOp(rop, pattern, row[size_t(i)], out[i]);
  }
  return dst;
}

void DrawBackgroundPicture(const Picture* picture, Surface& target, Rect area, int32_t placement) {
  Source source;
  if (area.width <= 0 || area.height <= 0 || !MakeSource(picture, source)) return;
  const int32_t pw = source.width, ph = source.height;
  if (placement == kBackgroundTiled) {
    Rect visible = Intersect(area, Rect{0, 0, target.Width(), target.Height()});
    if (visible.width <= 0) return;
    // Only the tiles that reach the visible part of the area.
    const int64_t firstCol = (int64_t{visible.x} - area.x) / pw;
    const int64_t firstRow = (int64_t{visible.y} - area.y) / ph;
    for (int64_t ty = area.y + firstRow * ph; ty < int64_t{visible.y} + visible.height; ty += ph)
      for (int64_t tx = area.x + firstCol * pw; tx < int64_t{visible.x} + visible.width; tx += pw)
        Paint(source, target, int32_t(tx), int32_t(ty), -1, -1, kSourceCopy, visible);
    return;
  }
  if (placement == kBackgroundCentred) {
    int64_t w = pw, h = ph;
    if (w > area.width || h > area.height) {
      // The larger of the two ratios decides; integer arithmetic keeps the result exact.
      if (int64_t{pw} * area.height > int64_t{ph} * area.width) {
        w = area.width;
        h = std::max<int64_t>(1, int64_t{ph} * area.width / pw);
      } else {
        h = area.height;
        w = std::max<int64_t>(1, int64_t{pw} * area.height / ph);
      }
    }
    const int64_t x = area.x + (area.width - w) / 2, y = area.y + (area.height - h) / 2;
    Paint(source, target, int32_t(x), int32_t(y), int32_t(w), int32_t(h), kSourceCopy, area);
    return;
  }
  Paint(source, target, area.x, area.y, -1, -1, kSourceCopy, area);
}

}  // namespace runtime
