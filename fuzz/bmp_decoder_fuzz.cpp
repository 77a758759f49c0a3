// Any bytes given to the BMP decoder.
#include <cstddef>
#include <cstdint>

#include "fuzz/decoder_fuzz.h"
#include "runtime/pictures/bmp_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return CheckDecodedPicture(runtime::DecodeBmp({data, size}));
}
