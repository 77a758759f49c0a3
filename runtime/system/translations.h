// Qt's own texts (the buttons of the file dialog and of the message boxes) in Chinese, the
// language of the program, whatever the user's locale.
#pragma once

#include <string>

namespace runtime {

// Loads Qt's Simplified Chinese catalogue from `folder` (Qt's translations folder when empty) and
// installs it on the application, with Chinese as Qt's default locale for the sizes and dates the
// dialogs show; false, with Qt's English texts kept, when it is not there.
// Needs the application object.
bool InstallDialogTranslations(const std::string& folder = {});

}  // namespace runtime
