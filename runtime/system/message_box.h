// The system's modal message box. Texts here are UTF-8: this is the boundary to the display.
#pragma once

#include <functional>
#include <string>

#include "runtime/services.h"

namespace runtime {

// Shows a modal box with an OK button and the icon, owned by no window. Without a visible display
// (no application object, or the offscreen platform) the text goes to standard error instead, so
// that nothing ever waits on a box that no one can see.
void ShowMessageBox(BoxIcon icon, const std::string& text, const std::string& caption);
// The runtime error's box.
void ShowErrorBox(const std::string& text, const std::string& caption);

// Replaces how every box is shown (tests answer them this way); an empty function restores the
// system box.
using MessageBoxHandler =
    std::function<void(BoxIcon icon, const std::string& text, const std::string& caption)>;
void SetMessageBoxHandler(MessageBoxHandler handler);

}  // namespace runtime
