#include "runtime/windows/unit.h"

#include <QApplication>
#include <QCursor>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QWidget>
#include <algorithm>

#include "runtime/blocks.h"
#include "runtime/error.h"
#include "runtime/pictures/surface.h"
#include "runtime/windows/qt_image.h"

namespace runtime {

namespace {

using P = PropertyKind;

struct KindEntry {
  int16_t index;
  PropertyInfo info;
};

// Every type property that is not a plain integer, a text or a buffer: the logic switches, the
// choices with their highest value and the colours. Strings and buffers take their kind from the
// settings layout.
constexpr KindEntry kWindowKinds[] = {
    {9, {P::kChoice, 6}}, {10, {P::kColour}}, {12, {P::kChoice, 2}}, {15, {P::kLogic}},
    {16, {P::kLogic}},    {17, {P::kLogic}},  {18, {P::kChoice, 3}}, {19, {P::kLogic}},
    {21, {P::kLogic}},    {22, {P::kLogic}},  {23, {P::kLogic}},     {26, {P::kLogic}},
    {27, {P::kLogic}},    {29, {P::kLogic}},
};
constexpr KindEntry kDrawPanelKinds[] = {
    {8, {P::kChoice, 3}},   {9, {P::kColour}},          {11, {P::kChoice, 2}},
    {12, {P::kLogic}},      {13, {P::kChoice, 7}},      {14, {P::kChoice, 6}},
    {15, {P::kChoice, 15}}, {16, {P::kInteger, 32767}}, {17, {P::kColour}},
    {18, {P::kChoice, 7}},  {19, {P::kColour}},         {20, {P::kColour}},
    {21, {P::kColour}},
};
constexpr KindEntry kButtonKinds[] = {
    {9, {P::kChoice, 1}}, {11, {P::kChoice, 2}}, {12, {P::kChoice, 2}}};
constexpr KindEntry kTransLabelKinds[] = {{11, {P::kColour}}};
constexpr KindEntry kHyperLinkerKinds[] = {
    {12, {P::kColour}}, {13, {P::kColour}}, {14, {P::kColour}}, {15, {P::kColour}}};
constexpr KindEntry kCommonDlgKinds[] = {
    {8, {P::kChoice, 3}}, {15, {P::kLogic}}, {16, {P::kLogic}},
    {17, {P::kLogic}},    {18, {P::kLogic}}, {19, {P::kLogic}},
    {20, {P::kLogic}},    {21, {P::kLogic}}, {22, {P::kLogic}},
};
constexpr KindEntry kPicBoxKinds[] = {
    {8, {P::kChoice, 3}}, {9, {P::kColour}}, {11, {P::kChoice, 2}}};
constexpr KindEntry kLabelKinds[] = {
    {9, {P::kChoice, 3}},  {10, {P::kChoice, 3}}, {12, {P::kColour}},    {13, {P::kColour}},
    {14, {P::kColour}},    {16, {P::kColour}},    {17, {P::kColour}},    {21, {P::kColour}},
    {22, {P::kColour}},    {23, {P::kColour}},    {24, {P::kChoice, 2}}, {25, {P::kLogic}},
    {26, {P::kChoice, 2}},
};

std::span<const KindEntry> KindsOf(UnitTypeCode type) {
  switch (type) {
    case unit_type::kWindow:
      return kWindowKinds;
    case unit_type::kDrawPanel:
      return kDrawPanelKinds;
    case unit_type::kButton:
      return kButtonKinds;
    case unit_type::kTransLabel:
      return kTransLabelKinds;
    case unit_type::kHyperLinker:
      return kHyperLinkerKinds;
    case unit_type::kCommonDlg:
      return kCommonDlgKinds;
    case unit_type::kPicBox:
      return kPicBoxKinds;
    case unit_type::kLabel:
      return kLabelKinds;
    default:
      return {};
  }
}

// A number property written from any numeric or logic value; anything else is the wrong kind.
int32_t NumberFrom(const ValueRecord& value) {
  if (IsArrayKind(value.kind)) RaiseError(kWrongArgumentKind);
  if (value.kind == kind::kLogic) return LowInteger(value) != 0 ? 1 : 0;
  if (!IsNumericKind(value.kind)) RaiseError(kWrongArgumentKind);
  if (value.kind == kind::kLong) {
    int64_t v;
    std::memcpy(&v, &value.value, sizeof v);
    return static_cast<int32_t>(v);
  }
  return TruncateToInteger(NumberArgument(value));
}

std::string BytesFrom(const ValueRecord& value, PropertyKind kind) {
  if (kind == P::kText) {
    if (value.kind != kind::kText) RaiseError(kWrongArgumentKind);
    return std::string(TextView(PointerOf<const char>(value)));
  }
  if (value.kind != kind::kByteSet && value.kind != (kind::kByte | kind::kArrayFlag))
    RaiseError(kWrongArgumentKind);
  auto bytes = ByteSetBytes(PointerOf<const void>(value));
  return std::string(bytes.begin(), bytes.end());
}

}  // namespace

bool FindPropertyInfo(UnitTypeCode type, int32_t index, PropertyInfo& info) {
  const TypeLayout* layout = FindTypeLayout(type);
  if (layout == nullptr) return false;
  for (const FieldLayout& field : layout->fields) {
    if (field.property != index) continue;
    if (field.kind == FieldKind::kString) {
      info = {P::kText};
    } else if (field.kind == FieldKind::kBuffer) {
      info = {P::kBytes};
    } else {
      info = {P::kInteger};
      for (const KindEntry& e : KindsOf(type))
        if (e.index == index) info = e.info;
    }
    return true;
  }
  return false;
}

Unit::Unit(WindowUnit* window, UnitRecord& record) : window_(window), record_(record) {
  for (const SettingField& field : record.settings.fields)
    values_[field.property] = PropertyValue{field.number, field.bytes};
}

Unit::~Unit() = default;

int32_t Unit::Number(int32_t index, int32_t missing) const {
  auto found = values_.find(index);
  return found == values_.end() ? missing : found->second.number;
}

std::string_view Unit::Bytes(int32_t index) const {
  auto found = values_.find(index);
  return found == values_.end() ? std::string_view() : std::string_view(found->second.bytes);
}

PicturePtr Unit::PictureOf(int32_t index) const {
  std::string_view bytes = Bytes(index);
  return LoadPictureFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()),
                               int64_t(bytes.size()));
}

