#include "runtime/windows/picture_box.h"

#include <QPainter>

#include "runtime/pictures/surface.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/qt_image.h"

namespace runtime {

namespace {}  // namespace

PictureBox::PictureBox(WindowUnit* window, UnitRecord& record, QWidget* parent)
    : QWidget(parent), Unit(window, record) {
  setFocusPolicy(Qt::NoFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  PlaceUnitWidget(*this, *this);
  Render();
}

void PictureBox::Render() {
  using namespace picture_box_property;
  const int inset = BorderWidth(Number(kBorder));
  Surface surface(std::max(0, width() - 2 * inset), std::max(0, height() - 2 * inset),
                  ResolveColour(Number(kBackgroundColour, int32_t(kDefaultColour))));
  DrawBackgroundPicture(PictureOf(kPicture).get(), surface,
                        Rect{0, 0, surface.Width(), surface.Height()}, Number(kPlacement));
  image_ = ToImage(surface);
  update();
}

void PictureBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const int32_t border = Number(picture_box_property::kBorder);
  DrawBorder(painter, *this, border);
  // On a screen that scales, the picture is scaled smoothly rather than in blocks of pixels.
  painter.setRenderHint(QPainter::SmoothPixmapTransform, devicePixelRatioF() != 1.0);
  painter.drawImage(BorderWidth(border), BorderWidth(border), image_);
}

void PictureBox::resizeEvent(QResizeEvent*) {
  Render();
}

void PictureBox::PropertyChanged(int32_t) {
  Render();
}

std::unique_ptr<Unit> CreatePictureBox(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  return std::make_unique<PictureBox>(window, record, parent);
}

}  // namespace runtime
