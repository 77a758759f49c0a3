// The drawing panel: a unit the game draws on. Its client area is a 32-bit bitmap; every drawing
// command draws into it and asks for a repaint of the rectangle that changed, so a hidden panel
// draws just the same and a visible one shows the result at the next paint.
//
// Lines follow these rules. A pen of width 0 or 1 sets the pixels of the Bresenham line from the
// first point to the last, the last point left out; its dash types repeat their pattern along the
// line. A pen of width w >= 2 is solid and stamps a w x w square at every point of the line, end
// point included, the square's top-left corner floor(w / 2) to the left of and above the point.
// Each pixel is then combined with the pen colour by the panel's raster mode once.
#pragma once

#include <QWidget>
#include <map>
#include <optional>
#include <vector>

#include "runtime/pictures/picture.h"
#include "runtime/pictures/surface.h"
#include "runtime/windows/device_pixels.h"
#include "runtime/windows/panel_marks.h"
#include "runtime/windows/property_indexes.h"
#include "runtime/windows/unit.h"

namespace runtime {

// The pen types: no pen, then the system's solid, dash, dot, dash-dot, dash-dot-dot and
// inside-frame pens.
enum PenType : int32_t {
  kNoPen = 0,
  kSolidPen = 1,
  kDashPen = 2,
  kDotPen = 3,
  kDashDotPen = 4,
  kDashDotDotPen = 5,
  kInsideFramePen = 6,
};

// The raster code of the plain pen: the pen's colour replaces the pixel.
inline constexpr int32_t kCopyPenMode = 13;
// A pen pixel combined with the pixel below by a two-operand raster code 1..16.
uint32_t ApplyPenMode(int32_t code, uint32_t pen, uint32_t target);

class DrawPanel : public QWidget, public Unit {
 public:
  DrawPanel(WindowUnit* window, UnitRecord& record, QWidget* parent);

  QWidget* Widget() override { return this; }

  // The client area's pixels.
  Surface& Bitmap() { return bitmap_; }
  const Surface& Bitmap() const { return bitmap_; }

  // The drawing commands; coordinates are in the client area.
  void ClearArea(std::optional<int32_t> x, std::optional<int32_t> y, std::optional<int32_t> width,
                 std::optional<int32_t> height);
  void Line(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void DrawPictureAt(const Picture* picture, int32_t x, int32_t y, int32_t width, int32_t height,
                     int32_t mode);
  // Copies from a panel's bitmap (this one included) with a raster operation.
  void CopyFrom(const DrawPanel& source, Rect from, int32_t tx, int32_t ty, int32_t rop);

  // Marks painted over the bitmap, never into it, layer by layer.
  void SetMarks(int32_t layer, PanelMarks marks);
  PanelMarks Marks(int32_t layer) const;

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void PropertyChanged(int32_t index) override;

 private:
  QRect ClientRect() const;
  void RebuildBackground();
  void Changed(Rect area);
  void PaintMarks(QPainter& painter) const;
  void PaintArrows(QPainter& painter, const std::vector<PanelArrow>& arrows) const;
  void PaintShapes(QPainter& painter, const std::vector<PanelShape>& shapes) const;
  void PaintNote(QPainter& painter, const std::string& note) const;

  Surface bitmap_;
  Surface background_;  // the colour and picture a clear puts back
  PicturePtr picture_;
  QPoint position_;      // the drawing position
  DevicePixels device_;  // the same drawing at the screen's pixel ratio, where it is not 1
  std::map<int32_t, PanelMarks> marks_;
};

}  // namespace runtime
