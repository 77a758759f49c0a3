#include "runtime/windows/draw_panel.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <vector>

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

// Calls visit(x, y) for every point of the Bresenham line, both ends included.
template <typename Visit>
void WalkLine(int64_t x1, int64_t y1, int64_t x2, int64_t y2, Visit visit) {
  const int64_t dx = std::abs(x2 - x1), dy = -std::abs(y2 - y1);
  const int64_t sx = x1 < x2 ? 1 : -1, sy = y1 < y2 ? 1 : -1;
  int64_t err = dx + dy, x = x1, y = y1;
  for (int64_t step = 0;; ++step) {
    visit(x, y, step);
    if (x == x2 && y == y2) return;
    const int64_t e2 = 2 * err;
    if (e2 >= dy) {
      err += dy;
      x += sx;
    }
    if (e2 <= dx) {
      err += dx;
      y += sy;
    }
  }
}

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
  return rect().adjusted(b, b, -b, -b);
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
  const int32_t left = x.value_or(0), top = y.value_or(0);
  const Rect area{left, top, width.value_or(bitmap_.Width() - left),
                  height.value_or(bitmap_.Height() - top)};
  position_ = QPoint(left, top);
  device_.Clear(area);
  Changed(BlitSurface(background_, area, bitmap_, area.x, area.y, kSourceCopy));
}

void DrawPanel::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  position_ = QPoint(x2, y2);
  const int32_t type = Number(panel_property::kPenType);
  if (type == kNoPen) return;
  const int32_t width = std::max(1, Number(panel_property::kPenWidth));
  device_.Line(x1, y1, x2, y2, width, width == 1 ? DashPattern(type) : std::span<const int32_t>(),
               Number(panel_property::kDrawingMode) + 1,
               ResolveColour(Number(panel_property::kPenColour)));
  const int32_t reach = width / 2;
  // The pixels are gathered first, so a raster mode such as exclusive or touches each one once.
  const int64_t left = std::min(x1, x2) - reach, top = std::min(y1, y2) - reach;
  const int64_t right = std::max(x1, x2) - reach + width, bottom = std::max(y1, y2) - reach + width;
  const Rect box =
      Rect{int32_t(std::max<int64_t>(left, 0)), int32_t(std::max<int64_t>(top, 0)), 0, 0};
  const int64_t clipRight = std::min<int64_t>(right, bitmap_.Width());
  const int64_t clipBottom = std::min<int64_t>(bottom, bitmap_.Height());
  if (clipRight <= box.x || clipBottom <= box.y) return;
  const int32_t w = int32_t(clipRight - box.x), h = int32_t(clipBottom - box.y);
  std::vector<uint8_t> mask(size_t(w) * size_t(h));
  auto mark = [&](int64_t px, int64_t py) {
    if (px >= box.x && py >= box.y && px < clipRight && py < clipBottom)
      mask[size_t(py - box.y) * size_t(w) + size_t(px - box.x)] = 1;
  };
  if (width == 1) {
    const auto dashes = DashPattern(type);
    WalkLine(x1, y1, x2, y2, [&](int64_t px, int64_t py, int64_t step) {
      if ((px != x2 || py != y2) && DashOn(dashes, step)) mark(px, py);
    });
  } else {
    // Only the stamp's new column or row matters for long axis-parallel lines, but the board's
    // lines are short enough that stamping whole squares costs nothing worth saving.
    WalkLine(x1, y1, x2, y2, [&](int64_t px, int64_t py, int64_t) {
      const int64_t sx0 = std::max<int64_t>(px - reach, box.x);
      const int64_t sy0 = std::max<int64_t>(py - reach, box.y);
      const int64_t sx1 = std::min<int64_t>(px - reach + width, clipRight);
      const int64_t sy1 = std::min<int64_t>(py - reach + width, clipBottom);
      for (int64_t sy = sy0; sy < sy1; ++sy)
        std::fill_n(mask.begin() + (sy - box.y) * w + (sx0 - box.x),
                    std::max<int64_t>(0, sx1 - sx0), uint8_t{1});
    });
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
    QImage image(area.size(), QImage::Format_RGBX8888);
    for (int y = 0; y < area.height(); ++y) {
      const uint32_t* in = bitmap_.Row(area.y() - client.y() + y) + (area.x() - client.x());
      auto* out = reinterpret_cast<uint32_t*>(image.scanLine(y));
      for (int x = 0; x < area.width(); ++x) out[x] = in[x] | 0xFF000000u;
    }
    painter.drawImage(area.topLeft(), image);
  }
  DrawBorder(painter, *this, Number(panel_property::kBorder));
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
