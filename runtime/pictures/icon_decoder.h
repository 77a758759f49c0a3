// The ICO and CUR decoder: the largest image of the file into an icon (kind 3) or cursor (kind 4).
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "runtime/pictures/picture.h"

namespace runtime {

// Takes the largest entry that decodes (bitmap entries of 1, 4, 8, 24 or 32 bits with their
// mask); null when none does.
PicturePtr DecodeIcon(std::span<const uint8_t> data);
// Every entry that decodes, the largest first: a window's icon offers each size to the desktop.
std::vector<IconImage> DecodeIconImages(std::span<const uint8_t> data);

}  // namespace runtime
