// The BMP decoder: uncompressed 1, 4, 8, 24 and 32-bit bitmaps into a kind-2 picture.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/pictures/picture.h"

namespace runtime {

// Null for other depths, any compression, and headers, palettes or rows past the data.
PicturePtr DecodeBmp(std::span<const uint8_t> data);

// Reads a bitmap's rows (1, 4, 8, 24 or 32 bits) from `pixels` into 0x00BBGGRR colours, top row
// first. Shared with the icon decoder, whose images are bitmaps without the file header. False
// when the rows run past the data.
bool ReadBitmapRows(std::span<const uint8_t> pixels, int32_t width, int32_t height, int32_t depth,
                    bool topDown, const uint32_t* palette, int32_t paletteCount, uint32_t* out);

}  // namespace runtime
