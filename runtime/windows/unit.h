// A live unit: what every unit type shares while its window exists. The window itself is a unit
// too (its first record). Each type is a Qt widget that also derives from Unit; a unit without a
// face of its own (the file dialog) has no widget.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "runtime/pictures/picture.h"
#include "runtime/value.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/window_template.h"

class QColor;
class QPainter;
class QRect;
class QWidget;

namespace runtime {

class WindowUnit;

// How a type property is seen from outside: the value kind it is read as and how a written
// value is brought into range.
enum class PropertyKind : uint8_t {
  kInteger,  // any number, truncated
  kLogic,    // stored as 0 or 1
  kChoice,   // an integer; negative values become 0 (a drawing panel also caps them)
  kColour,   // 0x00BBGGRR, or 0xFF000000 for the system's default colour
  kText,     // GB18030; a null text is the empty text
  kBytes,    // a buffer: pictures, fonts, sound
};

struct PropertyInfo {
  PropertyKind kind = PropertyKind::kInteger;
  int32_t max = 0;  // kChoice: the highest choice; kInteger: an upper bound when above 0
};

// The kind of a type property, from the type's property list; false for an index the type does
// not have.
bool FindPropertyInfo(UnitTypeCode type, int32_t index, PropertyInfo& info);

// One stored property value: a number or bytes (texts and buffers).
struct PropertyValue {
  int32_t number = 0;
  std::string bytes;
};

class Unit {
 public:
  Unit(WindowUnit* window, UnitRecord& record);
  virtual ~Unit();
  Unit(const Unit&) = delete;
  Unit& operator=(const Unit&) = delete;

  // The unit's face, or null for a unit that has none.
  virtual QWidget* Widget() = 0;

  UnitRecord& Record() { return record_; }
  const UnitRecord& Record() const { return record_; }
  UnitId Id() const { return record_.id; }
  UnitTypeCode Type() const { return record_.type; }
  WindowUnit* Window() const { return window_; }
  int32_t ControlId() const { return controlId_; }
  void SetControlId(int32_t id) { controlId_ = id; }

  // Type properties. Get returns a record whose text or byte set is a new block owned by the
  // caller; Set converts the value by the property's kind and then lets the type react.
  ValueRecord GetTypeProperty(int32_t index) const;
  void SetTypeProperty(int32_t index, const ValueRecord& value);

  // The stored values, for the type's own drawing and behaviour.
  int32_t Number(int32_t index, int32_t missing = 0) const;
  std::string_view Bytes(int32_t index) const;
  bool Flag(int32_t index) const { return Number(index) != 0; }
  // A picture property decoded; null when it is empty or not a picture.
  PicturePtr PictureOf(int32_t index) const;
  // Stores without the conversions of SetTypeProperty and without a reaction (types use it for
  // values they change themselves, such as the file dialog's chosen name).
  void Store(int32_t index, int32_t number);
  void Store(int32_t index, std::string bytes);

  // A type's presses that should move the window when it is dragged by its background (labels
  // and picture boxes let them through).
  virtual bool PassesPressesThrough() const { return false; }
  // Whether the unit can raise events at all.
  virtual bool RaisesEvents() const { return true; }
  // Called after any property of the unit was written, with its rectangle before the write.
  virtual void PropertyWritten(const QRect& before) { (void)before; }

 protected:
  // Called after a type property was written; the type redraws or reconfigures itself.
  virtual void PropertyChanged(int32_t index) { (void)index; }

 private:
  WindowUnit* window_;
  UnitRecord& record_;
  int32_t controlId_ = 0;
  std::map<int32_t, PropertyValue> values_;
};

// Creates the live unit of a child record inside its window: null when the type is unknown or its
// settings could not be read (a version above the type's). The widget, when there is one, is a
// child of `parent`.
std::unique_ptr<Unit> CreateUnit(WindowUnit* window, UnitRecord& record, QWidget* parent);

// The live unit of a widget, walking up from a widget inside a unit; null outside any unit, and
// for the widgets of other windows (dialogs, boxes) over a unit's window.
Unit* UnitOfWidget(QWidget* widget);

// Puts a new unit's widget where its record says: rectangle, disabled state, Tab stop (adding Tab
// focus to the type's own focus policy), mouse pointer; hidden until the window shows its units.
void PlaceUnitWidget(Unit& unit, QWidget& widget);
// The unit's mouse pointer from its record: a cursor or icon picture, else the standard pointer.
void ApplyMousePointer(Unit& unit);

// The borders of panels, labels and picture boxes: none, a sunken edge, a single black line, a
// raised edge. Their width inside the unit, and their drawing.
enum Border : int32_t { kNoBorder = 0, kSunkenBorder = 1, kLineBorder = 2, kRaisedBorder = 3 };
int32_t BorderWidth(int32_t border);
void DrawBorder(QPainter& painter, const QWidget& widget, int32_t border);

// Colours are 0x00BBGGRR. Two stored values are not colours: the system's default colour (the
// button face) and, behind text, transparent.
inline constexpr uint32_t kDefaultColour = 0xFF000000;
inline constexpr uint32_t kTransparentColour = 0xFFFFFFFF;
uint32_t SystemDefaultColour();
// A stored colour as 0x00BBGGRR, the default colour resolved.
uint32_t ResolveColour(int32_t colour);
QColor ToQColor(uint32_t bgr);

}  // namespace runtime
