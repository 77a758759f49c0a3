#include "runtime/system/clock.h"

#include <time.h>

namespace runtime {

uint32_t MillisecondsSinceBoot() {
  timespec ts{};
  clock_gettime(CLOCK_BOOTTIME, &ts);
  uint64_t ms = uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

}  // namespace runtime
