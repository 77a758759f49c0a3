// The interface looks: three custom-drawn appearances for the standard controls (push buttons),
// given to those that exist and to every one made later, or none for the plain system look.
#pragma once

#include <cstdint>

class QWidget;

namespace runtime {

// Looks 1, 2 and 3 replace any earlier look; any other number removes it. True when a look was
// installed.
bool InstallInterfaceLook(int32_t look);
// The installed look, 0 for none.
int32_t InterfaceLook();
// Gives a control the installed look (new controls call this when they are made).
void ApplyInterfaceLook(QWidget* control);

}  // namespace runtime