void Unit::Store(int32_t index, int32_t number) {
  values_[index].number = number;
}

void Unit::Store(int32_t index, std::string bytes) {
  values_[index].bytes = std::move(bytes);
}

ValueRecord Unit::GetTypeProperty(int32_t index) const {
  PropertyInfo info;
  if (!FindPropertyInfo(Type(), index, info)) return ValueRecord{};
  switch (info.kind) {
    case P::kText:
      return MakePointer(kind::kText, NewTextBlock(Bytes(index)));
    case P::kBytes: {
      std::string_view bytes = Bytes(index);
      return MakePointer(
          kind::kByteSet,
          NewByteSetBlock({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()}));
    }
    case P::kLogic:
      return MakeLogic(Number(index) != 0);
    default:
      return MakeInteger(Number(index));
  }
}

void Unit::SetTypeProperty(int32_t index, const ValueRecord& value) {
  PropertyInfo info;
  if (!FindPropertyInfo(Type(), index, info)) return;
  switch (info.kind) {
    case P::kText:
    case P::kBytes:
      Store(index, BytesFrom(value, info.kind));
      break;
    case P::kLogic:
      Store(index, NumberFrom(value) != 0 ? 1 : 0);
      break;
    case P::kChoice: {
      int32_t n = std::max(NumberFrom(value), 0);
      // Drawing panels keep their choices in range; other types store what they are given.
      if (Type() == unit_type::kDrawPanel) n = std::min(n, info.max);
      Store(index, n);
      break;
    }
    case P::kInteger: {
      int32_t n = NumberFrom(value);
      if (info.max > 0) n = std::clamp(n, 0, info.max);
      Store(index, n);
      break;
    }
    case P::kColour:
      Store(index, NumberFrom(value));
      break;
  }
  PropertyChanged(index);
}

