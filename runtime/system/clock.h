// The system's tick count.
#pragma once

#include <cstdint>

namespace runtime {

// Milliseconds since the system started, including time asleep, wrapping at 32 bits.
uint32_t MillisecondsSinceBoot();

}  // namespace runtime
