// Any bytes given to the JPEG decoder.
#include <cstddef>
#include <cstdint>

#include "fuzz/decoder_fuzz.h"
#include "runtime/pictures/jpeg_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return CheckDecodedPicture(runtime::DecodeJpeg({data, size}));
}
