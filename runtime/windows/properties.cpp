#include "runtime/windows/properties.h"

#include <QWidget>
#include <algorithm>

#include "runtime/error.h"
#include "runtime/text_codec.h"
#include "runtime/windows/unit.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

// Positions keep within ±32627 and sizes within 0..32627, as the window system's coordinates do.
constexpr int32_t kCoordinateLimit = 32627;

UnitRecord& RecordOf(WindowId window, UnitId unit) {
  UnitRecord* record = LoadedWindowTemplate().FindUnit(window, unit);
  if (record == nullptr) RaiseCommandError(Gb("未载入欲访问窗口组件所在的窗口"));
  return *record;
}

Unit* LiveOf(const UnitRecord& record) {
  return static_cast<Unit*>(record.object);
}

bool IsBytesKind(ValueKind k) {
  return k == kind::kByteSet || k == (kind::kByte | kind::kArrayFlag);
}

int32_t IntegerValue(const ValueRecord& value) {
  if (value.kind == kind::kLogic) return LowInteger(value) != 0;
  if (IsArrayKind(value.kind) || !IsNumericKind(value.kind)) RaiseError(kWrongArgumentKind);
  return TruncateToInteger(NumberArgument(value));
}

std::string BytesValue(const ValueRecord& value) {
  if (value.kind == kind::kText) return std::string(TextView(PointerOf<const char>(value)));
  if (!IsBytesKind(value.kind)) RaiseError(kWrongArgumentKind);
  auto bytes = ByteSetBytes(PointerOf<const void>(value));
  return std::string(bytes.begin(), bytes.end());
}

QRect GeometryOf(Unit& unit) {
  QWidget* w = unit.Widget();
  if (auto* window = dynamic_cast<WindowUnit*>(&unit)) return window->OuterGeometry();
  return w != nullptr ? w->geometry() : QRect();
}

void SetGeometryOf(Unit& unit, const QRect& outer) {
  if (auto* window = dynamic_cast<WindowUnit*>(&unit))
    window->SetOuterGeometry(outer);
  else if (QWidget* w = unit.Widget())
    w->setGeometry(outer);
}

void SetFlag(UnitRecord& record, uint32_t flag, bool on) {
  record.flags = on ? (record.flags | flag) : (record.flags & ~flag);
}

ValueRecord GetCommon(const UnitRecord& record, Unit* live, int32_t index) {
  QWidget* w = live != nullptr ? live->Widget() : nullptr;
  const QRect live_geometry = live != nullptr ? GeometryOf(*live) : QRect();
  const bool fromLive = w != nullptr;
  switch (index) {
    case property::kLeft:
      return MakeInteger(fromLive ? live_geometry.x() : record.left);
    case property::kTop:
      return MakeInteger(fromLive ? live_geometry.y() : record.top);
    case property::kWidth:
      return MakeInteger(fromLive ? live_geometry.width() : record.width);
    case property::kHeight:
      return MakeInteger(fromLive ? live_geometry.height() : record.height);
    case property::kTag:
      return MakePointer(kind::kText, NewTextBlock(record.tag));
    case property::kVisible:
      return MakeLogic(fromLive ? !w->isHidden() : record.Visible());
    case property::kDisabled:
      if (!fromLive) return MakeLogic(record.Disabled());
      return MakeLogic(w->isWindow() ? !w->isEnabled() : !w->isEnabledTo(w->parentWidget()));
    case property::kMousePointer:
      return MakePointer(kind::kByteSet, NewByteSetBlock(record.cursorData));
    default:
      return ValueRecord{};
  }
}

void SetCommon(UnitRecord& record, Unit* live, int32_t index, const ValueRecord& value) {
  QWidget* w = live != nullptr ? live->Widget() : nullptr;
  switch (index) {
    case property::kLeft:
    case property::kTop: {
      const int32_t v = std::clamp(IntegerValue(value), -kCoordinateLimit, kCoordinateLimit);
      (index == property::kLeft ? record.left : record.top) = v;
      if (w == nullptr) break;
      QRect g = GeometryOf(*live);
      g.moveTo(index == property::kLeft ? v : g.x(), index == property::kTop ? v : g.y());
      SetGeometryOf(*live, g);
      break;
    }
    case property::kWidth:
    case property::kHeight: {
      const int32_t v = std::clamp(IntegerValue(value), 0, kCoordinateLimit);
      (index == property::kWidth ? record.width : record.height) = v;
      if (w == nullptr) break;
      QRect g = GeometryOf(*live);
      (index == property::kWidth ? g.setWidth(v) : g.setHeight(v));
      SetGeometryOf(*live, g);
      break;
    }
    case property::kTag:
      record.tag = BytesValue(value);
      break;
    case property::kVisible:
      SetFlag(record, unit_flag::kVisible, IntegerValue(value) != 0);
      if (w != nullptr) w->setVisible(record.Visible());
      break;
    case property::kDisabled:
      SetFlag(record, unit_flag::kDisabled, IntegerValue(value) != 0);
      if (w != nullptr) w->setEnabled(!record.Disabled());
      break;
    case property::kMousePointer: {
      std::string bytes = BytesValue(value);
      record.cursorData.assign(bytes.begin(), bytes.end());
      if (live != nullptr) ApplyMousePointer(*live);
      break;
    }
    default:
      break;
  }
}

}  // namespace

ValueRecord GetProperty(WindowId window, UnitId unit, int32_t index, int32_t element) {
  (void)element;  // composite parts are read whole: the game reads no font
  UnitRecord& record = RecordOf(window, unit);
  Unit* live = LiveOf(record);
  if (index < property::kFirstTypeProperty) return GetCommon(record, live, index);
  if (live == nullptr) RaiseCommandError(Gb("指定窗口尚未载入"));
  return live->GetTypeProperty(index);
}

void SetProperty(WindowId window, UnitId unit, int32_t index, int32_t element,
                 const ValueRecord& value) {
  (void)element;
  UnitRecord& record = RecordOf(window, unit);
  Unit* live = LiveOf(record);
  const QRect before = live != nullptr ? GeometryOf(*live) : QRect();
  if (index < property::kFirstTypeProperty) {
    SetCommon(record, live, index, value);
  } else {
    if (live == nullptr) RaiseCommandError(Gb("指定窗口尚未载入"));
    live->SetTypeProperty(index, value);
  }
  if (live != nullptr) live->PropertyWritten(before);
}

int32_t GetIntegerProperty(const UnitRef& unit, int32_t index) {
  return IntegerResult(GetProperty(unit.window, unit.unit, index, -1));
}

bool GetLogicProperty(const UnitRef& unit, int32_t index) {
  return LowInteger(GetProperty(unit.window, unit.unit, index, -1)) != 0;
}

Text GetTextProperty(const UnitRef& unit, int32_t index) {
  ValueRecord r = GetProperty(unit.window, unit.unit, index, -1);
  return Text::Adopt(const_cast<char*>(TextResult(r)));
}

void SetIntegerProperty(const UnitRef& unit, int32_t index, int32_t value) {
  SetProperty(unit.window, unit.unit, index, -1, MakeInteger(value));
}

void SetLogicProperty(const UnitRef& unit, int32_t index, bool value) {
  SetProperty(unit.window, unit.unit, index, -1, MakeLogic(value));
}

void SetTextProperty(const UnitRef& unit, int32_t index, const Text& value) {
  SetProperty(unit.window, unit.unit, index, -1, value.Argument());
}

}  // namespace runtime
