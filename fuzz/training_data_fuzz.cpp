// The binary self-play file from untrusted bytes: the index never reads past what it was given,
// and every record the readers accept writes back to the very same bytes.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "engine/training_data.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
  engine::DataIndex index = engine::IndexTrainingData(in);
  if (index.complete_bytes > size) __builtin_trap();
  for (size_t at = 0; at + engine::kRecordBytes <= size; at += engine::kRecordBytes) {
    engine::Record record;
    std::copy_n(data + at, engine::kRecordBytes, record.begin());
    if (auto header = engine::DecodeGameHeader(record))
      if (engine::EncodeGameHeader(*header) != record) __builtin_trap();
    std::string error;
    if (auto position = engine::DecodePosition(record, &error)) {
      auto again = engine::EncodePosition(position->pos, position->score, position->best,
                                          position->result);
      if (again != record) __builtin_trap();
    } else if (error.empty()) {
      __builtin_trap();
    }
  }
  return 0;
}
