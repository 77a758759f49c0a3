#include "runtime/windows/window_commands.h"

#include <QPointer>

#include "runtime/commands.h"
#include "runtime/error.h"
#include "runtime/pictures/picture_commands.h"
#include "runtime/windows/common_dialog.h"
#include "runtime/windows/draw_panel.h"
#include "runtime/windows/interface_look.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

// An argument that may be omitted: a kind-0 record, or one past the count.
std::optional<int32_t> Optional(int32_t count, const ValueRecord* args, int32_t i) {
  if (i >= count || args[i].kind == kind::kNone) return std::nullopt;
  if (args[i].kind == kind::kLogic) return LowInteger(args[i]) != 0;
  if (IsArrayKind(args[i].kind) || !IsNumericKind(args[i].kind)) RaiseError(kWrongArgumentKind);
  return TruncateToInteger(NumberArgument(args[i]));
}

int32_t Integer(int32_t count, const ValueRecord* args, int32_t i) {
  return Optional(count, args, i).value_or(0);
}

Unit& UnitAt(int32_t count, const ValueRecord* args, int32_t i) {
  if (i >= count) RaiseError(kWrongArgumentKind);
  return UnitArgumentOf(args[i]);
}

DrawPanel& PanelAt(int32_t count, const ValueRecord* args, int32_t i) {
  auto* panel = dynamic_cast<DrawPanel*>(&UnitAt(count, args, i));
  if (panel == nullptr) RaiseError(kWrongArgumentKind);
  return *panel;
}

void CmdClear(ValueRecord*, int32_t count, const ValueRecord* args) {
  DrawPanel& panel = PanelAt(count, args, 0);
  panel.ClearArea(Optional(count, args, 1), Optional(count, args, 2), Optional(count, args, 3),
                  Optional(count, args, 4));
}

void CmdDrawLine(ValueRecord*, int32_t count, const ValueRecord* args) {
  PanelAt(count, args, 0)
      .Line(Integer(count, args, 1), Integer(count, args, 2), Integer(count, args, 3),
            Integer(count, args, 4));
}

void CmdDrawPicture(ValueRecord*, int32_t count, const ValueRecord* args) {
  DrawPanel& panel = PanelAt(count, args, 0);
  const Picture* picture = PictureForHandle(Integer(count, args, 1));
  const int32_t mode = Optional(count, args, 6).value_or(1);
  panel.DrawPictureAt(picture, Integer(count, args, 2), Integer(count, args, 3),
                      Optional(count, args, 4).value_or(-1), Optional(count, args, 5).value_or(-1),
                      mode < 0 ? mode : RasterOpForCopyMode(mode));
}

void CmdCopyTo(ValueRecord*, int32_t count, const ValueRecord* args) {
  DrawPanel& source = PanelAt(count, args, 0);
  const bool hasTarget = count > 5 && args[5].kind != kind::kNone;
  DrawPanel& target = hasTarget ? PanelAt(count, args, 5) : source;
  const Rect from{Integer(count, args, 1), Integer(count, args, 2),
                  Optional(count, args, 3).value_or(source.Bitmap().Width()),
                  Optional(count, args, 4).value_or(source.Bitmap().Height())};
  target.CopyFrom(source, from, Integer(count, args, 6), Integer(count, args, 7),
                  RasterOpForCopyMode(Optional(count, args, 8).value_or(1)));
}

// The window-update lock holds one window at a time; a second lock is refused until the first is
// lifted, and only the unit that took it lifts it.
QPointer<QWidget> locked;

void CmdDisableRedraw(ValueRecord*, int32_t count, const ValueRecord* args) {
  QWidget* widget = UnitAt(count, args, 0).Widget();
  if (widget == nullptr || locked) return;
  widget->setUpdatesEnabled(false);
  locked = widget;
}

void CmdAllowRedraw(ValueRecord*, int32_t count, const ValueRecord* args) {
  QWidget* widget = UnitAt(count, args, 0).Widget();
  if (!locked || widget != locked) return;
  locked->setUpdatesEnabled(true);  // repaints what was locked
  locked = nullptr;
}

void CmdOpenDialog(ValueRecord* result, int32_t count, const ValueRecord* args) {
  auto* dialog = dynamic_cast<CommonDialog*>(&UnitAt(count, args, 0));
  if (dialog == nullptr) RaiseError(kWrongArgumentKind);
  *result = MakeLogic(dialog->Show());
}

void CmdLoadWindow(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = MakeLogic(false);
  if (count < 1) return;
  const WindowId id = UnitRefOf(args[0]).window;
  const WindowId owner = count > 1 && args[1].kind != kind::kNone ? UnitRefOf(args[1]).window : 0;
  const bool modal = Optional(count, args, 2).value_or(0) != 0;
  *result = MakeLogic(LoadWindowFromTemplate(id, owner, modal));
}

