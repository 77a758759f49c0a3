#include "ui/extra_windows.h"

#include "ui/engines_dialog.h"
#include "ui/record_window.h"

namespace ui {

ProgramWindows::ProgramWindows(game::WindowGame& window)
    : window_(window), record_(std::make_unique<RecordWindow>(window)) {}

ProgramWindows::~ProgramWindows() = default;

void ProgramWindows::ToggleRecordWindow() {
  record_->Toggle();
}

bool ProgramWindows::RecordWindowShown() const {
  return record_->Shown();
}

void ProgramWindows::ShowEngineDialog() {
  ui::ShowEngineDialog(window_);
}

std::unique_ptr<game::ExtraWindows> MakeExtraWindows(game::WindowGame& window) {
  return std::make_unique<ProgramWindows>(window);
}

}  // namespace ui
