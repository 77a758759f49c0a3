// The system clipboard's text. Texts here are UTF-8: this is the boundary to the desktop.
#pragma once

#include <string>

namespace runtime {

// Puts `text` on the clipboard; nothing happens without a GUI application.
void CopyTextToClipboard(const std::string& text);
// The clipboard's text, empty when it holds none (or there is no GUI application).
std::string ClipboardText();

}  // namespace runtime
