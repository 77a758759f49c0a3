// The JPEG decoder (through libjpeg) into a kind-1 picture.
#pragma once

#include <cstdint>
#include <span>

#include "runtime/pictures/picture.h"

namespace runtime {

// Colour and grey JPEGs; null for anything libjpeg rejects and for other colour spaces.
PicturePtr DecodeJpeg(std::span<const uint8_t> data);

}  // namespace runtime
