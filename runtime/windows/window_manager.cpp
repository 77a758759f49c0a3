#include "runtime/windows/window_manager.h"

#include <QApplication>
#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QWindow>

#include "runtime/error.h"
#include "runtime/lifecycle.h"
#include "runtime/pictures/picture_commands.h"
#include "runtime/system/fonts.h"
#include "runtime/text_codec.h"
#include "runtime/windows/event_dispatch.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/window_commands.h"
#include "runtime/windows/window_template.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

enum StartPosition : int32_t { kAsStored = 0, kCentred = 1, kMinimized = 2, kMaximized = 3 };

WindowUnit* WindowOfRecord(const WindowRecord& record) {
  return static_cast<WindowUnit*>(record.object);
}

// The records' slots point to the live objects while the window exists.
void Attach(WindowRecord& record, WindowUnit& window) {
  record.object = &window;
  record.units.front().object = static_cast<Unit*>(&window);
}

void Detach(WindowRecord& record) {
  record.object = nullptr;
  for (UnitRecord& unit : record.units) {
    unit.object = nullptr;
    unit.cursor = nullptr;
  }
}

bool Creatable(const UnitRecord& record) {
  return record.settings.state == SettingsState::kRead && FindTypeLayout(record.type) != nullptr;
}

QPoint StartPoint(const WindowUnit& window, const UnitRecord& record) {
  if (window.Number(window_property::kStartPosition) != kCentred)
    return QPoint(record.left, record.top);
  const QScreen* screen = QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 0, 0);
  return QPoint(area.x() + (area.width() - record.width) / 2,
                area.y() + (area.height() - record.height) / 2);
}

// Creates every unit from the last record to the second with control identifiers 100, 110, ...;
// false when one of them cannot be made.
bool CreateUnits(WindowUnit& window, WindowRecord& record) {
  std::vector<std::unique_ptr<Unit>> created;
  int32_t controlId = 100;
  for (size_t i = record.units.size(); i-- > 1;) {
    UnitRecord& unitRecord = record.units[i];
    std::unique_ptr<Unit> unit =
        Creatable(unitRecord) ? CreateUnit(&window, unitRecord, &window) : nullptr;
    if (!unit) return false;
    unit->SetControlId(controlId);
    controlId += 10;
    unitRecord.object = unit.get();
    created.push_back(std::move(unit));
  }
  window.AdoptUnits(std::move(created));
  // Containers take their members once every unit exists.
  for (const auto& unit : window.Units()) {
    const UnitId container = unit->Record().container;
    if (container == 0 || unit->Widget() == nullptr) continue;
    Unit* holder = window.FindUnit(container);
    if (holder != nullptr && holder != unit.get() && holder->Widget() != nullptr) {
      const QPoint at = unit->Widget()->pos();
      unit->Widget()->setParent(holder->Widget());
      unit->Widget()->move(at);
    }
  }
  for (const auto& unit : window.Units())
    if (QWidget* w = unit->Widget()) w->setVisible(unit->Record().Visible());
  return true;
}

// Events 0, 3 and 4 of a new window, each only while the window still exists.
bool FireCreationEvents(WindowId id, WindowUnit* window) {
  for (int32_t event : {0, 3, 4}) {
    if (LiveWindow(id) != window) return false;
    RaiseEvent(id, window->Id(), event, {});
  }
  return LiveWindow(id) == window;
}

void ShowByStartPosition(WindowUnit& window) {
  switch (window.Number(window_property::kStartPosition)) {
    case kMinimized:
      window.showMinimized();
      break;
    case kMaximized:
      window.showMaximized();
      break;
    default:
      window.show();
      // Shown normally, a window is also the active one: its keys (Escape above all) reach it
      // even where no window manager hands out the focus.
      window.activateWindow();
      break;
  }
}

// The unit that will hold the keyboard focus: the window's focus child, else the first unit in
// Tab order that takes the focus.
Unit* FocusedUnit(WindowUnit& window) {
  if (QWidget* w = window.focusWidget()) return UnitOfWidget(w);
  for (const auto& unit : window.Units()) {
    QWidget* w = unit->Widget();
    if (w != nullptr && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
      return unit.get();
  }
  return nullptr;
}

bool Activate(WindowUnit& window) {
  if (window.isMinimized()) window.showNormal();
  window.raise();
  window.activateWindow();
  return true;
}

void DestroyAllWindows() {
  for (WindowRecord& record : LoadedWindowTemplate().windows)
    if (WindowUnit* window = WindowOfRecord(record)) {
      DestroyWindow(*window);
      delete window;
    }
}

bool quitPosted = false;

}  // namespace

