// The picture box: a picture at natural size (or tiled, or centred) on its background colour.
#pragma once

#include <QImage>
#include <QWidget>

#include "runtime/windows/unit.h"

namespace runtime {

class PictureBox : public QWidget, public Unit {
 public:
  PictureBox(WindowUnit* window, UnitRecord& record, QWidget* parent);
  QWidget* Widget() override { return this; }
  bool PassesPressesThrough() const override { return true; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void PropertyChanged(int32_t index) override;

 private:
  void Render();
  QImage image_;  // the client area as drawn once
};

}  // namespace runtime
