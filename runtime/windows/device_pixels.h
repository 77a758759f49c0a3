// A drawing panel's pixels at the screen's device pixel ratio. The panel's own bitmap keeps the
// client area's pixels one for one, as the drawing commands define them and the game reads them
// back; on a screen that scales (QT_SCALE_FACTOR=2, or 1.5), every command is drawn a second time
// here at the device's resolution, so the screen shows smooth diagonals and pictures instead of
// the bitmap's pixels blown up. At a ratio of 1 nothing of this exists and the bitmap is shown.
#pragma once

#include <QPainterPath>
#include <QRect>
#include <cstdint>
#include <span>

#include "runtime/pictures/picture.h"
#include "runtime/pictures/surface.h"

class QPainter;

namespace runtime {

class DevicePixels {
 public:
  // Whether the panel is drawn here: a ratio other than 1.
  bool Active() const { return scale_ != 1.0; }
  double Scale() const { return scale_; }

  // Starts over at `scale` from the panel's bitmap and the background a clear puts back: the
  // background scaled smoothly, what was drawn on it taken over pixel by pixel. A scale of 1 (or
  // less, or not a number) switches this off.
  void Reset(double scale, const Surface& bitmap, const Surface& background);
  // A new background (colour, picture or size) for the clears to come.
  void SetBackground(const Surface& background);
  // The pattern of the raster operations, as the panel's bitmap has it.
  void SetBrush(uint32_t colour) { pixels_.SetBrush(colour); }

  // The drawing commands, with the arguments the panel's bitmap got.
  void Clear(Rect area);
  // `width` is the pen's width (at least 1), `dashes` the on and off runs of a width-1 pen (empty
  // for solid), `penMode` a two-operand raster code 1..16.
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
            std::span<const int32_t> dashes, int32_t penMode, uint32_t pen);
  void Picture(const runtime::Picture* picture, int32_t x, int32_t y, int32_t width, int32_t height,
               int32_t mode);
  // From another panel's device pixels at the same scale, else from its bitmap.
  void Copy(const DevicePixels& source, const Surface& sourceBitmap, Rect from, int32_t tx,
            int32_t ty, int32_t rop);

  // Paints the part `area` of the client area (in the panel's own, logical, pixels) with its
  // top-left corner at `origin`.
  void Paint(QPainter& painter, QRect area, QPoint origin) const;

  const Surface& Pixels() const { return pixels_; }

 private:
  void FillShape(const QPainterPath& shape, bool smooth, int32_t penMode, uint32_t pen);
  int32_t Device(int64_t logical) const;
  Rect DeviceRect(Rect logical) const;

  double scale_ = 1.0;
  Surface pixels_;
  Surface background_;
};

}  // namespace runtime
