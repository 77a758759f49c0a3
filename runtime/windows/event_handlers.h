// The game's event handlers as the window template reaches them.
//
// A binding in the template names its handler by a 32-bit reference. The reference of a handler
// is derived from its routine name alone: the FNV-1a hash of the name's bytes with the top bit
// cleared, so it is never negative and never the -1 that stands for "no handler". The template
// compiler writes these references, and the game registers its routines under the same names
// before the runtime loads the template; nothing else has to be kept in step.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "runtime/value.h"

namespace runtime {

// A handler gets the event's arguments as 32-bit values. It returns a record of kind 0 when it
// has nothing to say, a logic value (false swallows an input event) or, for a typed character,
// the replacement character as an integer.
using EventHandler = ValueRecord (*)(std::span<const int32_t> args);

inline constexpr int32_t kNoHandler = -1;

inline constexpr int32_t HandlerReference(std::string_view name) {
  uint32_t hash = 2166136261u;
  for (char c : name) {
    hash ^= static_cast<uint8_t>(c);
    hash *= 16777619u;
  }
  return static_cast<int32_t>(hash & 0x7fffffffu);
}

struct HandlerEntry {
  std::string_view name;
  EventHandler routine;
};

// Replaces the table of handlers. Refused (false, the previous table kept) when two names share a
// reference or an entry has no routine. The entries are copied; the names must stay alive (the
// game passes literals).
bool RegisterEventHandlers(std::span<const HandlerEntry> table);
// Null for kNoHandler and for any reference the table does not hold.
const HandlerEntry* FindEventHandler(int32_t reference);

}  // namespace runtime
