// The drawing surface behind every drawing panel: plain 32-bit pixels, colours 0x00BBGGRR, top row
// first, and the drawing of pictures onto it.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/pictures/picture.h"

namespace runtime {

struct Rect {
  int32_t x = 0;
  int32_t y = 0;
  int32_t width = 0;
  int32_t height = 0;
};

class Surface {
 public:
  Surface() = default;
  // Negative sizes give an empty surface.
  Surface(int32_t width, int32_t height, uint32_t colour = 0xFFFFFF);

  int32_t Width() const { return width_; }
  int32_t Height() const { return height_; }
  // 0 outside the surface.
  uint32_t Pixel(int32_t x, int32_t y) const;
  // Ignored outside the surface.
  void SetPixel(int32_t x, int32_t y, uint32_t colour);
  void Fill(uint32_t colour);
  void FillRect(Rect area, uint32_t colour);
  uint32_t* Row(int32_t y) { return pixels_.data() + size_t(y) * size_t(width_); }
  const uint32_t* Row(int32_t y) const { return pixels_.data() + size_t(y) * size_t(width_); }

  // The panel's brush: the pattern of the raster operations that use one.
  uint32_t Brush() const { return brush_; }
  void SetBrush(uint32_t colour) { brush_ = colour & 0xFFFFFF; }

 private:
  int32_t width_ = 0;
  int32_t height_ = 0;
  uint32_t brush_ = 0xFFFFFF;
  std::vector<uint32_t> pixels_;
};

// Raster operations: the operation's index (pattern 0xF0, source 0xCC, target 0xAA) sits in bits 16
// to 23 of the code, as the system's ternary raster operations define it.
inline constexpr int32_t kSourceCopy = 0x00CC0020;
inline constexpr int32_t kNotSourceCopy = 0x00330008;
inline constexpr int32_t kSourceInvert = 0x00660046;
inline constexpr int32_t kSourcePaint = 0x00EE0086;
inline constexpr int32_t kSourceAnd = 0x008800C6;

// The drawing commands' copy modes: 1 copy, 2 inverted copy, 3 exclusive or, 4 or, 5 and; any
// other value is a raster-operation code already.
int32_t RasterOpForCopyMode(int32_t copyMode);
// One pixel of a raster operation: pattern, source and target colours give the new target colour.
uint32_t ApplyRasterOp(int32_t rop, uint32_t pattern, uint32_t source, uint32_t target);

// Draws the picture with its top-left corner at (x, y), stretched to width x height (-1: the
// picture's own width or height; a negative size mirrors, 0 draws nothing). A mode of 0 or more
// is a raster operation with the surface's brush as pattern; a negative mode copies every pixel
// except those of the key colour -mode, which leave the target as it is. Stretching takes the
// nearest source pixel, never a blend, so the key colour stays exact. Icons and cursors are drawn
// through their transparency whatever the mode. A null picture draws nothing.
void PaintPicture(const Picture* picture, Surface& target, int32_t x, int32_t y, int32_t width,
                  int32_t height, int32_t mode);
// The same, with nothing drawn outside `clip`.
void PaintPicture(const Picture* picture, Surface& target, int32_t x, int32_t y, int32_t width,
                  int32_t height, int32_t mode, Rect clip);

// Copies the rectangle `from` of the source to (tx, ty) of the target with a raster operation (the
// target's brush as pattern). The part of `from` outside the source and the part of the
// destination outside the target are left out; source and target may be the same surface, even
// overlapping. Returns the rectangle of the target that changed (empty when nothing did).
Rect BlitSurface(const Surface& source, Rect from, Surface& target, int32_t tx, int32_t ty,
                 int32_t rop);

enum BackgroundPlacement : int32_t {
  kBackgroundTopLeft = 0,  // natural size at the area's top-left corner
  kBackgroundTiled = 1,    // repeated from the top-left corner over the whole area
  kBackgroundCentred = 2,  // centred, shrunk proportionally when larger than the area
};
// Draws a unit's background picture into the area (and nowhere else). Unknown placements draw
// at the top-left corner.
void DrawBackgroundPicture(const Picture* picture, Surface& target, Rect area, int32_t placement);

}  // namespace runtime
