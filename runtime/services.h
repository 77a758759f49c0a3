// What the core needs from the system, reached through functions the layer above installs at
// start: the runtime error's report, the message box, the tick count and the file system. The
// core itself knows no display and no operating system; until something is installed, boxes and
// error reports go to standard error, the clock counts from the program's start and every file
// operation fails.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace runtime {

enum class BoxIcon { kNone, kError, kWarning, kInformation };

// Texts are UTF-8 here: this is the boundary to the display.
using MessageBoxService =
    std::function<void(BoxIcon icon, const std::string& text, const std::string& caption)>;
// Shows the runtime error's text; the process ends after it returns.
using ErrorReporter = std::function<void(const std::string& text, const std::string& caption)>;
// Milliseconds since the system started, wrapping at 32 bits.
using ClockService = uint32_t (*)();

// Whole-file reading and replacing. Both note why they failed with NoteFileError.
struct FileSystem {
  bool (*readWholeFile)(const std::string& path, std::vector<uint8_t>& bytes) = nullptr;
  bool (*replaceFile)(const std::string& path,
                      std::span<const std::span<const uint8_t>> parts) = nullptr;
};

// An empty function (or null) puts the default back.
void InstallMessageBox(MessageBoxService service);
void InstallErrorReporter(ErrorReporter reporter);
void InstallClock(ClockService clock);
void InstallFileSystem(FileSystem files);

// The core's side: each goes to what is installed.
void ShowBox(BoxIcon icon, const std::string& text, const std::string& caption);
void ReportErrorText(const std::string& text, const std::string& caption);
uint32_t SystemTicks();
bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes);
bool ReplaceFileBytes(const std::string& path, std::span<const std::span<const uint8_t>> parts);

// Why the latest file operation failed, as the system words it (UTF-8, in the language of the
// user's locale); empty after one that succeeded. Callers that refuse a file before it reaches
// the file system (a bad name) say why with NoteFileError.
// The reason is kept for each thread apart.
std::string LastFileFailure();
void NoteFileError(std::string reason);

}  // namespace runtime
