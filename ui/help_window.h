// 使用说明: the program's help in a window of its own; one at a time (asked again, the open one
// shows the text anew and comes to the front).
#pragma once

#include <QPointer>
#include <QWidget>
#include <string>

namespace ui {

// Shows `markdown` (UTF-8) in the help window kept in `shown`, made there when there is none.
void ShowHelpWindow(QPointer<QWidget>& shown, const std::string& markdown);

}  // namespace ui
