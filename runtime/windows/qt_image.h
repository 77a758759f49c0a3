// Surfaces and icons as Qt images, where they meet the display.
#pragma once

#include <QImage>

#include "runtime/pictures/surface.h"

namespace runtime {

// An opaque image with the surface's pixels.
QImage ToImage(const Surface& surface);
// An icon or cursor as an image with alpha, for a window's icon or a cursor (with its hot spot).
QImage IconToImage(const IconImage& icon);

}  // namespace runtime
