// DhtmlXQ blocks from untrusted bytes. A game that opens must write back as a block and read
// again to the same tree exactly: tags in their order, moves, variations, comments, start and
// result, with no problem.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "game/record/dhtmlxq.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  std::string text = record::DecodeSpan(bytes, record::Encoding::kUtf8);
  record::ReadError error;
  auto game = record::ReadDhtmlXq(text, 1, &error);
  if (!game) {
    if (error.reason.empty()) __builtin_trap();
    return 0;
  }
  auto again = record::ReadDhtmlXq(record::WriteDhtmlXq(game->tree), 1, nullptr);
  if (!again || !again->problems.empty()) __builtin_trap();
  if (!record::FirstDifference(game->tree, again->tree).empty()) __builtin_trap();
  return 0;
}
