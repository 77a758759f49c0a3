// A unit as a command argument: the window and unit identifiers in the value, the unit's type in
// the kind. The game names its units this way; nothing here needs a window system.
#pragma once

#include "runtime/value.h"
#include "runtime/windows/unit_types.h"

namespace runtime {

struct UnitRef {
  WindowId window = 0;
  UnitId unit = 0;
  UnitTypeCode type = 0;
};

inline ValueRecord UnitArgument(const UnitRef& ref) {
  ValueRecord r;
  r.value = uint64_t{ref.window} | uint64_t{ref.unit} << 32;
  r.kind = ref.type;
  return r;
}

inline UnitRef UnitRefOf(const ValueRecord& r) {
  return UnitRef{static_cast<WindowId>(r.value), static_cast<UnitId>(r.value >> 32), r.kind};
}

}  // namespace runtime
