#include "runtime/windows/draw_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <vector>

#include "runtime/windows/qt_image.h"
#include "runtime/windows/window_unit.h"

namespace runtime {

namespace {

// The on and off runs of the dashed pens, in pixels.
std::span<const int32_t> DashPattern(int32_t type) {
  static constexpr int32_t kDash[] = {18, 6};
  static constexpr int32_t kDot[] = {3, 3};
  static constexpr int32_t kDashDot[] = {9, 6, 3, 6};
  static constexpr int32_t kDashDotDot[] = {9, 3, 3, 3, 3, 3};
  switch (type) {
    case kDashPen:
      return kDash;
    case kDotPen:
      return kDot;
    case kDashDotPen:
      return kDashDot;
    case kDashDotDotPen:
      return kDashDotDot;
    default:
      return {};
  }
}

bool DashOn(std::span<const int32_t> pattern, int64_t step) {
  if (pattern.empty()) return true;
  int32_t period = 0;
  for (int32_t run : pattern) period += run;
  int64_t at = step % period;
  for (size_t i = 0; i < pattern.size(); ++i) {
    if (at < pattern[i]) return i % 2 == 0;
    at -= pattern[i];
  }
  return true;
}

// The Bresenham line from (x1, y1) to (x2, y2), both ends included, in closed form: the point of
// step k comes without walking the steps before it, so a line reaching far beyond the panel costs
// only its part near the panel. Step by step it gives the points of the usual error-term walk
// (err = dx + dy; x moves when 2 err >= dy, y when 2 err <= dx), ties included.
class LineSteps {
 public:
  LineSteps(int64_t x1, int64_t y1, int64_t x2, int64_t y2)
      : x1_(x1),
        y1_(y1),
        sx_(x1 < x2 ? 1 : -1),
        sy_(y1 < y2 ? 1 : -1),
        adx_(x2 > x1 ? x2 - x1 : x1 - x2),
        ady_(y2 > y1 ? y2 - y1 : y1 - y2) {}

  // The last step, at (x2, y2).
  int64_t Last() const { return std::max(adx_, ady_); }
  int64_t X(int64_t k) const { return x1_ + sx_ * (adx_ >= ady_ ? k : Minor(k, adx_, ady_)); }
  int64_t Y(int64_t k) const { return y1_ + sy_ * (adx_ >= ady_ ? Minor(k, ady_, adx_) : k); }

  // The steps whose x (or y) lies in [lo, hi]: one run of steps, as each coordinate moves only one
  // way. Empty when first > last.
  struct Run {
    int64_t first;
    int64_t last;
  };
  Run WithX(int64_t lo, int64_t hi) const {
    return Within(sx_, lo, hi, [this](int64_t k) { return X(k); });
  }
  Run WithY(int64_t lo, int64_t hi) const {
    return Within(sy_, lo, hi, [this](int64_t k) { return Y(k); });
  }

 private:
  // How far the minor axis has moved after k steps along the major one: k * minor / major,
  // rounded half up. The product needs more than 64 bits for the longest lines.
  static int64_t Minor(int64_t k, int64_t minor, int64_t major) {
    if (major == 0) return 0;  // a single point
    return int64_t((__int128{2} * k * minor + major) / (__int128{2} * major));
  }

  template <typename Coordinate>
  Run Within(int64_t direction, int64_t lo, int64_t hi, Coordinate at) const {
    // direction * coordinate never falls as k grows.
    const int64_t low = direction > 0 ? lo : -hi, high = direction > 0 ? hi : -lo;
    int64_t a = 0, b = Last() + 1;  // the first step at or above `low`
    while (a < b) {
      const int64_t mid = a + (b - a) / 2;
      if (direction * at(mid) >= low)
        b = mid;
      else
        a = mid + 1;
    }
    const int64_t first = a;
    a = -1, b = Last();  // the last step at or below `high`
    while (a < b) {
      const int64_t mid = b - (b - a) / 2;
      if (direction * at(mid) <= high)
        a = mid;
      else
        b = mid - 1;
    }
    return Run{first, a};
  }

