// The interface font carried in the program: a subset of a CJK face holding every character the
// program shows, so its Chinese text renders even where no CJK font is installed.
#pragma once

#include <QString>
#include <cstdint>
#include <span>

namespace runtime {

// Registers the embedded font with the application (needs a QGuiApplication) and adds it to the
// application font's families after the system's own interface face (an alias such as
// "Sans Serif" is replaced by the face it stands for), so the system face still draws what it can
// and ours draws the rest. Returns the registered family, or "" when there is
// no GUI application or the font could not be registered. Calling it again changes nothing.
QString InstallInterfaceFont();

// The embedded font's bytes (an OpenType file).
std::span<const uint8_t> InterfaceFontBytes();

}  // namespace runtime
