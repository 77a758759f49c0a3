// Marks shown over a drawing panel without touching its bitmap: arrows the game lays over the
// board (the analysis's best move). They are painted after the bitmap, half transparent, so what
// lies under them stays visible and taking them off restores the panel's pixels exactly. Texts and
// types here are Qt-free: the game calls them.
#pragma once

#include <cstdint>
#include <vector>

#include "runtime/windows/unit_ref.h"

namespace runtime {

// An arrow from (x1, y1) to (x2, y2) in the panel's client pixels, its head at the second point,
// in the colour 0x00BBGGRR drawn at the given opacity (0..255).
struct PanelArrow {
  int32_t x1 = 0, y1 = 0, x2 = 0, y2 = 0;
  int32_t colour = 0;
  int32_t opacity = 160;
  bool operator==(const PanelArrow&) const = default;
};

// Replaces the live panel's arrows (none takes them all off) and repaints it. A unit that is not
// a live drawing panel is the runtime error "指定窗口或窗口组件不存在或尚未载入".
void SetPanelArrows(const UnitRef& panel, std::vector<PanelArrow> arrows);
// The arrows shown over the live panel now.
std::vector<PanelArrow> PanelArrows(const UnitRef& panel);

}  // namespace runtime
