#include "runtime/services.h"

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <utility>

namespace runtime {

namespace {

struct Installed {
  MessageBoxService box;
  ErrorReporter errors;
  ClockService clock = nullptr;
  FileSystem files;
};

Installed& Services() {
  static Installed installed;
  return installed;
}

// What a box comes to without a display.
void ToStandardError(const std::string& text, const std::string& caption) {
  std::fprintf(stderr, "%s\n%s\n", caption.c_str(), text.c_str());
  std::fflush(stderr);
}

uint32_t SinceStart() {
  static const auto start = std::chrono::steady_clock::now();
  auto elapsed = std::chrono::steady_clock::now() - start;
  return static_cast<uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

}  // namespace

void InstallMessageBox(MessageBoxService service) {
  Services().box = std::move(service);
}

void InstallErrorReporter(ErrorReporter reporter) {
  Services().errors = std::move(reporter);
}

void InstallClock(ClockService clock) {
  Services().clock = clock;
}

void InstallFileSystem(FileSystem files) {
  Services().files = files;
}

void ShowBox(BoxIcon icon, const std::string& text, const std::string& caption) {
  if (Services().box)
    Services().box(icon, text, caption);
  else
    ToStandardError(text, caption);
}

void ReportErrorText(const std::string& text, const std::string& caption) {
  if (Services().errors)
    Services().errors(text, caption);
  else
    ToStandardError(text, caption);
}

uint32_t SystemTicks() {
  return Services().clock != nullptr ? Services().clock() : SinceStart();
}

bool ReadFileBytes(const std::string& path, std::vector<uint8_t>& bytes) {
  bytes.clear();
  if (Services().files.readWholeFile == nullptr) {
    NoteFileError(std::strerror(ENOSYS));
    return false;
  }
  return Services().files.readWholeFile(path, bytes);
}

bool ReplaceFileBytes(const std::string& path, std::span<const std::span<const uint8_t>> parts) {
  if (Services().files.replaceFile == nullptr) {
    NoteFileError(std::strerror(ENOSYS));
    return false;
  }
  return Services().files.replaceFile(path, parts);
}

// Each thread's own: a file written on a background job does not touch the reason the window's
// thread reads.
thread_local std::string lastFileFailure;

std::string LastFileFailure() {
  return lastFileFailure;
}

void NoteFileError(std::string reason) {
  lastFileFailure = std::move(reason);
}

}  // namespace runtime