  int64_t x1_, y1_, sx_, sy_, adx_, ady_;
};

}  // namespace

uint32_t ApplyPenMode(int32_t code, uint32_t pen, uint32_t target) {
  // Code - 1 is the truth table: bit (2 * pen bit + target bit) gives the result bit.
  const uint32_t table = uint32_t(code - 1) & 0xF;
  uint32_t result = 0;
  if (table & 8) result |= pen & target;
  if (table & 4) result |= pen & ~target;
  if (table & 2) result |= ~pen & target;
  if (table & 1) result |= ~pen & ~target;
  return result & 0xFFFFFF;
}

DrawPanel::DrawPanel(WindowUnit* window, UnitRecord& record, QWidget* parent)
    : QWidget(parent), Unit(window, record) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::ClickFocus);
  PlaceUnitWidget(*this, *this);
  std::string_view bytes = Bytes(panel_property::kBackgroundPicture);
  picture_ =
      LoadPictureFromMemory(reinterpret_cast<const uint8_t*>(bytes.data()), int64_t(bytes.size()));
  bitmap_.SetBrush(ResolveColour(Number(panel_property::kBrushColour)));
  RebuildBackground();
  bitmap_ = background_;
  bitmap_.SetBrush(ResolveColour(Number(panel_property::kBrushColour)));
  device_.Reset(devicePixelRatioF(), bitmap_, background_);
}

QRect DrawPanel::ClientRect() const {
  const int32_t b = BorderWidth(Number(panel_property::kBorder));
  const QRect client = rect().adjusted(b, b, -b, -b);
  // A panel no wider or higher than its border has no client area at all, rather than one of a
  // negative size that Qt would turn around.
  return client.width() > 0 && client.height() > 0 ? client : QRect();
}

void DrawPanel::RebuildBackground() {
  const QRect client = ClientRect();
  background_ = Surface(std::max(0, client.width()), std::max(0, client.height()),
                        ResolveColour(Number(panel_property::kBackgroundColour)));
  DrawBackgroundPicture(picture_.get(), background_,
                        Rect{0, 0, background_.Width(), background_.Height()},
                        Number(panel_property::kPicturePlacement));
  device_.SetBackground(background_);
}

void DrawPanel::Changed(Rect area) {
  if (area.width <= 0 || area.height <= 0) return;
  const QRect client = ClientRect();
  update(QRect(client.x() + area.x, client.y() + area.y, area.width, area.height));
}

void DrawPanel::ClearArea(std::optional<int32_t> x, std::optional<int32_t> y,
                          std::optional<int32_t> width, std::optional<int32_t> height) {
  const int64_t left = x.value_or(0), top = y.value_or(0);
  position_ = QPoint(int32_t(left), int32_t(top));
  if (width.value_or(1) <= 0 || height.value_or(1) <= 0) return;
  // Clipped to the bitmap in 64 bits first: an omitted size reaches the edge wherever the area
  // starts.
  const int64_t l = std::max<int64_t>(left, 0), t = std::max<int64_t>(top, 0);
  const int64_t r = std::min<int64_t>(width ? left + *width : bitmap_.Width(), bitmap_.Width());
  const int64_t b = std::min<int64_t>(height ? top + *height : bitmap_.Height(), bitmap_.Height());
  if (r <= l || b <= t) return;
  const Rect area{int32_t(l), int32_t(t), int32_t(r - l), int32_t(b - t)};
  device_.Clear(area);
  Changed(BlitSurface(background_, area, bitmap_, area.x, area.y, kSourceCopy));
}

