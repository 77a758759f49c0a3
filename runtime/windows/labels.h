// The two label types: Label (wrapping text with colours, alignment and text effects) and
// TransLabel (one line of text drawn straight onto whatever lies behind it).
#pragma once

#include <QWidget>

#include "runtime/windows/unit.h"

namespace runtime {

class Label : public QWidget, public Unit {
 public:
  Label(WindowUnit* window, UnitRecord& record, QWidget* parent);
  QWidget* Widget() override { return this; }
  bool PassesPressesThrough() const override { return true; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void PropertyChanged(int32_t index) override;
};

// A transparent label has no background of its own, so its old text can only be wiped by
// repainting what lies behind it: every write repaints that part of the window at once, with every
// unit over it, before the caller goes on. A status text set before a long computation is
// therefore on screen while it runs.
class TransLabel : public QWidget, public Unit {
 public:
  TransLabel(WindowUnit* window, UnitRecord& record, QWidget* parent);
  QWidget* Widget() override { return this; }
  bool PassesPressesThrough() const override { return true; }
  void PropertyWritten(const QRect& before) override;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace runtime
