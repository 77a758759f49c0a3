#include "runtime/windows/button.h"

#include <QPixmap>

#include "runtime/pictures/surface.h"
#include "runtime/text_codec.h"
#include "runtime/windows/event_dispatch.h"
#include "runtime/windows/interface_look.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/qt_image.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

enum ButtonKind : int32_t { kPushButton = 0, kDefaultPushButton = 1 };

}  // namespace

Button::Button(WindowUnit* window, UnitRecord& record, QWidget* parent)
    : QPushButton(parent), Unit(window, record) {
  setFocusPolicy(Qt::ClickFocus);
  setAutoDefault(false);
  PlaceUnitWidget(*this, *this);
  ApplySettings();
  ApplyInterfaceLook(this);
  connect(this, &QPushButton::clicked, this, [this] { Clicked(); });
}

void Button::Clicked() {
  // A click that comes through after its window began to close (a queued release, say).
  if (!WindowTakesInput(Window())) return;
  RaiseEvent(Window()->WindowIdentifier(), Id(), event::kCreatedOrClicked, {});
}

void Button::ApplySettings() {
  using namespace button_property;
  // "&&" stands for one ampersand; a single one marks the mnemonic, as the system draws it.
  setText(QString::fromStdString(GbToUtf8Lossy(Bytes(kCaption))));
  setDefault(Number(kKind) == kDefaultPushButton);
  static constexpr const char* kAlign[] = {"left", "center", "right"};
  const int32_t align = std::clamp(Number(kAlignment, 1), 0, 2);
  setStyleSheet(align == 1 ? QString() : QStringLiteral("text-align: %1").arg(kAlign[align]));
  QIcon icon;
  if (PicturePtr picture = PictureOf(kPicture)) {
    Surface surface(picture->width, picture->height);
    PaintPicture(picture.get(), surface, 0, 0, -1, -1, kSourceCopy);
    icon = QIcon(QPixmap::fromImage(ToImage(surface)));
    setIconSize(QSize(picture->width, picture->height));
  }
  setIcon(icon);
}

void Button::PropertyChanged(int32_t) {
  ApplySettings();
}

std::unique_ptr<Unit> CreateButton(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  return std::make_unique<Button>(window, record, parent);
}

}  // namespace runtime
