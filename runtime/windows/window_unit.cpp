#include "runtime/windows/window_unit.h"

#include <QApplication>
#include <QCloseEvent>
#include <QIcon>
#include <QPainter>
#include <QPixmap>
#include <algorithm>

#include "runtime/pictures/icon_decoder.h"
#include "runtime/pictures/surface.h"
#include "runtime/text_codec.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/qt_image.h"
#include "runtime/windows/window_manager.h"

namespace runtime {

namespace {

// A border style of 0 is a window without any frame; every other style has the nominal one.
bool Framed(int32_t borderStyle) {
  return borderStyle != 0;
}

}  // namespace

WindowUnit::WindowUnit(WindowRecord& windowRecord, UnitRecord& record)
    : QWidget(nullptr), Unit(this, record), windowRecord_(windowRecord) {
  setAttribute(Qt::WA_DeleteOnClose, false);
  setAutoFillBackground(true);
  setMouseTracking(true);  // every move is an event, pressed or not
  ApplyLook();
}

WindowUnit::~WindowUnit() {
  // The units go first, while the window they draw into still exists. The window owns its units,
  // not their widgets' parents: a member leaves its container before either goes, so that the
  // container's widget does not take it down a second time.
  for (auto& unit : units_)
    if (QWidget* w = unit->Widget(); w != nullptr && w->parentWidget() != this) w->setParent(this);
  while (!units_.empty()) units_.pop_back();
}

Unit* WindowUnit::FindUnit(UnitId id) {
  if (id == Id()) return this;
  for (auto& unit : units_)
    if (unit->Id() == id) return unit.get();
  return nullptr;
}

void WindowUnit::AdoptUnits(std::vector<std::unique_ptr<Unit>> createdLastFirst) {
  units_.clear();
  for (auto it = createdLastFirst.rbegin(); it != createdLastFirst.rend(); ++it)
    units_.push_back(std::move(*it));
  // Raising from the last to the first leaves the second record on top of all.
  for (auto it = units_.rbegin(); it != units_.rend(); ++it)
    if (QWidget* w = (*it)->Widget()) w->raise();
  QWidget* previous = nullptr;
  for (auto& unit : units_) {
    QWidget* w = unit->Widget();
    if (w == nullptr || w->focusPolicy() == Qt::NoFocus) continue;
    if (previous != nullptr) QWidget::setTabOrder(previous, w);
    previous = w;
  }
}

void WindowUnit::RemoveUnit(UnitId id) {
  auto it = std::find_if(units_.begin(), units_.end(),
                         [id](const std::unique_ptr<Unit>& unit) { return unit->Id() == id; });
  if (it == units_.end()) return;
  std::unique_ptr<Unit> unit = std::move(*it);
  units_.erase(it);
  unit->Record().object = nullptr;
  unit->Record().cursor = nullptr;
  QWidget* widget = unit->Widget();
  if (widget == nullptr) return;  // the unit goes now
  // A container's members go with it: their widgets are its children, which Qt deletes with it,
  // so the window gives them up first.
  for (auto member = units_.begin(); member != units_.end();) {
    QWidget* w = (*member)->Widget();
    if (w == nullptr || !widget->isAncestorOf(w)) {
      ++member;
      continue;
    }
    (*member)->Record().object = nullptr;
    (*member)->Record().cursor = nullptr;
    member->release();
    member = units_.erase(member);
  }
  widget->hide();
  widget->deleteLater();
  unit.release();  // the widget owns itself (and its members) until the deferred delete
}

void WindowUnit::DisableOthersWhileOpen() {
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top == this || !top->isEnabled() || dynamic_cast<WindowUnit*>(top) == nullptr) continue;
    top->setEnabled(false);
    disabledByMe_.push_back(top);
  }
}

void WindowUnit::EnableOthers() {
  for (QPointer<QWidget>& w : disabledByMe_)
    if (w) w->setEnabled(true);
  disabledByMe_.clear();
}

