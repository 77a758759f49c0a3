// PGN files from untrusted bytes: the list of their games and every game read into its tree. A
// game that opens must write back to PGN in a notation and read again to the same tree (every
// move, variation, comment, mark and NAG, the start and the result) with its own tags in their
// order among the ones the writer owns; written once more, it is the same tree exactly.
#include <cstddef>
#include <cstdint>
#include <string>

#include "game/record/game_list.h"
#include "game/record/pgn.h"

namespace {

// The tags the writer sets from the tree.
bool WritersTag(const std::string& name) {
  for (const char* owned : {"Result", "FEN", "Format", "Variant"})
    if (record::SameTagName(name, owned)) return true;
  return false;
}

// In one notation a game, each in turn, so that a run stays quick.
void RoundTrip(const record::GameTree& tree, size_t turn) {
  static constexpr record::Notation kNotations[] = {record::Notation::kChinese,
                                                    record::Notation::kWxf, record::Notation::kIccs,
                                                    record::Notation::kXboard};
  record::Notation n = kNotations[turn % 4];
  auto again = record::ReadPgnGame(record::WritePgn(tree, n), 1, nullptr);
  if (!again || !again->problems.empty()) __builtin_trap();
  const auto& written = again->tree.tags.All();
  size_t at = 0;
  for (const auto& tag : tree.tags.All()) {
    if (WritersTag(tag.first)) continue;
    while (at < written.size() && written[at] != tag) ++at;
    if (at++ == written.size()) __builtin_trap();
  }
  record::GameTree same = again->tree;
  same.tags = tree.tags;
  if (!record::FirstDifference(tree, same).empty()) __builtin_trap();
  auto third = record::ReadPgnGame(record::WritePgn(again->tree, n), 1, nullptr);
  if (!third || !record::FirstDifference(again->tree, third->tree).empty()) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  record::ReadError error;
  auto list = record::GameList::Open(std::string(reinterpret_cast<const char*>(data), size), &error);
  if (!list) {
    if (error.reason.empty()) __builtin_trap();
    return 0;
  }
  if (list->Format() != record::RecordFormat::kPgn) return 0;
  for (size_t i = 0; i < list->Count() && i < 8; ++i) {
    record::GameSummary summary = list->Summary(i);
    for (const record::ReadError& problem : summary.problems)
      if (problem.line < list->Line(i) || problem.reason.empty()) __builtin_trap();
    auto game = list->Game(i, &error);
    if (!game) {
      if (error.line < list->Line(i) || error.reason.empty()) __builtin_trap();
      continue;
    }
    RoundTrip(game->tree, i + size);
  }
  return 0;
}
