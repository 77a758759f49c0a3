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

void SetPanelArrows(const UnitRef& panel, std::vector<PanelArrow> arrows) {
  DrawPanel* drawPanel = LivePanel(panel);
  drawPanel->SetArrows(std::move(arrows));
}

std::vector<PanelArrow> PanelArrows(const UnitRef& panel) {
  DrawPanel* drawPanel = LivePanel(panel);
  return drawPanel->Arrows();
}

}  // namespace runtime
