#include "runtime/windows/event_dispatch.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>
#include <array>

#include "runtime/error.h"
#include "runtime/system/web_opener.h"
#include "runtime/text_codec.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/window_manager.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

int32_t KeyState(Qt::KeyboardModifiers modifiers) {
  int32_t state = 0;
  if (modifiers & Qt::ControlModifier) state |= kKeyStateCtrl;
  if (modifiers & Qt::ShiftModifier) state |= kKeyStateShift;
  if (modifiers & Qt::AltModifier) state |= kKeyStateAlt;
  return state;
}

// Positions travel as the low and high halves of one 32-bit word, each unsigned.
int32_t Half(int v) {
  return static_cast<uint16_t>(v);
}

bool Alive(WindowUnit* window) {
  return window != nullptr && LiveWindow(window->WindowIdentifier()) == window;
}

// Input the desktop delivers late, to a window that has gone or is closing, belongs to nobody: a
// slow machine can queue a key behind the close request, and the widget lives on until its
// deferred delete.
bool Heard(const Unit& unit) {
  return WindowTakesInput(unit.Window());
}

// Raises a unit's event for a message; true when the message is to go no further: the handler
// returned false, or the window is gone.
bool DispatchInput(Unit& unit, int32_t event, std::span<const int32_t> args,
                   ValueRecord* result = nullptr) {
  WindowUnit* window = unit.Window();
  ValueRecord r = RaiseEvent(window->WindowIdentifier(), unit.Id(), event, args);
  if (result != nullptr) *result = r;
  if (!Alive(window)) return true;
  return r.kind == kind::kLogic && LowInteger(r) == 0;
}

// Moving a window by its background: the desktop's own move where the platform offers it, else
// the window follows the pointer until the button comes up.
struct ManualMove {
  QPointer<QWidget> window;
  QPoint grab;  // the pointer's offset from the window's position
};
ManualMove manualMove;

bool StartMove(WindowUnit& window, QMouseEvent* press) {
  if (QWindow* handle = window.windowHandle(); handle != nullptr && handle->startSystemMove())
    return true;
  manualMove = {&window, press->globalPosition().toPoint() - window.pos()};
  window.grabMouse();
  return true;
}

bool FollowMove(QEvent* event) {
  if (!manualMove.window) return false;
  auto* mouse = static_cast<QMouseEvent*>(event);
  if (event->type() == QEvent::MouseMove) {
    manualMove.window->move(mouse->globalPosition().toPoint() - manualMove.grab);
    return true;
  }
  if (event->type() == QEvent::MouseButtonRelease && mouse->button() == Qt::LeftButton) {
    manualMove.window->releaseMouse();
    manualMove = {};
    return true;
  }
  return false;
}

// The unit a mouse message belongs to. The widget that gets it is the unit under the pointer; a
// message a unit did not take is offered to its parent again, which must not raise a second event.
Unit* MouseTarget(QWidget* receiver, QMouseEvent* mouse) {
  Unit* unit = dynamic_cast<Unit*>(receiver);
  if (unit == nullptr) return nullptr;
  if (auto* window = dynamic_cast<WindowUnit*>(unit)) {
    QWidget* under = window->childAt(mouse->position().toPoint());
    if (under != nullptr && QWidget::mouseGrabber() != window) return nullptr;
  }
  return unit;
}

bool HandleMouse(QWidget* receiver, QEvent* event) {
  if (FollowMove(event)) return true;
  auto* mouse = static_cast<QMouseEvent*>(event);
  Unit* unit = MouseTarget(receiver, mouse);
  if (unit == nullptr) return false;
  if (!Heard(*unit)) return true;
  WindowUnit* window = unit->Window();

  int32_t index = 0;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
      if (mouse->button() == Qt::LeftButton) index = event::kLeftPressed;
      if (mouse->button() == Qt::RightButton) index = event::kRightPressed;
      break;
    case QEvent::MouseButtonRelease:
      if (mouse->button() == Qt::LeftButton) index = event::kLeftReleased;
      if (mouse->button() == Qt::RightButton) index = event::kRightReleased;
      break;
    case QEvent::MouseButtonDblClick:
      if (mouse->button() == Qt::LeftButton) index = event::kLeftDoubleClicked;
      break;
    default:
      index = event::kMouseMoved;
      break;
  }
  if (index == 0) return false;
  // A press on the background of a window that is dragged by it moves the window: the press
  // never reaches the window as a click.
  if (index == event::kLeftPressed && unit == window &&
      window->Flag(window_property::kDragByBackground))
    return StartMove(*window, mouse);

  const QPoint at = mouse->position().toPoint();
  const std::array<int32_t, 3> args{Half(at.x()), Half(at.y()), KeyState(mouse->modifiers())};
  return DispatchInput(*unit, index, args);
}

