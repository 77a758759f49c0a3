#include "runtime/windows/hyperlinker.h"

#include <QCursor>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>

#include "runtime/pictures/icon_decoder.h"
#include "runtime/pictures/surface.h"
#include "runtime/system/web_opener.h"
#include "runtime/text_codec.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/qt_image.h"

extern "C" const unsigned char HandCursorData[];
extern "C" const unsigned long HandCursorData_size;

namespace runtime {

namespace {

// The pointing hand carried in the program, made once.
const QCursor& HandCursor() {
  static const QCursor cursor = [] {
    auto images = DecodeIconImages({HandCursorData, size_t(HandCursorData_size)});
    if (images.empty()) return QCursor(Qt::PointingHandCursor);
    return QCursor(QPixmap::fromImage(IconToImage(images.front())), images.front().hotX,
                   images.front().hotY);
  }();
  return cursor;
}

}  // namespace

HyperLinker::HyperLinker(WindowUnit* window, UnitRecord& record, QWidget* parent)
    : QWidget(parent), Unit(window, record) {
  setFocusPolicy(Qt::NoFocus);
  setAutoFillBackground(true);
  PlaceUnitWidget(*this, *this);
  // A pointer of the unit's own (in its record) wins over the hand.
  if (!testAttribute(Qt::WA_SetCursor)) setCursor(HandCursor());
  PropertyChanged(link_property::kBackgroundColour);
}

std::string HyperLinker::Target() const {
  using namespace link_property;
  const std::string address =
      GbToUtf8Lossy(Bytes(Number(kLinkKind) != 0 ? kWebAddress : kMailAddress));
  return Number(kLinkKind) != 0 ? address : "mailto:" + address;
}

bool HyperLinker::Open() {
  if (!OpenWebAddress(Target())) return false;
  visited_ = true;
  update();
  return true;
}

void HyperLinker::paintEvent(QPaintEvent*) {
  using namespace link_property;
  QPainter painter(this);
  const int32_t colour = hovered_ ? kHoverColour : visited_ ? kVisitedColour : kColour;
  painter.setPen(ToQColor(ResolveColour(Number(colour))));
  QFont font = this->font();
  font.setUnderline(hovered_);
  painter.setFont(font);
  painter.drawText(rect(), int(Qt::AlignCenter | Qt::TextSingleLine | Qt::TextHideMnemonic),
                   QString::fromStdString(GbToUtf8Lossy(Bytes(kCaption))));
}

void HyperLinker::enterEvent(QEnterEvent*) {
  hovered_ = true;
  update();
}

void HyperLinker::leaveEvent(QEvent*) {
  hovered_ = false;
  pressed_ = false;
  update();
}

void HyperLinker::mousePressEvent(QMouseEvent* event) {
  pressed_ = event->button() == Qt::LeftButton;
  event->accept();
}

void HyperLinker::mouseReleaseEvent(QMouseEvent* event) {
  const bool click =
      pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
  pressed_ = false;
  event->accept();
  if (click) Open();
}

void HyperLinker::PropertyChanged(int32_t index) {
  if (index == link_property::kBackgroundColour) {
    QPalette palette = this->palette();
    palette.setColor(
        QPalette::Window,
        ToQColor(ResolveColour(Number(link_property::kBackgroundColour, int32_t(kDefaultColour)))));
    setPalette(palette);
  }
  update();
}

std::unique_ptr<Unit> CreateHyperLinker(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  return std::make_unique<HyperLinker>(window, record, parent);
}

}  // namespace runtime
