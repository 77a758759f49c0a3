// A unit's context menu (the right button), the same actions as keys of its window, a unit's
// tooltip, and a call when a window goes. Texts here are UTF-8: this is the boundary to the
// display. The game describes its menu as entries and answers for their state; it never sees a
// widget.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "runtime/windows/unit_ref.h"

namespace runtime {

struct MenuEntry {
  enum class Kind { kAction, kCheck, kRadio, kSeparator, kSubmenu, kEndSubmenu };
  Kind kind = Kind::kAction;
  int32_t id = 0;        // what the action handler is told; unused by separators and submenu ends
  std::string text;      // the item's text (a submenu's title)
  std::string shortcut;  // keys in portable form ("Ctrl+Z"), empty for none
  std::string tip;       // shown under the pointer resting on the item; empty for none
};

struct MenuItemState {
  bool enabled = true;
  bool checked = false;  // check and radio items
};

using MenuStateQuery = std::function<MenuItemState(int32_t id)>;
using MenuActionHandler = std::function<void(int32_t id)>;

// Gives the live `unit` a context menu of `entries` (radio items of one submenu exclude each
// other) and puts the entries' shortcuts on the unit's window. The state of every item is asked
// when the menu opens and when a key is pressed, so a greyed item's key does nothing. A unit whose
// window is not loaded is the runtime error "指定窗口或窗口组件不存在或尚未载入". Installing again
// replaces the menu and the keys.
void InstallContextMenu(const UnitRef& unit, std::vector<MenuEntry> entries, MenuStateQuery state,
                        MenuActionHandler action);

// The tooltip a live unit shows under the resting pointer; empty removes it.
void SetUnitToolTip(const UnitRef& unit, const std::string& text);

// `call` runs once when the live `window` is destroyed (closed by any means).
void CallWhenWindowGoes(const UnitRef& window, std::function<void()> call);

}  // namespace runtime