void DrawPanel::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  position_ = QPoint(x2, y2);
  const int32_t type = Number(panel_property::kPenType);
  if (type == kNoPen) return;
  const int64_t width = std::max(1, Number(panel_property::kPenWidth));
  device_.Line(
      x1, y1, x2, y2, int32_t(width), width == 1 ? DashPattern(type) : std::span<const int32_t>(),
      Number(panel_property::kDrawingMode) + 1, ResolveColour(Number(panel_property::kPenColour)));
  const int64_t reach = width / 2;
  // The pixels are gathered first, so a raster mode such as exclusive or touches each one once.
  // Everything is clipped to the bitmap before any pixel is visited, in 64 bits.
  const int64_t left = std::min<int64_t>(x1, x2) - reach, top = std::min<int64_t>(y1, y2) - reach;
  const int64_t right = std::max<int64_t>(x1, x2) - reach + width;
  const int64_t bottom = std::max<int64_t>(y1, y2) - reach + width;
  const Rect box =
      Rect{int32_t(std::max<int64_t>(left, 0)), int32_t(std::max<int64_t>(top, 0)), 0, 0};
  const int64_t clipRight = std::min<int64_t>(right, bitmap_.Width());
  const int64_t clipBottom = std::min<int64_t>(bottom, bitmap_.Height());
  if (clipRight <= box.x || clipBottom <= box.y) return;
  const int32_t w = int32_t(clipRight - box.x), h = int32_t(clipBottom - box.y);
  std::vector<uint8_t> mask(size_t(w) * size_t(h));
  const LineSteps line(x1, y1, x2, y2);
  if (width == 1) {
    // Only the steps whose point is inside the mask, each with its place in the dash pattern.
    const auto dashes = DashPattern(type);
    const LineSteps::Run xs = line.WithX(box.x, clipRight - 1);
    const LineSteps::Run ys = line.WithY(box.y, clipBottom - 1);
    const int64_t last = std::min(xs.last, ys.last);
    for (int64_t k = std::max(xs.first, ys.first); k <= last; ++k)
      if (k != line.Last() && DashOn(dashes, k))
        mask[size_t(line.Y(k) - box.y) * size_t(w) + size_t(line.X(k) - box.x)] = 1;
  } else {
    // A square stamp at every point. The stamps that cover one row are a run of steps, and since
    // x moves at most one pixel a step, their union on that row is a single span from the run's
    // first stamp to its last.
    for (int64_t row = box.y; row < clipBottom; ++row) {
      const LineSteps::Run run = line.WithY(row + reach - width + 1, row + reach);
      if (run.first > run.last) continue;
      const int64_t xa = line.X(run.first), xb = line.X(run.last);
      const int64_t from = std::max<int64_t>(std::min(xa, xb) - reach, box.x);
      const int64_t to = std::min<int64_t>(std::max(xa, xb) - reach + width, clipRight);
      if (to > from)
        std::fill_n(mask.begin() + (row - box.y) * w + (from - box.x), to - from, uint8_t{1});
    }
  }
  const int32_t mode = Number(panel_property::kDrawingMode) + 1;
  const uint32_t pen = ResolveColour(Number(panel_property::kPenColour));
  for (int32_t j = 0; j < h; ++j) {
    uint32_t* row = bitmap_.Row(box.y + j) + box.x;
    const uint8_t* m = mask.data() + size_t(j) * size_t(w);
    for (int32_t i = 0; i < w; ++i)
      if (m[i]) row[i] = ApplyPenMode(mode, pen, row[i]);
  }
  Changed(Rect{box.x, box.y, w, h});
}

void DrawPanel::DrawPictureAt(const Picture* picture, int32_t x, int32_t y, int32_t width,
                              int32_t height, int32_t mode) {
  if (picture == nullptr) return;
  PaintPicture(picture, bitmap_, x, y, width, height, mode);
  device_.Picture(picture, x, y, width, height, mode);
  const int64_t w = width == -1 ? picture->width : width;
  const int64_t h = height == -1 ? picture->height : height;
  const int64_t left = std::min<int64_t>(x, x + w), top = std::min<int64_t>(y, y + h);
  const int64_t l = std::max<int64_t>(left, 0), t = std::max<int64_t>(top, 0);
  const int64_t r = std::min<int64_t>(left + std::abs(w), bitmap_.Width());
  const int64_t b = std::min<int64_t>(top + std::abs(h), bitmap_.Height());
  if (r > l && b > t) Changed(Rect{int32_t(l), int32_t(t), int32_t(r - l), int32_t(b - t)});
}

