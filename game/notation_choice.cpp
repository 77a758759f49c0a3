#include "game/notation_choice.h"

#include <iterator>
#include <string_view>

#include "runtime/system/settings.h"

namespace game {

namespace {

constexpr std::string_view kNotationKey = "notation";

bool Valid(int32_t index) {
  return index >= 0 && index < int32_t(std::size(kNotations));
}

}  // namespace

record::Notation RecordNotation() {
  const int32_t n = runtime::ReadSetting(kNotationKey).value_or(0);
  return Valid(n) ? kNotations[n] : kNotations[0];
}

void ChooseRecordNotation(int32_t index) {
  if (Valid(index)) runtime::WriteSetting(kNotationKey, index);
}

}  // namespace game
