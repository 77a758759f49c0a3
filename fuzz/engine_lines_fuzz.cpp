// What an outside engine prints, from untrusted bytes: every line through each parser of the
// engine client, and the whole input as a command line. Moves that parse must print back to the
// same text's move; a command line that splits must give words.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "game/outside/engine_lines.h"
#include "runtime/system/child_process.h"

namespace {

void CheckMove(std::string_view text) {
  for (auto numbering : {outside::Numbering::kFromZero, outside::Numbering::kFromOne}) {
    auto move = outside::ParseEngineMove(text, numbering);
    if (!move) continue;
    if (move->from >= 90 || move->to >= 90 || move->from == move->to) __builtin_trap();
    if (outside::ParseEngineMove(outside::FormatEngineMove(*move, numbering), numbering) != move)
      __builtin_trap();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto words = runtime::SplitCommandLine(text, &error);
  if (words ? words->empty() : error.empty()) __builtin_trap();
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    for (auto protocol : {outside::Protocol::kUci, outside::Protocol::kUcci}) {
      if (auto option = outside::ParseOptionLine(line, protocol))
        if (option->name.empty()) __builtin_trap();
      if (auto info = outside::ParseInfoLine(line, protocol)) {
        if (info->score_cp && info->mate) __builtin_trap();
        for (const std::string& move : info->pv) CheckMove(move);
      }
    }
    if (auto best = outside::ParseBestMoveLine(line)) {
      CheckMove(best->move);
      CheckMove(best->ponder);
    }
    outside::FirstWord(line);
  }
  return 0;
}
