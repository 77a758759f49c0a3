// The system's modal message box. Texts here are UTF-8: this is the boundary to the display.
#pragma once

#include <functional>
#include <string>

namespace runtime {

// Shows a modal box with the error icon, owned by no window. Without a visible display (no
// application object, or the offscreen platform) the text goes to standard error instead, so
// that nothing ever waits on a box that no one can see.
void ShowErrorBox(const std::string& text, const std::string& caption);

// Replaces how boxes are shown (tests answer them this way); an empty function restores the
// system box.
using ErrorBoxHandler = std::function<void(const std::string& text, const std::string& caption)>;
void SetErrorBoxHandler(ErrorBoxHandler handler);

}  // namespace runtime
