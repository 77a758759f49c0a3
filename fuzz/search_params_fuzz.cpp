// The search's parameter file from untrusted text: a text that is accepted holds only values
// within their ranges and writes back to one that reads the same; every refusal says why.
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/search_params.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto params = engine::ParseSearchParams(text, engine::DefaultSearchParams(), &error);
  if (params) {
    for (int i = 0; i < engine::kSearchParamCount; ++i)
      if ((*params)[i] < engine::SearchParamLow(i) || (*params)[i] > engine::SearchParamHigh(i))
        __builtin_trap();
    auto again = engine::ParseSearchParams(engine::WriteSearchParams(*params), {});
    if (!again || !(*again == *params)) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  return 0;
}
