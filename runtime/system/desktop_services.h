// Everything the core reaches through its service interfaces, as the windowed program has it.
#pragma once

namespace runtime {

// The POSIX clock and file system, the system's message box for boxes and for the runtime error
// (standard error without a visible display). Called before InitRuntime.
void InstallDesktopServices();

}  // namespace runtime
