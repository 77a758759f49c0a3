#include "runtime/windows/event_handlers.h"

#include <algorithm>
#include <vector>

namespace runtime {

namespace {

struct Registered {
  int32_t reference;
  HandlerEntry entry;
};

std::vector<Registered>& Table() {
  static std::vector<Registered> table;
  return table;
}

}  // namespace

bool RegisterEventHandlers(std::span<const HandlerEntry> table) {
  std::vector<Registered> fresh;
  fresh.reserve(table.size());
  for (const HandlerEntry& e : table) {
    if (e.routine == nullptr) return false;
    int32_t reference = HandlerReference(e.name);
    bool taken = std::any_of(fresh.begin(), fresh.end(),
                             [&](const Registered& r) { return r.reference == reference; });
    if (taken) return false;
    fresh.push_back({reference, e});
  }
  Table() = std::move(fresh);
  return true;
}

const HandlerEntry* FindEventHandler(int32_t reference) {
  if (reference == kNoHandler) return nullptr;
  for (const Registered& r : Table())
    if (r.reference == reference) return &r.entry;
  return nullptr;
}

}  // namespace runtime
