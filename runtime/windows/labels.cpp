#include "runtime/windows/labels.h"

#include <QPainter>

#include "runtime/text_codec.h"
#include "runtime/windows/property_indexes.h"

namespace runtime {

namespace {

enum TextEffect : int32_t { kPlain = 0, kRaisedWhite = 1, kSunkenWhite = 2, kShadow = 3 };

QString Caption(const Unit& unit, int32_t index) {
  return QString::fromStdString(GbToUtf8Lossy(unit.Bytes(index)));
}

Qt::Alignment HorizontalAlignment(int32_t choice) {
  switch (choice) {
    case 1:
      return Qt::AlignHCenter;
    case 2:
      return Qt::AlignRight;
    default:
      return Qt::AlignLeft;
  }
}

Qt::Alignment VerticalAlignment(int32_t choice) {
  switch (choice) {
    case 1:
      return Qt::AlignVCenter;
    case 2:
      return Qt::AlignBottom;
    default:
      return Qt::AlignTop;
  }
}

}  // namespace

Label::Label(WindowUnit* window, UnitRecord& record, QWidget* parent)
    : QWidget(parent), Unit(window, record) {
  setFocusPolicy(Qt::NoFocus);
  PlaceUnitWidget(*this, *this);
}

void Label::paintEvent(QPaintEvent*) {
  using namespace label_property;
  QPainter painter(this);
  const auto background = static_cast<uint32_t>(Number(kBackgroundColour, int32_t(kDefaultColour)));
  if (background != kTransparentColour)
    painter.fillRect(rect(), ToQColor(ResolveColour(int32_t(background))));
  DrawBorder(painter, *this, Number(kBorder));

  const int inset = BorderWidth(Number(kBorder));
  const QRect area = rect().adjusted(inset, inset, -inset, -inset);
  Qt::Alignment align = HorizontalAlignment(Number(kAlignment));
  int flags = int(align);
  if (Flag(kWordWrap))
    flags |= Qt::TextWordWrap | Qt::AlignTop;
  else
    flags |= Qt::TextSingleLine | VerticalAlignment(Number(kVerticalAlignment));
  const QString text = Caption(*this, kCaption);
  switch (Number(kTextEffect)) {
    case kRaisedWhite:
    case kSunkenWhite: {
      const int d = Number(kTextEffect) == kRaisedWhite ? 1 : -1;
      painter.setPen(Qt::white);
      painter.drawText(area.translated(d, d), flags, text);
      break;
    }
    case kShadow:
      painter.setPen(Qt::black);
      painter.drawText(area.translated(2, 2), flags, text);
      break;
    default:
      break;
  }
  painter.setPen(ToQColor(ResolveColour(Number(kTextColour))));
  painter.drawText(area, flags, text);
}

void Label::PropertyChanged(int32_t) {
  update();
}

TransLabel::TransLabel(WindowUnit* window, UnitRecord& record, QWidget* parent)
    : QWidget(parent), Unit(window, record) {
  setFocusPolicy(Qt::NoFocus);
  PlaceUnitWidget(*this, *this);
}

void TransLabel::PropertyWritten(const QRect& before) {
  QWidget* behind = parentWidget();
  if (behind == nullptr) return;
  const QRect area = before.united(geometry());
  // Synchronous on purpose: the caller may be about to block the window for a while.
  if (behind->isVisible()) behind->repaint(area);
}

void TransLabel::paintEvent(QPaintEvent*) {
  using namespace trans_label_property;
  QPainter painter(this);
  painter.setPen(ToQColor(ResolveColour(Number(kTextColour))));
  painter.drawText(rect(), int(Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine),
                   Caption(*this, kCaption));
}

std::unique_ptr<Unit> CreateLabel(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  return std::make_unique<Label>(window, record, parent);
}

std::unique_ptr<Unit> CreateTransLabel(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  return std::make_unique<TransLabel>(window, record, parent);
}

}  // namespace runtime
