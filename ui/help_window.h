// 使用说明: the program's help in a window of its own, beside the main window; one at a time
// (asked again, the open one comes to the front).
#pragma once

#include <string>

class QWidget;

namespace ui {

// Shows `markdown` (UTF-8) in the help window; returns it (tests look at it).
QWidget* ShowHelpWindow(const std::string& markdown);

}  // namespace ui