void DrawPanel::CopyFrom(const DrawPanel& source, Rect from, int32_t tx, int32_t ty, int32_t rop) {
  device_.Copy(source.device_, source.bitmap_, from, tx, ty, rop);
  Changed(BlitSurface(source.bitmap_, from, bitmap_, tx, ty, rop));
}

void DrawPanel::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRect client = ClientRect();
  const QRect area = event->rect() & client;
  // A window moved to a screen of another pixel ratio starts over from the bitmap.
  if (devicePixelRatioF() != device_.Scale())
    device_.Reset(devicePixelRatioF(), bitmap_, background_);
  if (device_.Active()) {
    device_.Paint(painter, area.translated(-client.topLeft()), client.topLeft());
  } else if (!area.isEmpty()) {
    // Only the exposed part is converted for the screen.
    painter.drawImage(area.topLeft(), ToImage(bitmap_, area.translated(-client.topLeft())));
  }
  PaintMarks(painter);
  DrawBorder(painter, *this, Number(panel_property::kBorder));
}

void DrawPanel::SetMarks(int32_t layer, PanelMarks marks) {
  const auto it = marks_.find(layer);
  if (it != marks_.end() && it->second == marks) return;
  if (it == marks_.end() && marks == PanelMarks{}) return;
  if (marks == PanelMarks{})
    marks_.erase(layer);
  else
    marks_[layer] = std::move(marks);
  update();
}

PanelMarks DrawPanel::Marks(int32_t layer) const {
  const auto it = marks_.find(layer);
  return it == marks_.end() ? PanelMarks{} : it->second;
}

namespace {

QColor MarkColour(int32_t colour, int32_t opacity) {
  const uint32_t c = uint32_t(colour);
  return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF),
                std::clamp(opacity, 0, 255));
}

}  // namespace

// In the client area's coordinates, smooth, clipped to it.
void DrawPanel::PaintMarks(QPainter& painter) const {
  if (marks_.empty()) return;
  const QRect client = ClientRect();
  painter.save();
  painter.setClipRect(client);
  painter.translate(client.topLeft());
  painter.setRenderHint(QPainter::Antialiasing);
  for (const auto& [layer, marks] : marks_) {
    PaintShapes(painter, marks.shapes);
    PaintArrows(painter, marks.arrows);
    PaintNote(painter, marks.note);
  }
  painter.restore();
}

void DrawPanel::PaintShapes(QPainter& painter, const std::vector<PanelShape>& shapes) const {
  for (const PanelShape& shape : shapes) {
    const QColor colour = MarkColour(shape.colour, shape.opacity);
    const double half = shape.size / 2.0;
    const QPointF centre(shape.x, shape.y);
    switch (shape.kind) {
      case PanelShape::Kind::kDot:
        painter.setPen(Qt::NoPen);
        painter.setBrush(colour);
        painter.drawEllipse(centre, half, half);
        break;
      case PanelShape::Kind::kRing:
        painter.setPen(QPen(colour, 4));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, half - 2, half - 2);
        break;
      case PanelShape::Kind::kCorners: {
        painter.setPen(QPen(colour, 3, Qt::SolidLine, Qt::SquareCap));
        const double arm = shape.size / 4.0;
        for (double dx : {-half, half})
          for (double dy : {-half, half}) {
            const QPointF corner = centre + QPointF(dx, dy);
            painter.drawLine(corner, corner - QPointF(dx > 0 ? arm : -arm, 0));
            painter.drawLine(corner, corner - QPointF(0, dy > 0 ? arm : -arm));
          }
        break;
      }
    }
  }
}

