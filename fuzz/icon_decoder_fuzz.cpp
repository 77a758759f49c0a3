// Any bytes given to the icon decoder.
#include <cstddef>
#include <cstdint>

#include "fuzz/decoder_fuzz.h"
#include "runtime/pictures/icon_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  return CheckDecodedPicture(runtime::DecodeIcon({data, size}));
}