void MoveFocus(WindowUnit& window, bool forward) {
  QWidget* from = window.focusWidget();
  QWidget* next = from != nullptr
                      ? (forward ? from->nextInFocusChain() : from->previousInFocusChain())
                      : nullptr;
  for (int guard = 0; next != nullptr && next != from && guard < 1000; ++guard) {
    if (next->window() == &window && next->isVisible() && next->isEnabled() &&
        (next->focusPolicy() & Qt::TabFocus)) {
      next->setFocus(forward ? Qt::TabFocusReason : Qt::BacktabFocusReason);
      return;
    }
    next = forward ? next->nextInFocusChain() : next->previousInFocusChain();
  }
  if (from != nullptr) return;
  for (const auto& unit : window.Units()) {
    QWidget* w = unit->Widget();
    if (w != nullptr && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus)) {
      w->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

QPushButton* DefaultButton(WindowUnit& window) {
  for (const auto& unit : window.Units()) {
    auto* button = qobject_cast<QPushButton*>(unit->Widget());
    if (button != nullptr && button->isDefault() && button->isVisible() && button->isEnabled())
      return button;
  }
  return nullptr;
}

// The keys a window handles itself before any unit hears of them; true when the key was used.
bool WindowKey(WindowUnit& window, QKeyEvent* key) {
  using namespace window_property;
  switch (key->key()) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      MoveFocus(window, key->key() == Qt::Key_Tab && !(key->modifiers() & Qt::ShiftModifier));
      return true;
    case Qt::Key_Escape:
      if (!window.Flag(kEscapeCloses)) return false;
      RequestWindowClose(window);
      return true;
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      if (auto* focused = qobject_cast<QPushButton*>(window.focusWidget())) {
        focused->click();
        return true;
      }
      if (window.Flag(kEnterMovesFocus)) {
        MoveFocus(window, true);
        return true;
      }
      if (QPushButton* button = DefaultButton(window)) {
        button->click();
        return true;
      }
      return false;
    }
    case Qt::Key_Left:
    case Qt::Key_Up:
    case Qt::Key_Right:
    case Qt::Key_Down:
      if (window.focusWidget() == nullptr) return false;
      MoveFocus(window, key->key() == Qt::Key_Right || key->key() == Qt::Key_Down);
      return true;
    case Qt::Key_F1:
      if (!window.Flag(kF1OpensHelp)) return false;
      if (auto file = GbToUtf8(window.Bytes(kHelpFile)); file && !file->empty())
        OpenWebAddress(QUrl::fromLocalFile(QString::fromStdString(*file)).toString().toStdString());
      return true;
    default:
      return false;
  }
}

// The character of a key press as the window's code page gives it: one byte for ASCII, the two
// GB18030 bytes of a Chinese character as one number; 0 when there is none.
int32_t CharacterCode(const QString& text) {
  if (text.isEmpty()) return 0;
  auto gb = Utf8ToGb(text.toStdString());
  if (!gb || gb->empty()) return 0;
  int32_t code = 0;
  for (size_t i = 0; i < gb->size() && i < 2; ++i)
    code = code << 8 | static_cast<uint8_t>((*gb)[i]);
  return code;
}

QString CharacterText(int32_t code) {
  std::string gb;
  if (code > 0xFF) gb += static_cast<char>(code >> 8 & 0xFF);
  gb += static_cast<char>(code & 0xFF);
  return QString::fromStdString(GbToUtf8Lossy(gb));
}

bool HandleKey(QWidget* receiver, QEvent* event) {
  // A key the focused widget did not take travels up to its parents; only its first delivery is
  // the message.
  QWidget* focus = QApplication::focusWidget();
  if (focus != nullptr ? receiver != focus : dynamic_cast<WindowUnit*>(receiver) == nullptr)
    return false;
  Unit* unit = UnitOfWidget(receiver);
  if (unit == nullptr) return false;
  if (!Heard(*unit)) return true;
  WindowUnit* window = unit->Window();
  auto* key = static_cast<QKeyEvent*>(event);
  const int32_t state = KeyState(key->modifiers());

  if (event->type() == QEvent::KeyRelease)
    return DispatchInput(*unit, event::kKeyReleased,
                         std::array<int32_t, 2>{VirtualKeyOf(key->key()), state});
  if (WindowKey(*window, key)) return true;
  if (DispatchInput(*unit, event::kKeyPressed,
                    std::array<int32_t, 2>{VirtualKeyOf(key->key()), state}))
    return true;
  const int32_t character = CharacterCode(key->text());
  if (character == 0) return false;
  ValueRecord result;
  if (DispatchInput(*unit, event::kCharacter, std::array<int32_t, 1>{character}, &result))
    return true;
  if (result.kind == kind::kNone || !IsNumericKind(result.kind)) return false;
  // The handler replaced the character (0 swallows it): the widget gets the new one instead.
  const int32_t replacement = TruncateToInteger(NumberArgument(result));
  if (replacement == character) return false;
  if (replacement != 0)
    QCoreApplication::postEvent(
        receiver,
        new QKeyEvent(QEvent::KeyPress, key->key(), key->modifiers(), CharacterText(replacement)));
  return true;
}

