// The window template reader on arbitrary blocks: it reads a whole template or refuses it.
#include <cstdint>
#include <cstdlib>
#include <span>

#include "runtime/windows/window_template.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  auto t = runtime::ReadWindowTemplate(std::span<const uint8_t>(data, size));
  if (!t) return 0;
  // A template that reads was read to its last byte and can be searched and resolved.
  if (t->consumed != size) std::abort();
  runtime::ResolveEventBindings(*t);
  for (const auto& w : t->windows) {
    if (t->FindWindow(w.id) != &w || w.units.empty()) std::abort();
    for (const auto& u : w.units) {
      if (w.FindUnit(u.id) != &u) std::abort();  // identifiers are unique within a window
      if (u.settings.state == runtime::SettingsState::kRead)
        for (const auto& f : u.settings.fields) (void)u.settings.Bytes(f.property);
    }
  }
  return 0;
}
