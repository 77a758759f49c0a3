// The GIF decoder: the first image of a GIF87a or GIF89a file into a kind-5 picture.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/pictures/picture.h"

namespace runtime {

// What the graphic control extension before the image said. The transparent colour is only
// noted: the picture keeps its palette as it is, and whoever draws it names the key colour.
struct GifDetails {
  bool transparent = false;
  uint8_t transparentIndex = 0;
  uint32_t transparentColour = 0;  // 0x00BBGGRR of the palette entry at the index
  int32_t disposal = 0;
  int32_t delay = 0;  // hundredths of a second
  bool interlaced = false;
  bool localPalette = false;
};

// Null for anything that is not a complete, well-formed first image.
PicturePtr DecodeGif(std::span<const uint8_t> data, GifDetails* details = nullptr);

}  // namespace runtime
