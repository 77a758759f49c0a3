// Any bytes given to the PCX decoder.
#include <cstddef>
#include <cstdint>

#include "fuzz/decoder_fuzz.h"
#include "runtime/pictures/pcx_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return CheckDecodedPicture(runtime::DecodePcx({data, size}));
}
