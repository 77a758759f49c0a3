// XQF files from untrusted bytes, every version. A game that opens must write back as version 10
// and read again to the same moves, variations, comments, start and result, with no problem;
// written once more, it is the same tree exactly, tags too (a text longer than its field is cut
// the first time).
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "game/record/xqf.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  record::ReadError error;
  auto game = record::ReadXqf(std::string_view(reinterpret_cast<const char*>(data), size), &error);
  if (!game) {
    if (error.reason.empty()) __builtin_trap();
    return 0;
  }
  auto again = record::ReadXqf(record::WriteXqf(game->tree), nullptr);
  if (!again || !again->problems.empty()) __builtin_trap();
  record::GameTree same = again->tree;
  same.tags = game->tree.tags;
  if (!record::FirstDifference(game->tree, same).empty()) __builtin_trap();
  auto third = record::ReadXqf(record::WriteXqf(again->tree), nullptr);
  if (!third || !record::FirstDifference(again->tree, third->tree).empty()) __builtin_trap();
  return 0;
}
