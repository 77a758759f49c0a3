// Marks shown over a drawing panel without touching its bitmap: arrows the game lays over the
// board (the analysis's best move), shapes (a move's squares, a general in check, the points a
// piece may go to) and a line of text at the panel's foot. They are painted after the bitmap, half
// transparent, so what lies under them stays visible and taking them off restores the panel's
// pixels exactly. Marks come in layers, one for each part of the game that lays them, painted in
// the layers' order. Texts and types here are Qt-free (texts UTF-8): the game calls them.
#pragma once

#include <cstdint>
#include <string>
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

// A shape around the point (x, y), `size` across: four corners of a square, a ring or a dot.
struct PanelShape {
  enum class Kind : uint8_t { kCorners, kRing, kDot };
  Kind kind = Kind::kDot;
  int32_t x = 0, y = 0, size = 0;
  int32_t colour = 0;
  int32_t opacity = 200;
  bool operator==(const PanelShape&) const = default;
};

struct PanelMarks {
  std::vector<PanelArrow> arrows;
  std::vector<PanelShape> shapes;
  std::string note;  // a line at the foot of the panel, on a light band; empty: none
  bool operator==(const PanelMarks&) const = default;
};

// Replaces the marks of `layer` over the live panel (empty marks take the layer off) and repaints
// it. A unit that is not a live drawing panel is the runtime error
// "指定窗口或窗口组件不存在或尚未载入".
void SetPanelMarks(const UnitRef& panel, int32_t layer, PanelMarks marks);
PanelMarks GetPanelMarks(const UnitRef& panel, int32_t layer);
// The arrows alone, of layer 0.
void SetPanelArrows(const UnitRef& panel, std::vector<PanelArrow> arrows);
std::vector<PanelArrow> PanelArrows(const UnitRef& panel);

}  // namespace runtime
