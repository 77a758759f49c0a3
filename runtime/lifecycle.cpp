#include "runtime/lifecycle.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace runtime {

namespace {

CleanupRoutine cleanup = nullptr;
std::string startingFolder;
bool shutDown = false;

using Steps = std::vector<void (*)()>;

Steps& ShutdownSteps() {
  static Steps steps;
  return steps;
}

Steps& ReleaseSteps() {
  static Steps steps;
  return steps;
}

void RunSteps(Steps& steps) {
  while (!steps.empty()) {
    auto step = steps.back();
    steps.pop_back();
    step();
  }
}

}  // namespace

void InitRuntime(int argc, char** argv) {
  (void)argc;
  (void)argv;
  std::error_code ec;
  startingFolder = std::filesystem::current_path(ec).string();
  auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && self.has_parent_path()) std::filesystem::current_path(self.parent_path(), ec);
  shutDown = false;
}

std::string StartingFolder() {
  if (!startingFolder.empty()) return startingFolder;
  std::error_code ec;
  return std::filesystem::current_path(ec).string();  // nobody has moved yet
}

void RegisterCleanup(CleanupRoutine routine) {
  cleanup = routine;
}

void AddShutdownStep(void (*step)()) {
  ShutdownSteps().push_back(step);
}

void AddReleaseStep(void (*step)()) {
  ReleaseSteps().push_back(step);
}

void ShutdownRuntime() {
  if (shutDown) return;
  shutDown = true;
  RunSteps(ShutdownSteps());
  CleanupRoutine routine = cleanup;
  cleanup = nullptr;
  if (routine != nullptr) routine();
  RunSteps(ReleaseSteps());
}

void ForgetCleanup() {
  cleanup = nullptr;
}

void ExitAfterError() {
  // The runtime's own steps only; static destructors are skipped because the error may have
  // been raised from anywhere, half-way through anything.
  if (!shutDown) {
    shutDown = true;
    RunSteps(ShutdownSteps());
    RunSteps(ReleaseSteps());
  }
  std::fflush(nullptr);
  std::_Exit(-1);
}

}  // namespace runtime