Unit* UnitOfWidget(QWidget* widget) {
  for (QWidget* w = widget; w != nullptr; w = w->parentWidget()) {
    if (Unit* unit = dynamic_cast<Unit*>(w)) return unit;
    // A dialog or box over a window has the window as its parent, yet none of its widgets is a
    // unit of that window.
    if (w->isWindow()) return nullptr;
  }
  return nullptr;
}

void PlaceUnitWidget(Unit& unit, QWidget& widget) {
  const UnitRecord& record = unit.Record();
  widget.setGeometry(record.left, record.top, std::max(0, record.width),
                     std::max(0, record.height));
  widget.setEnabled(!record.Disabled());
  widget.setMouseTracking(true);
  if (record.TabStop())
    widget.setFocusPolicy(Qt::FocusPolicy(widget.focusPolicy() | Qt::TabFocus));
  else
    widget.setFocusPolicy(Qt::FocusPolicy(widget.focusPolicy() & ~Qt::TabFocus));
  widget.hide();
  ApplyMousePointer(unit);
}

void ApplyMousePointer(Unit& unit) {
  QWidget* widget = unit.Widget();
  if (widget == nullptr) return;
  const std::vector<uint8_t>& data = unit.Record().cursorData;
  PicturePtr picture = LoadPictureFromMemory(data.data(), int64_t(data.size()));
  if (picture == nullptr || picture->icon == nullptr) {
    widget->unsetCursor();
    return;
  }
  const IconImage& icon = *picture->icon;
  widget->setCursor(QCursor(QPixmap::fromImage(IconToImage(icon)), icon.hotX, icon.hotY));
}

int32_t BorderWidth(int32_t border) {
  switch (border) {
    case kSunkenBorder:
    case kRaisedBorder:
      return 2;
    case kLineBorder:
      return 1;
    default:
      return 0;
  }
}

void DrawBorder(QPainter& painter, const QWidget& widget, int32_t border) {
  const QRect r = widget.rect().adjusted(0, 0, -1, -1);
  if (border == kLineBorder) {
    painter.setPen(Qt::black);
    painter.drawRect(r);
    return;
  }
  if (border != kSunkenBorder && border != kRaisedBorder) return;
  // Two pixels: the outer pair of lines dark and light, the inner pair a shade softer.
  const QColor dark = widget.palette().color(QPalette::Dark);
  const QColor light = widget.palette().color(QPalette::Light);
  const bool sunken = border == kSunkenBorder;
  for (int inset = 0; inset < 2; ++inset) {
    const QRect e = r.adjusted(inset, inset, -inset, -inset);
    painter.setPen(sunken ? dark.darker(100 + 20 * (1 - inset)) : light);
    painter.drawLine(e.topLeft(), e.topRight());
    painter.drawLine(e.topLeft(), e.bottomLeft());
    painter.setPen(sunken ? light : dark.darker(100 + 20 * (1 - inset)));
    painter.drawLine(e.bottomLeft(), e.bottomRight());
    painter.drawLine(e.topRight(), e.bottomRight());
  }
}

uint32_t SystemDefaultColour() {
  QColor c = QApplication::palette().color(QPalette::Button);
  return uint32_t(c.red()) | uint32_t(c.green()) << 8 | uint32_t(c.blue()) << 16;
}

uint32_t ResolveColour(int32_t colour) {
  if (static_cast<uint32_t>(colour) == kDefaultColour) return SystemDefaultColour();
  return static_cast<uint32_t>(colour) & 0xFFFFFF;
}

QColor ToQColor(uint32_t bgr) {
  return QColor(int(bgr & 0xFF), int(bgr >> 8 & 0xFF), int(bgr >> 16 & 0xFF));
}

}  // namespace runtime
