// Any bytes given to the BMP decoder: a picture or null, and a picture's pixels all readable.
#include <cstddef>
#include <cstdint>

#include "runtime/bmp_decoder.h"
#include "runtime/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  runtime::PicturePtr picture = runtime::DecodeBmp({data, size});
  if (picture) {
    if (runtime::PictureColours(*picture).empty()) __builtin_trap();
    runtime::Surface surface(16, 16, 0x336699);
    runtime::PaintPicture(picture.get(), surface, -3, 2, 19, 7, -0xFFFFFF);
  }
  return 0;
}
