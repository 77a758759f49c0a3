// The system clipboard's text. Texts here are UTF-8: this is the boundary to the desktop.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace runtime {

// Puts `text` on the clipboard; nothing happens without a GUI application.
void CopyTextToClipboard(const std::string& text);
// Puts `text` on the clipboard as its plain text and, beside it, each of `formats` (a MIME type
// and its UTF-8 text) as a format of its own, for the programs that ask for that type.
void CopyTextsToClipboard(const std::string& text,
                          const std::vector<std::pair<std::string, std::string>>& formats);
// The clipboard's text, empty when it holds none (or there is no GUI application).
std::string ClipboardText();
// The clipboard's data of a MIME type (UTF-8 text), empty when it holds none.
std::string ClipboardData(const std::string& mimeType);

}  // namespace runtime
