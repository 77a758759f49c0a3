#include "runtime/windows/panel_marks.h"

#include "runtime/error.h"
#include "runtime/text_codec.h"
#include "runtime/windows/draw_panel.h"
#include "runtime/windows/window_manager.h"

namespace runtime {

namespace {
DrawPanel* LivePanel(const UnitRef& ref) {
  auto* panel = dynamic_cast<DrawPanel*>(LiveUnit(ref.window, ref.unit));
  if (panel == nullptr) RaiseCommandError(Gb("指定窗口或窗口组件不存在或尚未载入"));
  return panel;
}
}  // namespace

void SetPanelMarks(const UnitRef& panel, int32_t layer, PanelMarks marks) {
  LivePanel(panel)->SetMarks(layer, std::move(marks));
}

PanelMarks GetPanelMarks(const UnitRef& panel, int32_t layer) {
  return LivePanel(panel)->Marks(layer);
}

void SetPanelArrows(const UnitRef& panel, std::vector<PanelArrow> arrows) {
  PanelMarks marks = GetPanelMarks(panel, 0);
  marks.arrows = std::move(arrows);
  SetPanelMarks(panel, 0, std::move(marks));
}

std::vector<PanelArrow> PanelArrows(const UnitRef& panel) {
  return GetPanelMarks(panel, 0).arrows;
}

}  // namespace runtime
