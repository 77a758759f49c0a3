// Pictures: one loader that recognises the format from the first bytes and hands the data to the
// matching decoder, and the in-memory picture every decoder yields.
//
// Pixel blocks by kind:
//   JPEG, BMP   width x height x 3 bytes, blue-green-red, rows bottom-up, no row padding.
//   GIF         a 40-byte bitmap header (top-down, 8 bits, 256 colours) and 256 palette entries of
//               blue-green-red-0 (1064 bytes), one byte per pixel with rows packed, then the 24576
//               bytes of the LZW dictionary the decoder worked in: width x height + 25640 bytes.
//   PCX 8-bit   the same 1064-byte header and palette, then one byte per pixel (rows packed).
//   PCX 1-bit   monochrome rows top-down, most significant bit first, each row padded to 16 bits;
//               a set bit is white.
//   ICO, CUR    no pixel block; `icon` holds the decoded image and the hot spot.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace runtime {

enum PictureKind : int32_t {
  kNoPicture = 0,
  kJpegPicture = 1,
  kBmpPicture = 2,
  kIconPicture = 3,
  kCursorPicture = 4,
  kGifPicture = 5,
  kPcx8Picture = 6,
  kPcx1Picture = 7,
};

// An icon or cursor as a window can use it: straight (not premultiplied) 0xAARRGGBB pixels, top
// row first, and the point of the image that is the pointer's position.
struct IconImage {
  int32_t width = 0;
  int32_t height = 0;
  int32_t hotX = 0;
  int32_t hotY = 0;
  std::vector<uint32_t> argb;
};

struct Picture {
  PictureKind kind = kNoPicture;
  int32_t width = 0;
  int32_t height = 0;
  IconImage* icon = nullptr;  // kinds 3 and 4 only
  uint8_t* data = nullptr;    // the pixel block, a runtime heap block
  int32_t dataSize = 0;
};

void FreePicture(Picture* picture);
struct PictureDeleter {
  void operator()(Picture* p) const { FreePicture(p); }
};
using PicturePtr = std::unique_ptr<Picture, PictureDeleter>;

// Bounds every decoder applies before it allocates: larger pictures are refused, so a few bytes
// of header can never ask for gigabytes.
inline constexpr int32_t kMaxPictureSide = 32767;
inline constexpr int64_t kMaxPicturePixels = int64_t{1} << 24;
bool PictureSizeAllowed(int64_t width, int64_t height);

// The byte counts of the GIF block around the pixels.
inline constexpr int32_t kBitmapHeaderSize = 40;
inline constexpr int32_t kPaletteHeaderSize = kBitmapHeaderSize + 256 * 4;  // 1064
inline constexpr int32_t kGifDictionarySize = 4096 * 6;                     // 24576

// The format of the data from its first bytes; fewer than 6 bytes are never recognised.
PictureKind RecognizePicture(std::span<const uint8_t> data);

// Null when the data is empty, unrecognised or fails to decode.
PicturePtr LoadPictureFromMemory(const uint8_t* data, int64_t length);
inline PicturePtr LoadPictureFromMemory(std::span<const uint8_t> data) {
  return LoadPictureFromMemory(data.data(), static_cast<int64_t>(data.size()));
}
// The path is in the system's encoding; an empty path, a file that cannot be read or bad data give
// null.
PicturePtr LoadPictureFromFile(const std::string& path);

// The picture's pixels as 0x00BBGGRR colours, top row first, width x height of them: what drawing
// puts on a surface. Icons and cursors give their colours without the alpha. Empty for a null or
// broken picture.
std::vector<uint32_t> PictureColours(const Picture& picture);

// For decoders: a picture of the kind and size with an uninitialised pixel block of dataSize bytes.
PicturePtr NewPicture(PictureKind kind, int32_t width, int32_t height, int64_t dataSize);
// Writes the 1064-byte header and palette of kinds 5 and 6; `rgb` holds `count` triples (at most
// 256), the rest of the palette is black.
void WritePaletteHeader(uint8_t* block, int32_t width, int32_t height, const uint8_t* rgb,
                        int32_t count);

}  // namespace runtime
