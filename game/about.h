// The about window: opened modally from the main window, its label filled when it is created.
#pragma once

#include <string_view>

namespace game {

// Handler of the button 关于.
void OnAboutClick();
// Handler of the about window's creation.
void OnAboutWindowCreated();

// The about text in UTF-8, laid out for the 224 x 192 label by runs of blanks.
std::string_view AboutText();

}  // namespace game
