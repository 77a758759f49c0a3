// The tuning's two readers from untrusted text: the evaluation's parameter file and the labelled
// positions. A parameter text that is accepted must write back to one that reads the same; every
// refusal says why.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "engine/eval_params.h"
#include "engine/tuning.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto params = engine::ParseEvalParams(text, engine::DefaultEvalParams(), &error);
  if (params) {
    auto again = engine::ParseEvalParams(engine::WriteEvalParams(*params), {});
    if (!again || !(*again == *params)) __builtin_trap();
  } else if (error.empty()) {
    __builtin_trap();
  }
  std::istringstream in(text);
  error.clear();
  auto samples = engine::ReadTuningData(in, &error);
  if (!samples && error.empty()) __builtin_trap();
  return 0;
}
