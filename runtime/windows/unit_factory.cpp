#include <QWidget>

#include "runtime/windows/unit.h"

namespace runtime {

// Each type's creator lives with the type.
std::unique_ptr<Unit> CreateDrawPanel(WindowUnit* window, UnitRecord& record, QWidget* parent);
std::unique_ptr<Unit> CreateLabel(WindowUnit* window, UnitRecord& record, QWidget* parent);
std::unique_ptr<Unit> CreateTransLabel(WindowUnit* window, UnitRecord& record, QWidget* parent);
std::unique_ptr<Unit> CreateButton(WindowUnit* window, UnitRecord& record, QWidget* parent);
std::unique_ptr<Unit> CreateHyperLinker(WindowUnit* window, UnitRecord& record, QWidget* parent);
std::unique_ptr<Unit> CreatePictureBox(WindowUnit* window, UnitRecord& record, QWidget* parent);
std::unique_ptr<Unit> CreateCommonDialog(WindowUnit* window, UnitRecord& record, QWidget* parent);

std::unique_ptr<Unit> CreateUnit(WindowUnit* window, UnitRecord& record, QWidget* parent) {
  if (record.settings.state != SettingsState::kRead) return nullptr;
  switch (record.type) {
    case unit_type::kDrawPanel:
      return CreateDrawPanel(window, record, parent);
    case unit_type::kLabel:
      return CreateLabel(window, record, parent);
    case unit_type::kTransLabel:
      return CreateTransLabel(window, record, parent);
    case unit_type::kButton:
      return CreateButton(window, record, parent);
    case unit_type::kHyperLinker:
      return CreateHyperLinker(window, record, parent);
    case unit_type::kPicBox:
      return CreatePictureBox(window, record, parent);
    case unit_type::kCommonDlg:
      return CreateCommonDialog(window, record, parent);
    default:
      return nullptr;  // a window inside a window, or a type this runtime lacks
  }
}

}  // namespace runtime
