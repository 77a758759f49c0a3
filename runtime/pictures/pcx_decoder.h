// The PCX decoder: run-length encoded 8-bit (kind 6) and 1-bit (kind 7) images.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/pictures/picture.h"

namespace runtime {

// Null for other layouts and for runs or palettes past the data.
PicturePtr DecodePcx(std::span<const uint8_t> data);

}  // namespace runtime