QRect WindowUnit::OuterGeometry() const {
  const bool framed = Framed(Number(window_property::kBorderStyle));
  return QRect(pos(),
               QSize(width() + (framed ? kFrameWidth : 0), height() + (framed ? kFrameHeight : 0)));
}

void WindowUnit::SetOuterGeometry(const QRect& outer) {
  const bool framed = Framed(Number(window_property::kBorderStyle));
  QSize client(std::max(0, outer.width() - (framed ? kFrameWidth : 0)),
               std::max(0, outer.height() - (framed ? kFrameHeight : 0)));
  setFixedSize(client);
  move(outer.topLeft());
}

void WindowUnit::closeEvent(QCloseEvent* event) {
  // The close box, Escape and a close request all end here; the window goes only when closing
  // is allowed, and then it is destroyed, not merely hidden.
  event->ignore();
  if (Number(window_property::kCloseAllowed, 1) == 0) {
    closing_ = false;
    return;
  }
  DestroyWindow(*this);
}

bool WindowUnit::event(QEvent* event) {
  if (event->type() == CloseRequestEvent()) {
    close();
    return true;
  }
  return QWidget::event(event);
}

void WindowUnit::paintEvent(QPaintEvent*) {
  if (background_.isNull()) return;
  QPainter painter(this);
  // On a screen that scales, the picture is scaled smoothly rather than in blocks of pixels.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, devicePixelRatioF() != 1.0);
  painter.drawImage(0, 0, background_);
}

void WindowUnit::PropertyChanged(int32_t) {
  ApplyLook();
}

QEvent::Type WindowUnit::CloseRequestEvent() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void WindowUnit::ApplyLook() {
  using namespace window_property;
  setWindowTitle(QString::fromStdString(GbToUtf8Lossy(Bytes(kCaption))));

  Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint;
  if (!Framed(Number(kBorderStyle))) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::WindowTitleHint;
    if (Flag(kControlBox)) {
      flags |= Qt::WindowSystemMenuHint;
      if (Number(kCloseAllowed, 1) != 0) flags |= Qt::WindowCloseButtonHint;
      if (Flag(kMinimizeBox)) flags |= Qt::WindowMinimizeButtonHint;
      if (Flag(kMaximizeBox)) flags |= Qt::WindowMaximizeButtonHint;
    }
  }
  if (Flag(kAlwaysOnTop)) flags |= Qt::WindowStaysOnTopHint;
  if (flags != windowFlags()) {
    const bool shown = isVisible();  // new flags take the window off the screen
    setWindowFlags(flags);
    if (shown) show();
  }

  QPalette palette = this->palette();
  palette.setColor(QPalette::Window,
                   ToQColor(ResolveColour(Number(kBackgroundColour, int32_t(kDefaultColour)))));
  setPalette(palette);

  QIcon icon;
  std::string_view iconBytes = Bytes(kIcon);
  for (const IconImage& image :
       DecodeIconImages({reinterpret_cast<const uint8_t*>(iconBytes.data()), iconBytes.size()}))
    icon.addPixmap(QPixmap::fromImage(IconToImage(image)));
  setWindowIcon(icon);

  // The background picture is drawn once into an image of the client area.
  background_ = QImage();
  if (PicturePtr picture = PictureOf(kBackgroundPicture)) {
    const QRect outer(QPoint(), QSize(Record().width, Record().height));
    const bool framed = Framed(Number(kBorderStyle));
    Surface surface(std::max(0, outer.width() - (framed ? kFrameWidth : 0)),
                    std::max(0, outer.height() - (framed ? kFrameHeight : 0)),
                    ResolveColour(Number(kBackgroundColour, int32_t(kDefaultColour))));
    DrawBackgroundPicture(picture.get(), surface, Rect{0, 0, surface.Width(), surface.Height()},
                          Number(kPicturePlacement));
    background_ = ToImage(surface);
  }
  update();
}

}  // namespace runtime
