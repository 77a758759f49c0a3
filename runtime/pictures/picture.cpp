#include "runtime/pictures/picture.h"

#include <cstring>

#include "runtime/heap.h"
#include "runtime/pictures/bmp_decoder.h"
#include "runtime/pictures/gif_decoder.h"
#include "runtime/pictures/icon_decoder.h"
#include "runtime/pictures/jpeg_decoder.h"
#include "runtime/pictures/pcx_decoder.h"
#include "runtime/system/files.h"

namespace runtime {

namespace {

uint16_t Word(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}

void PutLong(uint8_t* p, uint32_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

// The bytes a picture's block must hold for its kind and size; -1 when the kind has no block.
int64_t ExpectedDataSize(const Picture& p) {
  int64_t pixels = int64_t{p.width} * p.height;
  switch (p.kind) {
    case kJpegPicture:
    case kBmpPicture:
      return pixels * 3;
    case kGifPicture:
      return pixels + kPaletteHeaderSize + kGifDictionarySize;
    case kPcx8Picture:
      return pixels + kPaletteHeaderSize;
    case kPcx1Picture:
      return int64_t{(p.width + 15) / 16 * 2} * p.height;
    default:
      return -1;
  }
}

}  // namespace

void FreePicture(Picture* picture) {
  if (picture == nullptr) return;
  RuntimeFree(picture->data);
  delete picture->icon;
  delete picture;
}

bool PictureSizeAllowed(int64_t width, int64_t height) {
  return width >= 1 && height >= 1 && width <= kMaxPictureSide && height <= kMaxPictureSide &&
         width * height <= kMaxPicturePixels;
}

PicturePtr NewPicture(PictureKind kind, int32_t width, int32_t height, int64_t dataSize) {
  PicturePtr p(new Picture);
  p->kind = kind;
  p->width = width;
  p->height = height;
  if (dataSize > 0) {
    p->data = static_cast<uint8_t*>(RuntimeAlloc(size_t(dataSize)));
    p->dataSize = int32_t(dataSize);
  }
  return p;
}

void WritePaletteHeader(uint8_t* block, int32_t width, int32_t height, const uint8_t* rgb,
                        int32_t count) {
  std::memset(block, 0, kPaletteHeaderSize);
  PutLong(block, kBitmapHeaderSize);
  PutLong(block + 4, uint32_t(width));
  PutLong(block + 8, uint32_t(-height));  // negative: rows top-down
  block[12] = 1;                          // planes
  block[14] = 8;                          // bits per pixel
  PutLong(block + 32, 256);               // colours used
  PutLong(block + 36, 256);               // colours important
  uint8_t* entry = block + kBitmapHeaderSize;
  for (int32_t i = 0; i < count && i < 256; ++i, entry += 4) {
    entry[0] = rgb[3 * i + 2];
    entry[1] = rgb[3 * i + 1];
    entry[2] = rgb[3 * i];
  }
}

PictureKind RecognizePicture(std::span<const uint8_t> data) {
  if (data.size() < 6) return kNoPicture;
  const uint8_t* d = data.data();
  if (d[0] == 'B' && d[1] == 'M') return kBmpPicture;
  if (d[0] == 0xFF && d[1] == 0xD8) return kJpegPicture;
  if (Word(d) == 0 && Word(d + 4) != 0) {
    if (Word(d + 2) == 1) return kIconPicture;
    if (Word(d + 2) == 2) return kCursorPicture;
  }
  if (std::memcmp(d, "GIF8", 4) == 0 && (d[4] == '7' || d[4] == '9') && d[5] == 'a')
    return kGifPicture;
  if (d[0] == 0x0A && d[2] == 1) {
    if (d[1] <= 5 && d[3] == 8) return kPcx8Picture;
    if (d[1] == 3 && d[3] == 1) return kPcx1Picture;
  }
  return kNoPicture;
}

PicturePtr LoadPictureFromMemory(const uint8_t* data, int64_t length) {
  if (data == nullptr || length <= 0) return nullptr;
  std::span<const uint8_t> bytes(data, size_t(length));
  switch (RecognizePicture(bytes)) {
    case kJpegPicture:
      return DecodeJpeg(bytes);
    case kBmpPicture:
      return DecodeBmp(bytes);
    case kIconPicture:
    case kCursorPicture:
      return DecodeIcon(bytes);
    case kGifPicture:
      return DecodeGif(bytes);
    case kPcx8Picture:
    case kPcx1Picture:
      return DecodePcx(bytes);
    default:
      return nullptr;
  }
}

PicturePtr LoadPictureFromFile(const std::string& path) {
  if (path.empty()) return nullptr;
  std::vector<uint8_t> bytes;
  if (!ReadWholeFile(path, bytes)) return nullptr;
  return LoadPictureFromMemory(bytes.data(), int64_t(bytes.size()));
}

std::vector<uint32_t> PictureColours(const Picture& p) {
  std::vector<uint32_t> out;
  if (!PictureSizeAllowed(p.width, p.height)) return out;
  const size_t w = size_t(p.width), h = size_t(p.height);
  if (p.kind == kIconPicture || p.kind == kCursorPicture) {
    if (p.icon == nullptr || p.icon->argb.size() != w * h) return out;
    out.resize(w * h);
    for (size_t i = 0; i < out.size(); ++i) {
      uint32_t c = p.icon->argb[i];
      out[i] = (c >> 16 & 0xFF) | (c & 0xFF00) | (c & 0xFF) << 16;
    }
    return out;
  }
  int64_t expected = ExpectedDataSize(p);
  if (expected < 0 || p.data == nullptr || p.dataSize != expected) return out;
  out.resize(w * h);
  uint32_t* o = out.data();
  switch (p.kind) {
    case kJpegPicture:
    case kBmpPicture:
      for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = p.data + (h - 1 - y) * w * 3;
        for (size_t x = 0; x < w; ++x, row += 3)
          *o++ = row[2] | row[1] << 8 | uint32_t(row[0]) << 16;
      }
      break;
    case kGifPicture:
    case kPcx8Picture: {
      uint32_t palette[256];
      const uint8_t* e = p.data + kBitmapHeaderSize;
      for (int i = 0; i < 256; ++i, e += 4) palette[i] = e[2] | e[1] << 8 | uint32_t(e[0]) << 16;
      const uint8_t* pixels = p.data + kPaletteHeaderSize;
      for (size_t i = 0; i < w * h; ++i) o[i] = palette[pixels[i]];
      break;
    }
    case kPcx1Picture: {
      size_t stride = (w + 15) / 16 * 2;
      for (size_t y = 0; y < h; ++y) {
        const uint8_t* row = p.data + y * stride;
        for (size_t x = 0; x < w; ++x) *o++ = (row[x >> 3] >> (7 - (x & 7)) & 1) ? 0xFFFFFFu : 0u;
      }
      break;
    }
    default:
      out.clear();
  }
  return out;
}

}  // namespace runtime
