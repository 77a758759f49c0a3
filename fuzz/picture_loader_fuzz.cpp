// Any bytes given to the loader: recognition, the decoder it picks, then drawing the result in
// every way a panel or a unit's background can.
#include <cstddef>
#include <cstdint>

#include "runtime/pictures/picture.h"
#include "runtime/pictures/surface.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  runtime::PictureKind kind = runtime::RecognizePicture({data, size});
  runtime::PicturePtr picture = runtime::LoadPictureFromMemory(data, int64_t(size));
  if (!picture) return 0;
  if (picture->kind != kind || runtime::PictureColours(*picture).empty()) __builtin_trap();
  runtime::Surface surface(24, 20, 0x102030);
  const uint8_t mode = size > 0 ? data[size - 1] : 0;
  runtime::PaintPicture(picture.get(), surface, 1, 1, -1, -1, int32_t(mode) << 16);
  runtime::PaintPicture(picture.get(), surface, 20, 3, -13, 40, runtime::kSourceCopy);
  for (int32_t placement = 0; placement < 3; ++placement)
    runtime::DrawBackgroundPicture(picture.get(), surface, {2, 3, 17, 11}, placement);
  return 0;
}
