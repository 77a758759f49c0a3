#include "runtime/pictures/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include "runtime/heap.h"

extern "C" {
#include <jpeglib.h>
}

namespace runtime {

namespace {

// Most libjpeg may hold at once; a header that asks for more makes the decoder fail instead of
// using a backing store.
constexpr long kJpegMemoryLimit = 512L << 20;

struct ErrorManager {
  jpeg_error_mgr manager;
  std::jmp_buf loader;
};

// libjpeg's fatal errors come back here and jump to the loader, which cleans up.
[[noreturn]] void ReturnToLoader(j_common_ptr info) {
  std::longjmp(reinterpret_cast<ErrorManager*>(info->err)->loader, 1);
}
// Warnings (a truncated stream, corrupt data) are not shown: the picture decodes as far as it can.
void Quiet(j_common_ptr) {}

// Decodes into bottom-up blue-green-red rows in a runtime block. Only plain data lives in this
// frame, so jumping back over it skips nothing that needs destroying.
uint8_t* DecodeRows(const uint8_t* data, size_t size, int32_t* width, int32_t* height) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  std::memset(&info, 0, sizeof info);
  uint8_t* volatile pixels = nullptr;
  info.err = jpeg_std_error(&errors.manager);
  errors.manager.error_exit = ReturnToLoader;
  errors.manager.output_message = Quiet;
  if (setjmp(errors.loader) != 0) {
    jpeg_destroy_decompress(&info);
    RuntimeFree(pixels);
    return nullptr;
  }
  jpeg_create_decompress(&info);
  info.mem->max_memory_to_use = kJpegMemoryLimit;
  jpeg_mem_src(&info, data, static_cast<unsigned long>(size));
  jpeg_read_header(&info, TRUE);
  // Huffman coding spends at least one bit on every block's DC value, so data that cannot hold
  // one bit per 8 x 8 block is a header over a stub: refused before anything large is made.
  const uint64_t blocks = uint64_t(info.image_width / 8) * (info.image_height / 8);
  if (!PictureSizeAllowed(info.image_width, info.image_height) ||
      (!info.arith_code && blocks > uint64_t(size) * 8)) {
    jpeg_destroy_decompress(&info);
    return nullptr;
  }
  jpeg_start_decompress(&info);
  const int components = info.output_components;
  const size_t w = info.output_width, h = info.output_height;
  if ((components != 1 && components != 3) || !PictureSizeAllowed(int64_t(w), int64_t(h))) {
    jpeg_destroy_decompress(&info);
    return nullptr;
  }
  pixels = static_cast<uint8_t*>(RuntimeAlloc(w * h * 3));
  JSAMPARRAY line = (*info.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&info), JPOOL_IMAGE,
                                              JDIMENSION(w * size_t(components)), 1);
  while (info.output_scanline < info.output_height) {
    const size_t y = info.output_scanline;
    if (jpeg_read_scanlines(&info, line, 1) != 1) {  // only a suspending source stops short
      jpeg_destroy_decompress(&info);
      RuntimeFree(pixels);
      return nullptr;
    }
    const JSAMPLE* s = line[0];
    uint8_t* o = pixels + (h - 1 - y) * w * 3;
    if (components == 3) {
      for (size_t x = 0; x < w; ++x, s += 3, o += 3) {
        o[0] = s[2];
        o[1] = s[1];
        o[2] = s[0];
      }
    } else {
      for (size_t x = 0; x < w; ++x, o += 3) o[0] = o[1] = o[2] = s[x];
    }
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  *width = int32_t(w);
  *height = int32_t(h);
  return pixels;
}

}  // namespace

PicturePtr DecodeJpeg(std::span<const uint8_t> data) {
  if (data.size() < 2 || data[0] != 0xFF || data[1] != 0xD8) return nullptr;
  int32_t width = 0, height = 0;
  uint8_t* rows = DecodeRows(data.data(), data.size(), &width, &height);
  if (rows == nullptr) return nullptr;
  PicturePtr picture = NewPicture(kJpegPicture, width, height, 0);
  picture->data = rows;
  picture->dataSize = width * height * 3;
  return picture;
}

}  // namespace runtime
