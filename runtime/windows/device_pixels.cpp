#include "runtime/windows/device_pixels.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPainterPathStroker>
#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "runtime/windows/draw_panel.h"
#include "runtime/windows/qt_image.h"

namespace runtime {

namespace {

// Far enough outside any panel that nothing drawn there can show, small enough for exact floats.
constexpr int64_t kFar = int64_t{1} << 24;

// A picture stretched further than this is drawn pixel by pixel: the smooth path would hold the
// whole stretched picture in memory.
constexpr int64_t kMaxSmoothPixels = int64_t{1} << 22;

QImage ImageOf(const Surface& surface) {
  return surface.Width() > 0 && surface.Height() > 0 ? ToImage(surface) : QImage();
}

// The surface scaled to width x height with Qt's smooth (area-averaging / bilinear) filter.
Surface SmoothScaled(const Surface& surface, int32_t width, int32_t height) {
  Surface out(width, height, 0xFFFFFF);
  if (width <= 0 || height <= 0 || surface.Width() <= 0 || surface.Height() <= 0) return out;
  const QImage scaled = ImageOf(surface)
                            .scaled(width, height, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                            .convertToFormat(QImage::Format_RGBX8888);
  for (int32_t y = 0; y < height; ++y) {
    const auto* in = reinterpret_cast<const uint32_t*>(scaled.constScanLine(y));
    uint32_t* row = out.Row(y);
    for (int32_t x = 0; x < width; ++x) row[x] = in[x] & 0xFFFFFF;
  }
  return out;
}

// Each channel of 0x00BBGGRR: a * coverage + b * (1 - coverage), coverage 0..255.
uint32_t Blend(uint32_t a, uint32_t b, uint32_t coverage) {
  uint32_t out = 0;
  for (int shift = 0; shift < 24; shift += 8) {
    const uint32_t ca = a >> shift & 0xFF, cb = b >> shift & 0xFF;
    out |= ((ca * coverage + cb * (255 - coverage) + 127) / 255) << shift;
  }
  return out;
}

double Cross(QPointF o, QPointF a, QPointF b) {
  return (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
}

// The convex hull of a few points (Andrew's monotone chain).
QPolygonF Hull(std::vector<QPointF> points) {
  std::sort(points.begin(), points.end(), [](QPointF a, QPointF b) {
    return a.x() < b.x() || (a.x() == b.x() && a.y() < b.y());
  });
  std::vector<QPointF> hull(2 * points.size());
  size_t k = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    while (k >= 2 && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
    while (k >= lower && Cross(hull[k - 2], hull[k - 1], points[i]) <= 0) --k;
    hull[k++] = points[i];
  }
  hull.resize(k > 0 ? k - 1 : 0);
  return QPolygonF(QList<QPointF>(hull.begin(), hull.end()));
}

// Cuts the segment to the box [lo, hi] on both axes (Liang-Barsky); false when nothing is left.
// `t0` reports how far along the original segment the cut one starts (0..1).
bool ClipSegment(QPointF& a, QPointF& b, double lo, double hi, double& t0) {
  const double dx = b.x() - a.x(), dy = b.y() - a.y();
  double enter = 0.0, leave = 1.0;
  const double p[] = {-dx, dx, -dy, dy};
  const double q[] = {a.x() - lo, hi - a.x(), a.y() - lo, hi - a.y()};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0.0) {
      if (q[i] < 0.0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0.0)
      enter = std::max(enter, t);
    else
      leave = std::min(leave, t);
  }
  if (enter > leave) return false;
  const QPointF from = a;
  a = from + (b - from) * enter;
  b = from + (b - from) * leave;
  t0 = enter;
  return true;
}

// A wide pen's line in panel pixels: a square `width` across stamped along it.
std::optional<QPainterPath> WideLineShape(QPointF a, QPointF b, int32_t width, double lo,
                                          double hi) {
  double t0 = 0.0;
  if (!ClipSegment(a, b, lo, hi, t0)) return std::nullopt;
  const double reach = double(width / 2);
  std::vector<QPointF> corners;
  for (QPointF p : {a, b})
    for (double cx : {-reach, width - reach})
      for (double cy : {-reach, width - reach}) corners.emplace_back(p.x() + cx, p.y() + cy);
  QPainterPath shape;
  shape.addPolygon(Hull(std::move(corners)));
  shape.closeSubpath();
  return shape;
}

// A thin pen's line in panel pixels: a band one pixel across through the centres of the pixels
// Bresenham's line sets, dashed from where the visible part begins.
std::optional<QPainterPath> ThinLineShape(int32_t x1, int32_t y1, int32_t x2, int32_t y2,
                                          std::span<const int32_t> dashes, double lo, double hi) {
  const double steps = double(std::max(std::abs(int64_t(x2) - x1), std::abs(int64_t(y2) - y1)));
  const QPointF step((double(x2) - x1) / steps, (double(y2) - y1) / steps);
  const QPointF half(0.5, 0.5);
  QPointF a = QPointF(x1, y1) + half - step / 2, b = QPointF(x2, y2) + half - step / 2;
  const double length = std::hypot(b.x() - a.x(), b.y() - a.y());
  double t0 = 0.0;
  if (!ClipSegment(a, b, lo, hi, t0)) return std::nullopt;
  QPainterPath centre;
  centre.moveTo(a);
  centre.lineTo(b);
  QPainterPathStroker stroker;
  stroker.setWidth(1.0);
  stroker.setCapStyle(Qt::FlatCap);
  if (!dashes.empty()) {
    stroker.setDashPattern(QList<qreal>(dashes.begin(), dashes.end()));
    stroker.setDashOffset(t0 * length);
  }
  return stroker.createStroke(centre);
}

// Lines along the axes keep sharp edges at any scale: their corners move onto device pixels.
QPainterPath SnappedToPixels(const QPainterPath& shape) {
  QPainterPath snapped;
  for (const QPolygonF& polygon : shape.toFillPolygons()) {
    QPolygonF rounded;
    for (QPointF p : polygon) rounded << QPointF(std::round(p.x()), std::round(p.y()));
    snapped.addPolygon(rounded);
  }
  snapped.setFillRule(Qt::WindingFill);
  return snapped;
}

}  // namespace

int32_t DevicePixels::Device(int64_t logical) const {
  const double v = std::round(double(std::clamp(logical, -kFar, kFar)) * scale_);
  return int32_t(v);
}

Rect DevicePixels::DeviceRect(Rect logical) const {
  const int32_t x0 = Device(logical.x), y0 = Device(logical.y);
  return Rect{x0, y0, Device(int64_t(logical.x) + logical.width) - x0,
              Device(int64_t(logical.y) + logical.height) - y0};
}

void DevicePixels::Reset(double scale, const Surface& bitmap, const Surface& background) {
  if (!(scale > 1.0 && scale <= 8.0)) {
    scale_ = 1.0;
    pixels_ = Surface();
    background_ = Surface();
    return;
  }
  scale_ = scale;
  SetBackground(background);
  // What was drawn comes over pixel by pixel; where the bitmap still shows the background, the
  // smooth background shows instead.
  pixels_ = background_;
  pixels_.SetBrush(bitmap.Brush());
  const bool sameSize =
      background.Width() == bitmap.Width() && background.Height() == bitmap.Height();
  for (int32_t y = 0; y < pixels_.Height(); ++y) {
    const int32_t ly = std::min(int32_t(y / scale_), bitmap.Height() - 1);
    uint32_t* row = pixels_.Row(y);
    for (int32_t x = 0; x < pixels_.Width(); ++x) {
      const int32_t lx = std::min(int32_t(x / scale_), bitmap.Width() - 1);
      const uint32_t drawn = bitmap.Pixel(lx, ly);
      if (!sameSize || drawn != background.Pixel(lx, ly)) row[x] = drawn;
    }
  }
}

void DevicePixels::SetBackground(const Surface& background) {
  if (!Active()) return;
  background_ = SmoothScaled(background, Device(background.Width()), Device(background.Height()));
}

void DevicePixels::Clear(Rect area) {
  if (!Active()) return;
  const Rect d = DeviceRect(area);
  BlitSurface(background_, d, pixels_, d.x, d.y, kSourceCopy);
}

void DevicePixels::Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t width,
                        std::span<const int32_t> dashes, int32_t penMode, uint32_t pen) {
  if (!Active() || pixels_.Width() == 0 || pixels_.Height() == 0) return;
  if (width <= 1 && x1 == x2 && y1 == y2) return;  // a thin line leaves its end point out
  const bool straight = x1 == x2 || y1 == y2;
  // Only what can reach the panel is shaped, so a line to the edge of the 32-bit range costs its
  // visible part alone.
  const double margin = double(width) + 2.0;
  const double lo = -margin,
               hi = double(std::max(pixels_.Width(), pixels_.Height())) / scale_ + margin;
  std::optional<QPainterPath> shape =
      width >= 2 ? WideLineShape(QPointF(x1, y1), QPointF(x2, y2), width, lo, hi)
                 : ThinLineShape(x1, y1, x2, y2, dashes, lo, hi);
  if (!shape) return;
  *shape = QTransform::fromScale(scale_, scale_).map(*shape);
  if (straight) *shape = SnappedToPixels(*shape);
  FillShape(*shape, !straight, penMode, pen);
}

// The pen's pixels where `shape` covers the device pixels. The copy pen blends its edge into
// what is below; any other raster mode cannot be blended and takes the pixels the shape mostly
// covers.
void DevicePixels::FillShape(const QPainterPath& shape, bool smooth, int32_t penMode,
                             uint32_t pen) {
  const QRect box =
      shape.boundingRect().toAlignedRect() & QRect(0, 0, pixels_.Width(), pixels_.Height());
  if (box.isEmpty()) return;
  QImage coverage(box.size(), QImage::Format_Grayscale8);
  coverage.fill(0);
  {
    QPainter painter(&coverage);
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.translate(-box.topLeft());
    painter.fillPath(shape, Qt::white);
  }
  for (int y = 0; y < box.height(); ++y) {
    const uchar* c = coverage.constScanLine(y);
    uint32_t* row = pixels_.Row(box.y() + y) + box.x();
    for (int x = 0; x < box.width(); ++x) {
      if (c[x] == 0) continue;
      if (penMode == kCopyPenMode)
        row[x] = Blend(pen, row[x], c[x]);
      else if (c[x] >= 128)
        row[x] = ApplyPenMode(penMode, pen, row[x]);
    }
  }
}

void DevicePixels::Picture(const runtime::Picture* picture, int32_t x, int32_t y, int32_t width,
                           int32_t height, int32_t mode) {
  if (!Active() || picture == nullptr) return;
  const int64_t w = width == -1 ? picture->width : width;
  const int64_t h = height == -1 ? picture->height : height;
  if (w == 0 || h == 0) return;
  const Rect d = DeviceRect(Rect{x, y, int32_t(std::clamp<int64_t>(w, -kFar, kFar)),
                                 int32_t(std::clamp<int64_t>(h, -kFar, kFar))});
  const bool plain = picture->kind != kIconPicture && picture->kind != kCursorPicture;
  const bool keyed = mode < 0;
  const int64_t dw = std::abs(int64_t(d.width)), dh = std::abs(int64_t(d.height));
  if (!plain || (!keyed && mode != kSourceCopy) || std::abs(w) * std::abs(h) > kMaxSmoothPixels ||
      dw * dh > kMaxSmoothPixels || dw == 0 || dh == 0) {
    // Raster operations and icons cannot be blended: nearest pixels, as the bitmap draws them.
    PaintPicture(picture, pixels_, d.x, d.y, d.width, d.height, mode);
    return;
  }
  // The picture as the bitmap gets it (stretched and mirrored), then smoothly up to the device's
  // size; the key colour becomes transparency first, so no edge blends with it.
  Surface logical(int32_t(std::abs(w)), int32_t(std::abs(h)), 0);
  PaintPicture(picture, logical, w < 0 ? int32_t(-w) : 0, h < 0 ? int32_t(-h) : 0, int32_t(w),
               int32_t(h), kSourceCopy);
  const uint32_t key = keyed ? uint32_t(-int64_t(mode)) & 0xFFFFFF : 0xFFFFFFFFu;
  QImage image(logical.Width(), logical.Height(), QImage::Format_RGBA8888_Premultiplied);
  for (int32_t row = 0; row < logical.Height(); ++row) {
    auto* out = reinterpret_cast<uint32_t*>(image.scanLine(row));
    const uint32_t* in = logical.Row(row);
    for (int32_t col = 0; col < logical.Width(); ++col)
      out[col] = in[col] == key ? 0u : (in[col] | 0xFF000000u);
  }
  const QImage scaled =
      image.scaled(int(dw), int(dh), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
          .convertToFormat(QImage::Format_RGBA8888_Premultiplied);
  const int32_t left = std::min(d.x, d.x + d.width), top = std::min(d.y, d.y + d.height);
  for (int32_t row = std::max(0, -top); row < int32_t(dh) && top + row < pixels_.Height(); ++row) {
    const auto* in = reinterpret_cast<const uint32_t*>(scaled.constScanLine(row));
    uint32_t* out = pixels_.Row(top + row);
    for (int32_t col = std::max(0, -left); col < int32_t(dw) && left + col < pixels_.Width();
         ++col) {
      const uint32_t alpha = in[col] >> 24;
      if (alpha == 0) continue;
      // Premultiplied: the picture's colour plus what it leaves of the pixel below.
      uint32_t blended = 0;
      for (int shift = 0; shift < 24; shift += 8) {
        const uint32_t src = in[col] >> shift & 0xFF, dst = out[left + col] >> shift & 0xFF;
        blended |= std::min<uint32_t>(255, src + (dst * (255 - alpha) + 127) / 255) << shift;
      }
      out[left + col] = blended;
    }
  }
}

void DevicePixels::Copy(const DevicePixels& source, const Surface& sourceBitmap, Rect from,
                        int32_t tx, int32_t ty, int32_t rop) {
  if (!Active()) return;
  const Rect d = DeviceRect(Rect{tx, ty, from.width, from.height});
  if (source.Active() && source.scale_ == scale_) {
    BlitSurface(source.pixels_, Rect{Device(from.x), Device(from.y), d.width, d.height}, pixels_,
                d.x, d.y, rop);
    return;
  }
  // A source drawn at another scale: its own pixels, each as often as the scale asks.
  Surface part(std::max(0, from.width), std::max(0, from.height), 0);
  BlitSurface(sourceBitmap, from, part, 0, 0, kSourceCopy);
  Surface scaled(std::max(0, d.width), std::max(0, d.height), 0);
  for (int32_t y = 0; y < scaled.Height(); ++y)
    for (int32_t x = 0; x < scaled.Width(); ++x)
      scaled.SetPixel(x, y, part.Pixel(int32_t(x / scale_), int32_t(y / scale_)));
  BlitSurface(scaled, Rect{0, 0, scaled.Width(), scaled.Height()}, pixels_, d.x, d.y, rop);
}

void DevicePixels::Paint(QPainter& painter, QRect area, QPoint origin) const {
  const int x0 = std::max(0, int(std::floor(area.x() * scale_)));
  const int y0 = std::max(0, int(std::floor(area.y() * scale_)));
  const int x1 = std::min(pixels_.Width(), int(std::ceil((area.x() + area.width()) * scale_)));
  const int y1 = std::min(pixels_.Height(), int(std::ceil((area.y() + area.height()) * scale_)));
  if (x1 <= x0 || y1 <= y0) return;
  QImage image = ToImage(pixels_, QRect(x0, y0, x1 - x0, y1 - y0));
  image.setDevicePixelRatio(scale_);
  painter.drawImage(QPointF(origin.x() + x0 / scale_, origin.y() + y0 / scale_), image);
}

}  // namespace runtime
