// The check every decoder's fuzz target makes: any bytes give a picture or null, and a picture's
// pixels can all be read and painted.
#pragma once

#include "runtime/pictures/picture.h"
#include "runtime/pictures/surface.h"

inline int CheckDecodedPicture(const runtime::PicturePtr& picture) {
  if (picture) {
    if (runtime::PictureColours(*picture).empty()) __builtin_trap();
    runtime::Surface surface(16, 16, 0x336699);
    runtime::PaintPicture(picture.get(), surface, -3, 2, 19, 7, -0xFFFFFF);
  }
  return 0;
}
