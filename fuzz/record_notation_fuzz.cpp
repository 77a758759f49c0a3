// One move from untrusted text: "FEN\nMOVE" (an unreadable FEN means the opening). Whatever
// reads must be a legal move, and its written form in every notation must read back to it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "engine/position.h"
#include "game/record/notation.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  size_t newline = input.find('\n');
  engine::Position pos;
  std::string_view move = input;
  if (newline != std::string_view::npos) {
    if (auto parsed = engine::Position::FromFen(input.substr(0, newline))) pos = *parsed;
    move = input.substr(newline + 1);
  }
  record::MoveReading reading = record::ReadMove(pos, move);
  if (!reading.move) return 0;
  if (!pos.IsLegal(*reading.move)) __builtin_trap();
  for (record::Notation n : {record::Notation::kChinese, record::Notation::kWxf,
                             record::Notation::kIccs, record::Notation::kXboard}) {
    record::MoveReading back = record::ReadMove(pos, record::WriteMove(pos, *reading.move, n));
    if (!back.move || !(*back.move == *reading.move)) __builtin_trap();
  }
  return 0;
}
