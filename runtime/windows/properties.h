// Reading and writing unit properties. The common properties (0 to 7) of a unit whose window exists
// come from and go to the live unit, otherwise the template record; type properties (8 on) need
// the live unit.
#pragma once

#include <cstdint>

#include "runtime/blocks.h"
#include "runtime/value.h"
#include "runtime/windows/unit_ref.h"

namespace runtime {

// A text or byte-set result is a new block owned by the caller. `element` selects a part of a
// composite property; -1 is the whole value. A window or unit the template does not hold is the
// runtime error "未载入欲访问窗口组件所在的窗口"; a type property of a unit whose window is not
// loaded is "指定窗口尚未载入".
ValueRecord GetProperty(WindowId window, UnitId unit, int32_t index, int32_t element);
void SetProperty(WindowId window, UnitId unit, int32_t index, int32_t element,
                 const ValueRecord& value);

// Typed calls for the game.
int32_t GetIntegerProperty(const UnitRef& unit, int32_t index);
bool GetLogicProperty(const UnitRef& unit, int32_t index);
Text GetTextProperty(const UnitRef& unit, int32_t index);
void SetIntegerProperty(const UnitRef& unit, int32_t index, int32_t value);
void SetLogicProperty(const UnitRef& unit, int32_t index, bool value);
void SetTextProperty(const UnitRef& unit, int32_t index, const Text& value);

}  // namespace runtime
