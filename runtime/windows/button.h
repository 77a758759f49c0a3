// The push button: caption, alignment, an optional picture, the default push button that Enter
// presses; a click raises the unit's event 0.
#pragma once

#include <QPushButton>

#include "runtime/windows/unit.h"

namespace runtime {

class Button : public QPushButton, public Unit {
 public:
  Button(WindowUnit* window, UnitRecord& record, QWidget* parent);
  QWidget* Widget() override { return this; }

 protected:
  void PropertyChanged(int32_t index) override;

 private:
  void ApplySettings();
  void Clicked();
};

}  // namespace runtime
