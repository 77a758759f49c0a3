// The core's clock and file system on POSIX, for programs with or without a display.
#pragma once

namespace runtime {

// Installs MillisecondsSinceBoot as the core's clock and ReadWholeFile / ReplaceFile as its file
// system.
void InstallPosixServices();

}  // namespace runtime
