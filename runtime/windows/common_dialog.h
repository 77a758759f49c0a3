// The common dialog unit: no face of its own, only the settings of the file dialog it shows.
#pragma once

#include "runtime/system/file_dialog.h"
#include "runtime/windows/unit.h"

namespace runtime {

class CommonDialog : public Unit {
 public:
  CommonDialog(WindowUnit* window, UnitRecord& record);
  QWidget* Widget() override { return nullptr; }
  bool RaisesEvents() const override { return false; }

  // The file dialog its properties describe (texts converted for the system).
  FileDialogRequest Request() const;
  // Shows the dialog; a confirmed path becomes the file name (property 10). Kinds other than open
  // and save (font, help) show nothing and give false.
  bool Show();
};

}  // namespace runtime