// A band across the foot of the panel with the note in the middle.
void DrawPanel::PaintNote(QPainter& painter, const std::string& note) const {
  if (note.empty()) return;
  const QRect client = ClientRect();
  const QString text = QString::fromStdString(note);
  const QFontMetrics metrics(font());
  const int height = metrics.height() + 10;
  const QRect band(0, client.height() - height - 6, client.width(), height);
  painter.fillRect(band, QColor(255, 250, 235, 225));
  painter.setPen(QColor(40, 20, 10));
  painter.drawText(band, Qt::AlignCenter, text);
}

// Smooth and half transparent: a shaft and a head whose tip is the arrow's end point.
void DrawPanel::PaintArrows(QPainter& painter, const std::vector<PanelArrow>& arrows) const {
  constexpr double kShaft = 7, kHeadLength = 20, kHeadWidth = 22;
  for (const PanelArrow& arrow : arrows) {
    const QPointF from(arrow.x1, arrow.y1), to(arrow.x2, arrow.y2);
    const QPointF along = to - from;
    const double length = std::hypot(along.x(), along.y());
    if (length < 1) continue;
    const QPointF unit = along / length, normal(-unit.y(), unit.x());
    const QPointF base = to - unit * std::min(kHeadLength, length);
    const QColor colour = MarkColour(arrow.colour, arrow.opacity);
    // One path, so the shaft and the head do not darken where they meet.
    QPainterPath shape;
    shape.moveTo(from + normal * (kShaft / 2));
    shape.lineTo(base + normal * (kShaft / 2));
    shape.lineTo(base + normal * (kHeadWidth / 2));
    shape.lineTo(to);
    shape.lineTo(base - normal * (kHeadWidth / 2));
    shape.lineTo(base - normal * (kShaft / 2));
    shape.lineTo(from - normal * (kShaft / 2));
    shape.closeSubpath();
    painter.fillPath(shape, colour);
  }
}

void DrawPanel::mousePressEvent(QMouseEvent* event) {
  // The press is the panel's own; its parent window never hears of it.
  event->accept();
}

void DrawPanel::resizeEvent(QResizeEvent*) {
  // The bitmap follows the client area; what was drawn stays where it was.
  const QRect client = ClientRect();
  if (client.width() == bitmap_.Width() && client.height() == bitmap_.Height()) return;
  RebuildBackground();
  Surface resized = background_;
  resized.SetBrush(bitmap_.Brush());
  BlitSurface(bitmap_, Rect{0, 0, bitmap_.Width(), bitmap_.Height()}, resized, 0, 0, kSourceCopy);
  bitmap_ = std::move(resized);
  device_.Reset(device_.Scale(), bitmap_, background_);
}

void DrawPanel::showEvent(QShowEvent*) {
  // Without a persistent bitmap what was drawn does not outlive the panel being hidden.
  if (!Flag(panel_property::kPersistentBitmap)) {
    BlitSurface(background_, Rect{0, 0, background_.Width(), background_.Height()}, bitmap_, 0, 0,
                kSourceCopy);
    device_.Clear(Rect{0, 0, background_.Width(), background_.Height()});
  }
}

void DrawPanel::PropertyChanged(int32_t index) {
  using namespace panel_property;
  switch (index) {
    case kBackgroundPicture:
      picture_ = PictureOf(kBackgroundPicture);
      RebuildBackground();
      break;
    case kBackgroundColour:
    case kPicturePlacement:
      RebuildBackground();
      break;
    case kBrushColour:
      bitmap_.SetBrush(ResolveColour(Number(kBrushColour)));
      device_.SetBrush(bitmap_.Brush());
      break;
    case kBorder:
      resizeEvent(nullptr);
      update();
      break;
    default:
      break;
  }
}

std::unique_ptr<Unit> CreateDrawPanel(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  return std::make_unique<DrawPanel>(window, record, parent);
}

}  // namespace runtime
