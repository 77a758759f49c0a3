// The notation the record is written in, chosen in the record window's 记谱 menu and remembered:
// the record window, the analysis lines and a saved PGN all write moves in it.
#pragma once

#include <cstdint>

#include "game/record/notation.h"

namespace game {

inline constexpr record::Notation kNotations[] = {record::Notation::kChinese,
                                                  record::Notation::kWxf, record::Notation::kIccs};

record::Notation RecordNotation();
// 0..2 in the order of kNotations; anything else is ignored.
void ChooseRecordNotation(int32_t index);

}  // namespace game