void InitWindowSystem() {
  static bool done = false;
  if (done) return;
  done = true;
  // The game has registered its handlers by now; the bindings resolve against them.
  LoadWindowTemplate();
  QApplication::setQuitOnLastWindowClosed(false);
  InstallInterfaceFont();
  InstallEventDispatch();
  RegisterPictureCommands();
  RegisterWindowCommands();
  AddShutdownStep(DestroyAllWindows);
}

bool LoadWindowFromTemplate(WindowId id, WindowId owner, bool modal) {
  WindowRecord* record = LoadedWindowTemplate().FindWindow(id);
  if (record == nullptr || record->units.empty() || !Creatable(record->units.front())) return false;
  WindowUnit* ownerWindow = nullptr;
  if (owner != 0 && (ownerWindow = LiveWindow(owner)) == nullptr) return false;
  if (WindowUnit* existing = WindowOfRecord(*record)) {
    if (!existing->Closing()) return Activate(*existing);
    // A window on its way out gives way to the new one at once.
    DestroyWindow(*existing);
  }
  QPointer<QWidget> hadFocus = QApplication::focusWidget();

  UnitRecord& windowUnit = record->units.front();
  auto* window = new WindowUnit(*record, windowUnit);
  if (ownerWindow != nullptr) window->setParent(ownerWindow, window->windowFlags());
  window->SetOuterGeometry(
      QRect(StartPoint(*window, windowUnit), QSize(windowUnit.width, windowUnit.height)));
  window->setEnabled(!windowUnit.Disabled());
  Attach(*record, *window);
  if (!CreateUnits(*window, *record)) {
    Detach(*record);
    delete window;
    return false;
  }
  if (quitPosted) {
    // The last window's end had asked the loop to quit; a window again, the loop goes on.
    QCoreApplication::removePostedEvents(QCoreApplication::instance(), QEvent::Quit);
    quitPosted = false;
  }
  if (!FireCreationEvents(id, window)) return true;

  // The desktop learns of the modality too, so that it keeps the window above the others and hands
  // it the focus when one of the disabled windows is clicked.
  if (modal) window->setWindowModality(Qt::ApplicationModal);
  if (windowUnit.Visible()) {
    ShowByStartPosition(*window);
    if (Unit* focused = FocusedUnit(*window)) {
      if (QWidget* w = focused->Widget(); w != nullptr && w != window) w->setFocus();
      RaiseEvent(id, focused->Id(), event::kFocusedAtShow, {});
      if (LiveWindow(id) != window) return true;
    }
  }
  if (modal) window->DisableOthersWhileOpen();
  if (hadFocus && hadFocus->window() != window) hadFocus->setFocus();
  return true;
}

void LoadStartWindow(WindowId id) {
  if (!LoadWindowFromTemplate(id, 0, false)) RaiseCommandError(Gb("载入启动窗口失败"));
}

WindowUnit* LiveWindow(WindowId id) {
  const WindowRecord* record = LoadedWindowTemplate().FindWindow(id);
  return record != nullptr ? WindowOfRecord(*record) : nullptr;
}

Unit* LiveUnit(WindowId window, UnitId unit) {
  const UnitRecord* record = LoadedWindowTemplate().FindUnit(window, unit);
  return record != nullptr ? static_cast<Unit*>(record->object) : nullptr;
}

int32_t LiveWindowCount() {
  int32_t n = 0;
  for (const WindowRecord& record : LoadedWindowTemplate().windows)
    if (record.object != nullptr) ++n;
  return n;
}

Unit& UnitArgumentOf(const ValueRecord& argument) {
  const UnitRef ref = UnitRefOf(argument);
  Unit* unit = LiveUnit(ref.window, ref.unit);
  if (unit == nullptr || unit->Type() != ref.type)
    RaiseCommandError(Gb("指定窗口或窗口组件不存在或尚未载入"));
  return *unit;
}

void RequestWindowClose(WindowUnit& window) {
  window.MarkClosing();
  QCoreApplication::postEvent(&window, new QEvent(WindowUnit::CloseRequestEvent()));
}

void DestroyWindow(WindowUnit& window) {
  WindowRecord& record = window.WindowRecordOf();
  if (WindowOfRecord(record) != &window) return;  // already on its way
  for (WindowRecord& other : LoadedWindowTemplate().windows) {
    WindowUnit* owned = WindowOfRecord(other);
    if (owned != nullptr && owned != &window && owned->parentWidget() == &window) {
      DestroyWindow(*owned);
      owned->setParent(nullptr);
    }
  }
  window.MarkClosing();
  window.EnableOthers();
  Detach(record);
  window.hide();
  window.deleteLater();
  if (LiveWindowCount() == 0 && !quitPosted) {
    quitPosted = true;
    QCoreApplication::postEvent(QCoreApplication::instance(), new QEvent(QEvent::Quit));
  }
}

void RunMessageLoop() {
  if (LiveWindowCount() == 0) return;
  QApplication::exec();
  quitPosted = false;
}

}  // namespace runtime