bool HandleWheel(QWidget* receiver, QEvent* event) {
  Unit* unit = dynamic_cast<Unit*>(receiver);
  if (unit == nullptr) return false;
  if (!Heard(*unit)) return true;
  auto* wheel = static_cast<QWheelEvent*>(event);
  const std::array<int32_t, 2> args{wheel->angleDelta().y() / 120, KeyState(wheel->modifiers())};
  return DispatchInput(*unit, event::kWheel, args);
}

class EventFilter : public QObject {
 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (!watched->isWidgetType()) return false;
    auto* widget = static_cast<QWidget*>(watched);
    // A disabled unit, or a unit of a window a modal one has disabled, hears nothing; Qt then
    // drops the input too.
    if (!widget->isEnabled()) return false;
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::MouseMove:
        return ErrorsInProgress() == 0 && HandleMouse(widget, event);
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
        return ErrorsInProgress() == 0 && HandleKey(widget, event);
      case QEvent::Wheel:
        return ErrorsInProgress() == 0 && HandleWheel(widget, event);
      default:
        return false;
    }
  }
};

}  // namespace

ValueRecord RaiseEvent(WindowId window, UnitId unit, int32_t event, std::span<const int32_t> args) {
  if (ErrorsInProgress() > 0) return ValueRecord{};
  const WindowRecord* windowRecord = LoadedWindowTemplate().FindWindow(window);
  if (windowRecord == nullptr || windowRecord->object == nullptr)
    RaiseCommandError(Gb("未找到引发事件的窗口"));
  const UnitRecord* unitRecord = windowRecord->FindUnit(unit);
  if (unitRecord == nullptr || unitRecord->object == nullptr)
    RaiseCommandError(Gb("未找到引发事件的窗口组件"));
  if (!static_cast<Unit*>(unitRecord->object)->RaisesEvents())
    RaiseCommandError(Gb("引发事件的窗口组件无效"));
  const EventBinding* binding = unitRecord->FindBinding(event);
  if (binding == nullptr || binding->routine == nullptr) return ValueRecord{};
  return binding->routine(args);
}

bool WindowTakesInput(WindowUnit* window) {
  return Alive(window) && !window->Closing();
}

void InstallEventDispatch() {
  static EventFilter* filter = nullptr;
  if (filter != nullptr) return;
  filter = new EventFilter;
  QCoreApplication::instance()->installEventFilter(filter);
}

int32_t VirtualKeyOf(int key) {
  if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9))
    return key;  // the same codes: 'A'..'Z', '0'..'9'
  if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return 0x70 + (key - Qt::Key_F1);
  struct Pair {
    int qt;
    int32_t vk;
  };
  static constexpr Pair kKeys[] = {
      {Qt::Key_Backspace, 0x08},    {Qt::Key_Tab, 0x09},         {Qt::Key_Backtab, 0x09},
      {Qt::Key_Return, 0x0D},       {Qt::Key_Enter, 0x0D},       {Qt::Key_Shift, 0x10},
      {Qt::Key_Control, 0x11},      {Qt::Key_Alt, 0x12},         {Qt::Key_Pause, 0x13},
      {Qt::Key_CapsLock, 0x14},     {Qt::Key_Escape, 0x1B},      {Qt::Key_Space, 0x20},
      {Qt::Key_PageUp, 0x21},       {Qt::Key_PageDown, 0x22},    {Qt::Key_End, 0x23},
      {Qt::Key_Home, 0x24},         {Qt::Key_Left, 0x25},        {Qt::Key_Up, 0x26},
      {Qt::Key_Right, 0x27},        {Qt::Key_Down, 0x28},        {Qt::Key_Print, 0x2C},
      {Qt::Key_Insert, 0x2D},       {Qt::Key_Delete, 0x2E},      {Qt::Key_Meta, 0x5B},
      {Qt::Key_Menu, 0x5D},         {Qt::Key_NumLock, 0x90},     {Qt::Key_ScrollLock, 0x91},
      {Qt::Key_Semicolon, 0xBA},    {Qt::Key_Equal, 0xBB},       {Qt::Key_Comma, 0xBC},
      {Qt::Key_Minus, 0xBD},        {Qt::Key_Period, 0xBE},      {Qt::Key_Slash, 0xBF},
      {Qt::Key_QuoteLeft, 0xC0},    {Qt::Key_BracketLeft, 0xDB}, {Qt::Key_Backslash, 0xDC},
      {Qt::Key_BracketRight, 0xDD}, {Qt::Key_Apostrophe, 0xDE},
  };
  for (const Pair& p : kKeys)
    if (p.qt == key) return p.vk;
  return 0;
}

}  // namespace runtime
