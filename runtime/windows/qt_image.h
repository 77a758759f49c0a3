// Surfaces and icons as Qt images, where they meet the display.
#pragma once

#include <QImage>
#include <QRect>

#include "runtime/pictures/surface.h"

namespace runtime {

// An opaque image with the surface's pixels, or with those of `area` alone (which must lie inside
// the surface).
QImage ToImage(const Surface& surface);
QImage ToImage(const Surface& surface, QRect area);
// An icon or cursor as an image with alpha, for a window's icon or a cursor (with its hot spot).
QImage IconToImage(const IconImage& icon);

}  // namespace runtime