void CmdDestroy(ValueRecord*, int32_t count, const ValueRecord* args) {
  Unit& unit = UnitAt(count, args, 0);
  const bool atOnce = Optional(count, args, 1).value_or(0) != 0;
  if (auto* window = dynamic_cast<WindowUnit*>(&unit)) {
    if (atOnce)
      DestroyWindow(*window);
    else
      RequestWindowClose(*window);
    return;
  }
  unit.Window()->RemoveUnit(unit.Id());
}

void CmdSetInterfaceStyle(ValueRecord* result, int32_t count, const ValueRecord* args) {
  *result = MakeLogic(InstallInterfaceLook(Integer(count, args, 0)));
}

ValueRecord OptionalArgument(std::optional<int32_t> v) {
  return v ? MakeInteger(*v) : ValueRecord{};
}

}  // namespace

void RegisterWindowCommands() {
  RegisterCommand(CommandId::Clear, CmdClear);
  RegisterCommand(CommandId::DrawLine, CmdDrawLine);
  RegisterCommand(CommandId::DrawPicture, CmdDrawPicture);
  RegisterCommand(CommandId::CopyTo, CmdCopyTo);
  RegisterCommand(CommandId::DisableRedraw, CmdDisableRedraw);
  RegisterCommand(CommandId::AllowRedraw, CmdAllowRedraw);
  RegisterCommand(CommandId::OpenDialog, CmdOpenDialog);
  RegisterCommand(CommandId::LoadWindow, CmdLoadWindow);
  RegisterCommand(CommandId::Destroy, CmdDestroy);
  RegisterCommand(CommandId::SetInterfaceStyle, CmdSetInterfaceStyle);
}

void Clear(const UnitRef& panel) {
  CallCommand(CommandId::Clear, {UnitArgument(panel)});
}

void Clear(const UnitRef& panel, int32_t x, int32_t y, int32_t width, int32_t height) {
  CallCommand(CommandId::Clear, {UnitArgument(panel), MakeInteger(x), MakeInteger(y),
                                 MakeInteger(width), MakeInteger(height)});
}

void DrawLine(const UnitRef& panel, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  CallCommand(CommandId::DrawLine, {UnitArgument(panel), MakeInteger(x1), MakeInteger(y1),
                                    MakeInteger(x2), MakeInteger(y2)});
}

void DrawPicture(const UnitRef& panel, int32_t picture, int32_t x, int32_t y,
                 std::optional<int32_t> width, std::optional<int32_t> height,
                 std::optional<int32_t> mode) {
  CallCommand(CommandId::DrawPicture,
              {UnitArgument(panel), MakeInteger(picture), MakeInteger(x), MakeInteger(y),
               OptionalArgument(width), OptionalArgument(height), OptionalArgument(mode)});
}

void CopyTo(const UnitRef& source, int32_t x, int32_t y, int32_t width, int32_t height,
            const UnitRef& target, int32_t tx, int32_t ty, std::optional<int32_t> mode) {
  CallCommand(CommandId::CopyTo, {UnitArgument(source), MakeInteger(x), MakeInteger(y),
                                  MakeInteger(width), MakeInteger(height), UnitArgument(target),
                                  MakeInteger(tx), MakeInteger(ty), OptionalArgument(mode)});
}

Surface PanelSurface(const UnitRef& panel) {
  auto* drawPanel = dynamic_cast<DrawPanel*>(LiveUnit(panel.window, panel.unit));
  return drawPanel != nullptr ? drawPanel->Bitmap() : Surface();
}

void DisableRedraw(const UnitRef& unit) {
  CallCommand(CommandId::DisableRedraw, {UnitArgument(unit)});
}

void AllowRedraw(const UnitRef& unit) {
  CallCommand(CommandId::AllowRedraw, {UnitArgument(unit)});
}

bool OpenDialog(const UnitRef& dialog) {
  return LowInteger(CallCommand(CommandId::OpenDialog, {UnitArgument(dialog)})) != 0;
}

bool LoadWindow(const UnitRef& window, bool modal) {
  return LowInteger(CallCommand(CommandId::LoadWindow,
                                {UnitArgument(window), ValueRecord{}, MakeLogic(modal)})) != 0;
}

bool LoadWindow(const UnitRef& window, const UnitRef& owner, bool modal) {
  return LowInteger(CallCommand(CommandId::LoadWindow, {UnitArgument(window), UnitArgument(owner),
                                                        MakeLogic(modal)})) != 0;
}

void Destroy(const UnitRef& unit, bool atOnce) {
  CallCommand(CommandId::Destroy, {UnitArgument(unit), MakeLogic(atOnce)});
}

bool SetInterfaceStyle(int32_t look) {
  return LowInteger(CallCommand(CommandId::SetInterfaceStyle, {MakeInteger(look)})) != 0;
}

}  // namespace runtime
